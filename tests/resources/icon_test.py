"""Checks the programs' icon resources and the generator that draws them.

Usage: icon_test.py CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>

Each program carries one icon group, 101, with one 32x32 image of 16 colours at
4 bits per pixel, on a transparent background.
"""
import os
import struct
import sys
import unittest

from programs import LANG_JAPANESE_JAPAN, RT_GROUP_ICON, RT_ICON, group_icon_entries, load, programs, resources

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import make_icon  # noqa: E402

IDI_MAIN = 101


def icon_of(path):
    """The one group entry of icon 101 and the image it names, as pefile hands them over."""
    found = resources(load(path))
    groups = [key for key in found if key[0] == RT_GROUP_ICON]
    icons = [key for key in found if key[0] == RT_ICON]
    if groups != [(RT_GROUP_ICON, IDI_MAIN, LANG_JAPANESE_JAPAN)]:
        raise AssertionError(f"icon groups {groups}")
    entries = group_icon_entries(found[groups[0]])
    if len(entries) != 1:
        raise AssertionError(f"icon group of {len(entries)} images")
    entry = entries[0]
    if icons != [(RT_ICON, entry["id"], LANG_JAPANESE_JAPAN)]:
        raise AssertionError(f"icon images {icons}, the group names {entry['id']}")
    return entry, found[icons[0]]


def parse_icon_image(data):
    """A 4-bit icon image: header fields, palette, and rows of (index, transparent) top down."""
    (header_size, width, height, planes, bits, compression,
     _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data)
    header = {"width": width, "height": height, "planes": planes, "colors_used": used}
    if header_size != 40 or bits != 4 or compression != 0 or height != 2 * width:
        raise ValueError(f"not a plain 4-bit icon image: {header}")
    colors = used or 16
    palette = [tuple(data[header_size + 4 * i:header_size + 4 * i + 3][::-1]) for i in range(colors)]
    xor_stride = (width * 4 + 31) // 32 * 4
    and_stride = (width + 31) // 32 * 4
    xor_at = header_size + 4 * colors
    and_at = xor_at + xor_stride * width
    if and_at + and_stride * width != len(data):
        raise ValueError(f"image of {len(data)} bytes, its planes need {and_at + and_stride * width}")
    rows = []
    for y in range(width - 1, -1, -1):  # stored bottom row first
        rows.append([(data[xor_at + y * xor_stride + x // 2] >> (0 if x % 2 else 4) & 0xF,
                      bool(data[and_at + y * and_stride + x // 8] & (0x80 >> (x % 8)))) for x in range(width)])
    return header, palette, rows


def picture_problems(palette, rows):
    problems = []
    if len(palette) != 16:
        problems.append(f"{len(palette)} palette entries")
    corners = [rows[0][0], rows[0][-1], rows[-1][0], rows[-1][-1]]
    if not all(transparent for _, transparent in corners):
        problems.append("a corner is not transparent")
    for y, row in enumerate(rows):
        for x, (index, transparent) in enumerate(row):
            # The screen is ANDed with the mask, then XORed with the colour: a
            # transparent pixel that is not black tints what lies behind it.
            if transparent and palette[index] != (0, 0, 0):
                problems.append(f"transparent pixel {x},{y} has colour {palette[index]}")
    opaque = sum(not t for row in rows for _, t in row)
    if opaque < len(rows) * len(rows[0]) // 4:
        problems.append(f"only {opaque} opaque pixels")
    return problems


class ProgramIcons(unittest.TestCase):
    def test_one_32x32_16_colour_image(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                entry, image = icon_of(path)
                self.assertEqual({key: entry[key] for key in ("width", "height", "colors", "reserved",
                                                              "planes", "bits", "size")},
                                 {"width": 32, "height": 32, "colors": 16, "reserved": 0,
                                  "planes": 1, "bits": 4, "size": len(image)})
                header, palette, rows = parse_icon_image(image)
                self.assertEqual((header["width"], header["height"], header["planes"]), (32, 64, 1))
                self.assertIn(header["colors_used"], (0, 16))
                self.assertEqual(picture_problems(palette, rows), [])

    def test_each_program_has_its_own_picture(self):
        pictures = [repr(parse_icon_image(icon_of(path)[1])[2]) for path in PROGRAMS.values()]
        self.assertEqual(len(set(pictures)), len(pictures))

    def test_picture_check_notices_a_tinted_background(self):
        header, palette, rows = parse_icon_image(icon_of(PROGRAMS["CalcSwitch"])[1])
        rows[0][0] = (15, True)
        self.assertEqual(len(picture_problems(palette, rows)), 1)


def blank_map(legend="", rows=None):
    rows = rows if rows is not None else ["." * 32] * 32
    return ". none\nr red\nw white\n" + legend + "\n" + "\n".join(rows) + "\n"


class IconGenerator(unittest.TestCase):
    def test_pixels_land_where_drawn(self):
        # Top row: red at x=1; bottom row: white at x=0 and x=31. A generator that
        # writes rows top first, swaps the two pixels of a byte, or reverses the
        # mask bits puts them elsewhere.
        rows = ["." * 32] * 32
        rows[0] = ".r" + "." * 30
        rows[31] = "w" + "." * 30 + "w"
        data = make_icon.ico_bytes(make_icon.read_map(blank_map(rows=rows)))
        self.assertEqual(data[:6], bytes([0, 0, 1, 0, 1, 0]))
        width, height, colors, reserved, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
        self.assertEqual((width, height, colors, reserved, planes, bits, size, offset),
                         (32, 32, 16, 0, 1, 4, len(data) - 22, 22))
        _, palette, found = parse_icon_image(data[22:])
        drawn = {(x, y): palette[index] for y, row in enumerate(found)
                 for x, (index, transparent) in enumerate(row) if not transparent}
        self.assertEqual(drawn, {(1, 0): (255, 0, 0), (0, 31): (255, 255, 255), (31, 31): (255, 255, 255)})
        behind_mask = {palette[index] for row in found for index, transparent in row if transparent}
        self.assertEqual(behind_mask, {(0, 0, 0)})

    def test_malformed_maps_are_refused(self):
        cases = {
            "short row": blank_map(rows=["." * 31] + ["." * 32] * 31),
            "long row": blank_map(rows=["." * 33] + ["." * 32] * 31),
            "31 rows": blank_map(rows=["." * 32] * 31),
            "33 rows": blank_map(rows=["." * 32] * 33),
            "character not in the legend": blank_map(rows=["x" + "." * 31] + ["." * 32] * 31),
            "unknown colour": blank_map(legend="p pink\n"),
            "character twice in the legend": blank_map(legend="r blue\n"),
        }
        for what, text in cases.items():
            with self.subTest(what):
                self.assertRaises(make_icon.MapError, make_icon.read_map, text)


if __name__ == "__main__":
    PROGRAMS = programs(sys.argv[1:])
    unittest.main(argv=sys.argv[:1], verbosity=2)
