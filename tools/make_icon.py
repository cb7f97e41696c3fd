#!/usr/bin/env python3
"""Draws a tool's icon: reads a text pixel map and writes a .ico file.

Usage: make_icon.py <icon.txt> <out.ico>

The map starts with a legend, one line per character: the character, a space and
a colour name from the sixteen-colour system palette below, or "none" for a
transparent pixel. Then come 32 rows of 32 characters. Lines starting with "#"
are comments.

The .ico holds one 32x32 image with 16 colours at 4 bits per pixel: the form the
programs' icon resource must have, which every Windows version shows.
"""
import struct
import sys

SIZE = 32

# The sixteen colours of the standard system palette, in its order; a 16-colour
# icon drawn in them looks the same on a 16-colour display.
PALETTE = [
    ("black", (0x00, 0x00, 0x00)),
    ("maroon", (0x80, 0x00, 0x00)),
    ("green", (0x00, 0x80, 0x00)),
    ("olive", (0x80, 0x80, 0x00)),
    ("navy", (0x00, 0x00, 0x80)),
    ("purple", (0x80, 0x00, 0x80)),
    ("teal", (0x00, 0x80, 0x80)),
    ("silver", (0xC0, 0xC0, 0xC0)),
    ("gray", (0x80, 0x80, 0x80)),
    ("red", (0xFF, 0x00, 0x00)),
    ("lime", (0x00, 0xFF, 0x00)),
    ("yellow", (0xFF, 0xFF, 0x00)),
    ("blue", (0x00, 0x00, 0xFF)),
    ("fuchsia", (0xFF, 0x00, 0xFF)),
    ("aqua", (0x00, 0xFF, 0xFF)),
    ("white", (0xFF, 0xFF, 0xFF)),
]
INDEX = {name: i for i, (name, _) in enumerate(PALETTE)}
TRANSPARENT = None


class MapError(Exception):
    pass


def read_map(text):
    """Returns the rows of the picture as lists of palette indexes, None where transparent."""
    legend = {}
    rows = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        if not rows and len(line) > 2 and line[1] == " ":
            char, name = line[0], line[2:].strip()
            if char in legend:
                raise MapError(f"line {number}: '{char}' is in the legend twice")
            if name == "none":
                legend[char] = TRANSPARENT
            elif name in INDEX:
                legend[char] = INDEX[name]
            else:
                raise MapError(f"line {number}: unknown colour '{name}'")
            continue
        if len(line) != SIZE:
            raise MapError(f"line {number}: a row has {SIZE} pixels, this one {len(line)}")
        unknown = set(line) - set(legend)
        if unknown:
            raise MapError(f"line {number}: not in the legend: {''.join(sorted(unknown))}")
        rows.append([legend[c] for c in line])
    if len(rows) != SIZE:
        raise MapError(f"the picture has {SIZE} rows, this one {len(rows)}")
    return rows


def ico_bytes(rows):
    # Bitmaps are stored bottom row first.
    bottom_up = rows[::-1]
    # Colour plane, two pixels a byte, high nibble first. A transparent pixel is
    # black here: the screen is ANDed with the mask and then XORed with this
    # colour, so anything but black would tint the background.
    xor = bytearray()
    for row in bottom_up:
        pixels = [0 if p is TRANSPARENT else p for p in row]
        for left, right in zip(pixels[0::2], pixels[1::2]):
            xor.append(left << 4 | right)
    # Mask plane, one bit a pixel, set where the background shows through. Its
    # rows of 32 bits already meet the four-byte row alignment.
    mask = bytearray()
    for row in bottom_up:
        bits = 0
        for p in row:
            bits = bits << 1 | (p is TRANSPARENT)
        mask += bits.to_bytes(SIZE // 8, "big")

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    # The header's height covers both planes, hence twice the icon's height.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)

    directory = struct.pack("<HHH", 0, 1, 1)
    entry_size = 16
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, len(PALETTE), 0, 1, 4,
                        len(image), len(directory) + entry_size)
    return directory + entry + image


def main(argv):
    if len(argv) != 3:
        print("usage: make_icon.py <icon.txt> <out.ico>", file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        try:
            rows = read_map(source.read())
        except MapError as error:
            print(f"{argv[1]}: {error}", file=sys.stderr)
            return 1
    with open(argv[2], "wb") as out:
        out.write(ico_bytes(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
