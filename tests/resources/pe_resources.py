"""Reads what the resource and import tests need out of a built Windows program.

Only the Python standard library: the tests must run wherever the cross build runs,
without a Windows toolchain or a PE library. Every read is bounds-checked, so a
damaged file raises PEError instead of yielding half-read values.
"""
import struct

RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14

PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B
ORDINAL_FLAG32 = 0x80000000
ORDINAL_FLAG64 = 0x8000000000000000

DS_SETFONT = 0x40

DIRECTORY_IMPORT = 1
DIRECTORY_RESOURCE = 2
DIRECTORY_BASERELOC = 5
DIRECTORY_DEBUG = 6
DIRECTORY_LOAD_CONFIG = 10
DIRECTORY_DELAY_IMPORT = 13


class PEError(Exception):
    pass


class Reader:
    """Little-endian reads from a byte string that fail loudly past its end."""

    def __init__(self, data):
        self.data = data

    def unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEError(f"read of {size} bytes at {offset:#x} passes the end ({len(self.data):#x})")
        return struct.unpack_from("<" + fmt, self.data, offset)

    def u16(self, offset):
        return self.unpack("H", offset)[0]

    def u32(self, offset):
        return self.unpack("I", offset)[0]

    def ascii_z(self, offset):
        end = self.data.find(b"\0", offset)
        if offset >= len(self.data) or end < 0:
            raise PEError(f"unterminated name at {offset:#x}")
        return self.data[offset:end].decode("ascii")


