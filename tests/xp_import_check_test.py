#!/usr/bin/env python3
"""Tests of xp_import_check.py on small PE files built here, checked
against the real XP export lists. The last line of output is
"N passed, M failed"."""
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import xp_import_check  # noqa: E402

CHECKER = pathlib.Path(__file__).with_name("xp_import_check.py")
EXPORTS = xp_import_check.DEFAULT_EXPORTS


def make_pe(imports, machine=0x14C, magic=0x10B, subsystem=(5, 1), os_version=(5, 1)):
    """A PE image whose only section holds an import table. imports: list of
    (dll, [name or ordinal number])."""
    rva, raw = 0x1000, 0x200
    body = bytearray(20 * (len(imports) + 1))
    for i, (dll, names) in enumerate(imports):
        thunks_at = len(body)
        body += bytes(4 * (len(names) + 1))
        entries = []
        for name in names:
            if isinstance(name, int):
                entries.append(0x80000000 | name)
            else:
                entries.append(rva + len(body))
                body += b"\0\0" + name.encode() + b"\0"
        struct.pack_into(f"<{len(entries)}I", body, thunks_at, *entries)
        struct.pack_into("<IIIII", body, 20 * i, rva + thunks_at, 0, 0, rva + len(body), rva + thunks_at)
        body += dll.encode() + b"\0"

    image = bytearray(raw) + body
    struct.pack_into("<2s58xI", image, 0, b"MZ", 0x40)
    struct.pack_into("<4sHHIIIHH", image, 0x40, b"PE\0\0", machine, 1, 0, 0, 0, 224, 0x102)
    optional = 0x58
    struct.pack_into("<H", image, optional, magic)
    struct.pack_into("<HH", image, optional + 40, *os_version)
    struct.pack_into("<HH", image, optional + 48, *subsystem)
    struct.pack_into("<I", image, optional + 92, 16)
    struct.pack_into("<II", image, optional + 104, rva, len(body))
    struct.pack_into("<8sIIII", image, optional + 224, b".idata", len(body), rva, len(body), raw)
    return bytes(image)


GOOD_IMPORTS = [("KERNEL32.dll", ["GetModuleFileNameW", "CreateFileW"]),
                ("USER32.dll", ["MessageBoxW"]),
                ("ADVAPI32.dll", ["RegOpenKeyExA", "RegEnumKeyExA"]),
                ("COMCTL32.dll", ["InitCommonControlsEx", 17])]


class XpImportCheckTest(unittest.TestCase):
    def check(self, **pe):
        with tempfile.TemporaryDirectory() as folder:
            exe = pathlib.Path(folder) / "test.exe"
            exe.write_bytes(make_pe(**pe))
            return xp_import_check.check(exe, EXPORTS)

    def test_xp_compatible_exe_passes_and_is_summarised(self):
        problems, summary = self.check(imports=GOOD_IMPORTS)
        self.assertEqual(problems, [])
        self.assertEqual(summary, "4 DLLs (advapi32, comctl32, kernel32, user32), "
                                  "6 imports by name checked, 1 by ordinal not checked")

    def test_every_function_missing_on_xp_sp2_is_named(self):
        problems, _ = self.check(imports=[
            ("kernel32.dll", ["GetTickCount64", "GetModuleFileNameW", "GetProcessDEPPolicy"]),
            ("advapi32.dll", ["RegGetValueA"]),
            ("comctl32.dll", ["DrawShadowText", "DPA_Create"])])
        self.assertEqual(problems, [
            "advapi32.dll!RegGetValueA: not exported on XP",
            "comctl32.dll!DPA_Create: not exported on XP",
            "comctl32.dll!DrawShadowText: not exported on XP",
            "kernel32.dll!GetProcessDEPPolicy: exported only since XP SP3",
            "kernel32.dll!GetTickCount64: not exported on XP"])

    def test_dll_without_export_list_fails(self):
        problems, _ = self.check(imports=GOOD_IMPORTS + [("WS2_32.dll", ["connect", "send"])])
        self.assertEqual(problems, ["ws2_32.dll: no XP export list, 2 imports unchecked"])

    def test_only_32_bit_x86_pe_is_accepted(self):
        for machine, magic in ((0x8664, 0x20B), (0x8664, 0x10B), (0x14C, 0x20B)):
            problems, _ = self.check(imports=GOOD_IMPORTS, machine=machine, magic=magic)
            self.assertEqual(len(problems), 1, (machine, magic))
            self.assertIn("not a 32-bit x86 PE", problems[0])

    def test_versions_above_xp_fail(self):
        for subsystem, os_version, expected in (
                ((5, 0), (4, 0), []),
                ((5, 2), (5, 1), ["subsystem version 5.02 is above 5.01"]),
                ((6, 0), (6, 1), ["subsystem version 6.00 is above 5.01", "OS version 6.01 is above 5.01"])):
            problems, _ = self.check(imports=GOOD_IMPORTS, subsystem=subsystem, os_version=os_version)
            self.assertEqual(problems, expected, (subsystem, os_version))

    def test_command_line_exit_status(self):
        with tempfile.TemporaryDirectory() as folder:
            good, bad, text = (pathlib.Path(folder) / name for name in ("good.exe", "bad.exe", "text.exe"))
            good.write_bytes(make_pe(imports=GOOD_IMPORTS))
            bad.write_bytes(make_pe(imports=[("kernel32.dll", ["GetTickCount64"])]))
            text.write_bytes(b"MZ not really")
            results = [subprocess.run([sys.executable, CHECKER, exe], capture_output=True, text=True)
                       for exe in (good, bad, text)]
        self.assertEqual([r.returncode for r in results], [0, 1, 1])
        self.assertIn("XP import check passed", results[0].stdout)
        self.assertIn("GetTickCount64", results[1].stdout)
        self.assertIn("XP import check failed", results[2].stdout)


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    failed = len(result.failures) + len(result.errors)
    print(f"{result.testsRun - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
