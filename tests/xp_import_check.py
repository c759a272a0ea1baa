#!/usr/bin/env python3
"""Checks that a 32-bit Windows exe can start on Windows XP SP2 and later.

Usage: xp_import_check.py EXE [--exports DIR]

Fails, naming each problem, when the PE is not 32-bit x86, when its
subsystem or OS version asks for more than Windows XP (5.01), when it
imports from a DLL for which DIR has no export list, or when it imports
by name a function XP's DLL does not export. DIR holds one <dll>.txt per
DLL; it defaults to xp-sp3-exports beside this script (see its README.md).
"""
import argparse
import pathlib
import struct
import sys

XP_VERSION = (5, 1)
MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
DEFAULT_EXPORTS = pathlib.Path(__file__).resolve().with_name("xp-sp3-exports")


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a PE file (no MZ header)")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file (no PE signature)")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.optional = pe + 24
        self.magic = self.u16(self.optional)
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    # PE32 optional header fields; meaningful only when magic is PE32.
    def os_version(self):
        return self.u16(self.optional + 40), self.u16(self.optional + 42)

    def subsystem_version(self):
        return self.u16(self.optional + 48), self.u16(self.optional + 50)

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.optional + 96 + 8 * index)

    def offset(self, rva):
        for virtual_size, virtual_address, raw_size, raw_pointer in self.sections:
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return raw_pointer + rva - virtual_address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """Yields (dll, name or None for an ordinal) for normal and delay-loaded imports."""
        # Descriptor layouts: directory index, size, DLL name field, name table fields.
        for index, size, dll_field, name_fields in ((1, 20, 3, (0, 4)), (13, 32, 1, (4,))):
            rva, _ = self.directory(index)
            while rva:
                fields = struct.unpack_from(f"<{size // 4}I", self.data, self.offset(rva))
                if not any(fields):
                    break
                dll = self.string(fields[dll_field])
                thunks = next(fields[f] for f in name_fields if fields[f])
                while thunk := self.u32(self.offset(thunks)):
                    yield dll, None if thunk & 0x80000000 else self.string(thunk + 2)
                    thunks += 4
                rva += size


def read_list(path):
    return set(path.read_text().split()) if path.is_file() else None


def check(exe, exports_dir):
    """Returns (problems, summary)."""
    image = PeImage(pathlib.Path(exe).read_bytes())
    if image.machine != MACHINE_I386 or image.magic != PE32_MAGIC:
        return [f"not a 32-bit x86 PE (machine {image.machine:#x}, optional header magic {image.magic:#x})"], ""
    problems = []
    for field, version in (("subsystem", image.subsystem_version()), ("OS", image.os_version())):
        if version > XP_VERSION:
            problems.append(f"{field} version {version[0]}.{version[1]:02} is above 5.01")

    sp3_only = read_list(exports_dir / "kernel32.sp3-only.txt")
    if sp3_only is None:
        raise FileNotFoundError(exports_dir / "kernel32.sp3-only.txt")
    by_dll, ordinals = {}, 0
    for dll, name in image.imports():
        if name is None:
            ordinals += 1
        else:
            by_dll.setdefault(dll.lower().removesuffix(".dll"), []).append(name)

    for dll, names in sorted(by_dll.items()):
        # comctl32 is the 5.82 or the v6 DLL depending on the manifest.
        lists = ["comctl32", "comctl32-v6"] if dll == "comctl32" else [dll]
        exports = [read_list(exports_dir / f"{name}.txt") for name in lists]
        if None in exports:
            problems.append(f"{dll}.dll: no XP export list, {len(names)} imports unchecked")
            continue
        for name in sorted(names):
            if not all(name in e for e in exports):
                problems.append(f"{dll}.dll!{name}: not exported on XP")
            elif dll == "kernel32" and name in sp3_only:
                problems.append(f"{dll}.dll!{name}: exported only since XP SP3")

    summary = (f"{len(by_dll)} DLLs ({', '.join(sorted(by_dll))}), "
               f"{sum(map(len, by_dll.values()))} imports by name checked, {ordinals} by ordinal not checked")
    return problems, summary


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("exe")
    parser.add_argument("--exports", type=pathlib.Path, default=DEFAULT_EXPORTS)
    args = parser.parse_args()
    try:
        problems, summary = check(args.exe, args.exports)
    except (OSError, ValueError, struct.error) as error:
        problems, summary = [str(error)], ""
    for problem in problems:
        print(f"{args.exe}: {problem}")
    if summary:
        print(f"{args.exe}: {summary}")
    print(f"XP import check {'failed' if problems else 'passed'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