class Image:
    """The headers, sections, resources and imports of one PE file."""

    def __init__(self, data):
        self.data = bytes(data)
        r = self.reader = Reader(self.data)
        if r.unpack("2s", 0)[0] != b"MZ":
            raise PEError("no MZ signature")
        pe = r.u32(0x3C)
        if r.unpack("4s", pe)[0] != b"PE\0\0":
            raise PEError("no PE signature")
        coff = pe + 4
        (self.machine, section_count, self.time_stamp, _, _,
         optional_size, self.characteristics) = r.unpack("HHIIIHH", coff)
        opt = coff + 20
        self.magic = r.u16(opt)
        if self.magic == PE32_MAGIC:
            directories = opt + 96
        elif self.magic == PE32_PLUS_MAGIC:
            directories = opt + 112
        else:
            raise PEError(f"unknown optional header magic {self.magic:#x}")
        (self.major_os_version, self.minor_os_version,
         _, _,
         self.major_subsystem_version, self.minor_subsystem_version) = r.unpack("6H", opt + 40)
        self.checksum_offset = opt + 64
        self.checksum = r.u32(self.checksum_offset)
        self.entry, self.image_base = r.u32(opt + 16), r.u32(opt + 28)
        self.subsystem, self.dll_characteristics = r.unpack("HH", opt + 68)
        directory_count = r.u32(directories - 4)
        self.directories = [r.unpack("II", directories + 8 * i) for i in range(directory_count)]

        self.sections = []
        self.section_flags = []
        table = opt + optional_size
        for i in range(section_count):
            name, virtual_size, rva, raw_size, raw_offset = r.unpack("8sIIII", table + 40 * i)
            name = name.rstrip(b"\0").decode("ascii", "replace")
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_size, raw_offset))
            self.section_flags.append((name, r.u32(table + 40 * i + 36)))

    def computed_checksum(self):
        """16-bit words with end-around carry, the field taken as zero, plus the size."""
        data = bytearray(self.data + b"\0" * (len(self.data) % 2))
        data[self.checksum_offset:self.checksum_offset + 4] = bytes(4)
        total = sum(struct.unpack(f"<{len(data) // 2}H", data))
        while total >> 16:
            total = (total & 0xFFFF) + (total >> 16)
        return total + len(self.data)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset(self, rva):
        """The file offset of an address; PEError when no section holds it in the file."""
        for _, start, size, raw_size, raw_offset in self.sections:
            if start <= rva < start + size:
                if rva - start >= raw_size:
                    raise PEError(f"address {rva:#x} lies in a section's uninitialised tail")
                return raw_offset + rva - start
        raise PEError(f"address {rva:#x} lies in no section")

    def resources(self):
        """Every resource as {(type, name, language): bytes}; named entries are str keys."""
        root_rva, _ = self.directory(DIRECTORY_RESOURCE)
        if root_rva == 0:
            return {}
        root = self.offset(root_rva)
        r = self.reader

        def entries(table):
            named, numbered = r.unpack("HH", table + 12)
            for i in range(named + numbered):
                name, target = r.unpack("II", table + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    length = r.u16(at)
                    key = r.unpack(f"{2 * length}s", at + 2)[0].decode("utf-16-le")
                else:
                    key = name
                yield key, bool(target & 0x80000000), root + (target & 0x7FFFFFFF)

        found = {}
        for type_key, is_table, types in entries(root):
            if not is_table:
                raise PEError("resource type entry without a name table")
            for name_key, is_table, names in entries(types):
                if not is_table:
                    raise PEError("resource name entry without a language table")
                for lang_key, is_table, leaf in entries(names):
                    if is_table:
                        raise PEError("resource tree deeper than three levels")
                    data_rva, size, _, _ = r.unpack("IIII", leaf)
                    at = self.offset(data_rva)
                    found[(type_key, name_key, lang_key)] = r.unpack(f"{size}s", at)[0]
        return found

    def imports(self):
        """[(dll, function name or ordinal number)] in table order."""
        table_rva, _ = self.directory(DIRECTORY_IMPORT)
        if table_rva == 0:
            return []
        r = self.reader
        wide = self.magic == PE32_PLUS_MAGIC
        thunk_format, thunk_size, ordinal_flag = ("Q", 8, ORDINAL_FLAG64) if wide else ("I", 4, ORDINAL_FLAG32)
        result = []
        descriptor = self.offset(table_rva)
        while True:
            lookup, _, _, name_rva, address = r.unpack("IIIII", descriptor)
            if (lookup, name_rva, address) == (0, 0, 0):
                return result
            dll = r.ascii_z(self.offset(name_rva))
            # The lookup table stays unchanged after binding; older linkers leave it out.
            thunk = self.offset(lookup or address)
            while True:
                value = r.unpack(thunk_format, thunk)[0]
                if value == 0:
                    break
                if value & ordinal_flag:
                    result.append((dll, value & 0xFFFF))
                else:
                    result.append((dll, r.ascii_z(self.offset(value & 0x7FFFFFFF) + 2)))
                thunk += thunk_size
            descriptor += 20


class Template:
    """A cursor over a dialog template."""

    def __init__(self, data):
        self.reader = Reader(data)
        self.size = len(data)
        self.at = 0

    def take(self, fmt):
        values = self.reader.unpack(fmt, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values

    def string(self):
        start = self.at
        while self.take("H")[0] != 0:
            pass
        try:
            return self.reader.data[start:self.at - 2].decode("utf-16-le")
        except UnicodeDecodeError as error:
            raise PEError(f"text at {start:#x} is not UTF-16: {error}") from None

    def name_or_ordinal(self):
        """None for an empty field, an int for an ordinal, else the text."""
        (first,) = self.reader.unpack("H", self.at)
        if first == 0:
            self.at += 2
            return None
        if first == 0xFFFF:
            self.at += 2
            return self.take("H")[0]
        return self.string()

    def align(self, boundary):
        while self.at % boundary:
            if self.at >= self.size:
                return
            # Padding carries no meaning; resource compilers write zeros, and asking
            # for them means every other byte of the template is checked by a field.
            if self.reader.data[self.at] != 0:
                raise PEError(f"non-zero padding byte at {self.at:#x}")
            self.at += 1


def parse_dialog(data):
    """The fields of a standard (not extended) dialog template as a dict.

    The items list holds one dict per control in template order. PEError when the
    data is an extended template, is cut short, or has bytes after its last item.
    """
    t = Template(data)
    if len(data) >= 4 and struct.unpack_from("<HH", data)[1] == 0xFFFF:
        raise PEError("extended dialog template (DIALOGEX)")
    style, exstyle, count, x, y, cx, cy = t.take("IIHhhhh")
    dialog = {
        "style": style, "exstyle": exstyle, "rect": (x, y, cx, cy),
        "menu": t.name_or_ordinal(), "class": t.name_or_ordinal(), "caption": t.string(),
        "font": None, "items": [],
    }
    if style & DS_SETFONT:
        (points,) = t.take("H")
        dialog["font"] = (points, t.string())
    for _ in range(count):
        # Each item starts on a four-byte boundary of the template.
        t.align(4)
        style, exstyle, x, y, cx, cy, ident = t.take("IIhhhhH")
        item = {
            "style": style, "exstyle": exstyle, "rect": (x, y, cx, cy), "id": ident,
            "class": t.name_or_ordinal(), "text": t.name_or_ordinal(),
        }
        # A non-zero first word gives the size of the creation data, itself included;
        # the data is kept with that word, so that even an empty block is seen.
        (extra,) = t.take("H")
        if extra == 1:
            raise PEError(f"creation data of one byte at {t.at - 2:#x}")
        item["creation_data"] = struct.pack("<H", extra) + t.take(f"{extra - 2}s")[0] if extra else b""
        dialog["items"].append(item)
    t.align(4)
    if t.at != t.size:
        raise PEError(f"{t.size - t.at} bytes after the last item")
    return dialog


def parse_group_icon(data):
    """The entries of an icon group: dicts with width, height, colors, planes, bits, size, id."""
    r = Reader(data)
    reserved, kind, count = r.unpack("HHH", 0)
    if (reserved, kind) != (0, 1):
        raise PEError(f"not an icon group (reserved {reserved}, type {kind})")
    entries = []
    for i in range(count):
        width, height, colors, reserved, planes, bits, size, ident = r.unpack("BBBBHHIH", 6 + 14 * i)
        entries.append({"width": width, "height": height, "colors": colors, "reserved": reserved,
                        "planes": planes, "bits": bits, "size": size, "id": ident})
    if len(data) != 6 + 14 * count:
        raise PEError(f"icon group of {count} entries is {len(data)} bytes long")
    return entries


def parse_icon_image(data):
    """A 4-bit icon image: header fields, palette, and rows of (index, transparent) top down."""
    r = Reader(data)
    (header_size, width, height, planes, bits, compression,
     image_size, _, _, used, _) = r.unpack("IiiHHIIiiII", 0)
    header = {"header_size": header_size, "width": width, "height": height, "planes": planes,
              "bits": bits, "compression": compression, "colors_used": used}
    if header_size != 40 or bits != 4 or compression != 0 or height != 2 * width:
        raise PEError(f"not a plain 4-bit icon image: {header}")
    colors = used or 16
    palette = [r.unpack("BBBB", header_size + 4 * i)[:3][::-1] for i in range(colors)]
    xor_stride = (width * 4 + 31) // 32 * 4
    and_stride = (width + 31) // 32 * 4
    xor_at = header_size + 4 * colors
    and_at = xor_at + xor_stride * width
    end = and_at + and_stride * width
    if end != len(data):
        raise PEError(f"image of {len(data)} bytes, its planes need {end}")
    rows = []
    for y in range(width - 1, -1, -1):  # stored bottom row first
        row = []
        for x in range(width):
            byte = data[xor_at + y * xor_stride + x // 2]
            index = byte >> 4 if x % 2 == 0 else byte & 0xF
            transparent = bool(data[and_at + y * and_stride + x // 8] & (0x80 >> (x % 8)))
            row.append((index, transparent))
        rows.append(row)
    return header, palette, rows
