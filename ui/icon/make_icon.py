#!/usr/bin/env python3
"""Turns the text pixel maps of the program's icon into a .ico file.

Usage: make_icon.py SOURCE.txt OUTPUT.ico

SOURCE holds a palette, then one or more square images:

    palette
    . transparent
    K 000000          one character, then its colour as RRGGBB
    image 32
    ................  one line of characters per row, top row first

Every image becomes a 256-colour (8 bits a pixel) entry of the icon, in
the order written; "transparent" pixels are the ones the AND mask keeps.
Lines starting with # and blank lines are ignored.
"""
import pathlib
import struct
import sys

TRANSPARENT = "transparent"


class SourceError(Exception):
    pass


def parse(text):
    palette, images, section, rows = {}, [], None, None
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        if not line or line.startswith("#"):
            continue
        words = line.split()
        if words == ["palette"]:
            section = "palette"
        elif words[0] == "image" and len(words) == 2:
            rows = []
            images.append((int(words[1]), rows, number))
            section = "image"
        elif section == "palette" and len(words) == 2 and len(words[0]) == 1:
            palette[words[0]] = None if words[1] == TRANSPARENT else bytes.fromhex(words[1])
        elif section == "image":
            rows.append((line, number))
        else:
            raise SourceError(f"line {number}: not a palette entry, image header or pixel row")
    if not images:
        raise SourceError("no image")
    colours = [colour for colour in palette.values() if colour is not None]
    if len(colours) > 256:
        raise SourceError("more than 256 colours")
    for size, rows, number in images:
        if len(rows) != size:
            raise SourceError(f"image at line {number}: {len(rows)} rows, expected {size}")
        for row, row_number in rows:
            if len(row) != size:
                raise SourceError(f"line {row_number}: {len(row)} pixels, expected {size}")
            unknown = set(row) - palette.keys()
            if unknown:
                raise SourceError(f"line {row_number}: characters not in the palette: {''.join(sorted(unknown))}")
    return palette, [(size, [row for row, _ in rows]) for size, rows, _ in images]


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def bitmap(size, rows, palette):
    """A DIB as an icon stores it: header with doubled height, colours, XOR pixels, AND mask, bottom row first."""
    colours = sorted({c for c in palette.values() if c is not None})
    index = {char: (0 if colour is None else colours.index(colour)) for char, colour in palette.items()}
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b"".join(bytes((c[2], c[1], c[0], 0)) for c in colours) + b"\0\0\0\0" * (256 - len(colours))
    pixels = b"".join(padded(bytes(index[char] for char in row)) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = 0
        for char in row:
            bits = bits << 1 | (palette[char] is None)
        mask += padded(bits.to_bytes((len(row) + 7) // 8, "big"))
    return header + table + pixels + mask


def icon(palette, images):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for size, rows in images:
        image = bitmap(size, rows, palette)
        # Width and height 0 would mean 256; colour count 0 means 256 colours.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), offset + len(data))
        data += image
    return struct.pack("<HHH", 0, 1, len(images)) + entries + data


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, output = argv[1], argv[2]
    try:
        with open(source, encoding="ascii") as file:
            palette, images = parse(file.read())
    except (OSError, SourceError, ValueError) as error:
        sys.stderr.write(f"{source}: {error}\n")
        return 1
    pathlib.Path(output).parent.mkdir(parents=True, exist_ok=True)
    pathlib.Path(output).write_bytes(icon(palette, images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
