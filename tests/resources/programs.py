"""The command line of the resource tests (one NAME=PATH argument per built program),
and the programs as pefile reads them: an independent, widely used reader is a
stronger witness than one of our own."""
import os
import struct
import sys

import pefile


def read_facts(path):
    """{tool: {field: value}} of the build's facts.tsv (tests/facts.cpp), in the build's
    order: ids as numbers, the row fields as lists; "-" holds the installer's values."""
    facts = {}
    with open(path, encoding="utf-8") as tsv:
        for line in tsv.read().splitlines():
            tool, field, *values = line.split("\t")
            if field == "rows" or field.endswith("Id"):
                values = [int(value) for value in values]
            facts.setdefault(tool, {})[field] = values if field.startswith("row") or tool == "-" else values[0]
    return facts


FACTS = read_facts(os.environ["TOOL_FACTS"])
TOOLS = [name for name in FACTS if name != "-"]
LANG_JAPANESE_JAPAN = 0x0411
RT_ICON, RT_DIALOG, RT_GROUP_ICON = (pefile.RESOURCE_TYPE[t] for t in ("RT_ICON", "RT_DIALOG", "RT_GROUP_ICON"))


def programs(args, names=TOOLS):
    """{name: path} for exactly the given names; exits with a usage line otherwise."""
    found = dict(arg.split("=", 1) for arg in args if "=" in arg)
    missing = [name for name in names if not os.path.isfile(found.get(name, ""))]
    if missing or set(found) != set(names) or len(found) != len(args):
        sys.exit(f"usage: {os.path.basename(sys.argv[0])} {' '.join(f'{name}=<exe>' for name in names)}\n"
                 f"missing or unreadable: {', '.join(missing) or 'none'}")
    return found


def load(path):
    """pefile's image of a program."""
    with open(path, "rb") as exe:
        return pefile.PE(data=exe.read())


def resources(image):
    """Every resource as {(type, name, language): bytes}; named entries are str keys."""
    def key(entry):
        return entry.id if entry.name is None else str(entry.name)

    tree = getattr(image, "DIRECTORY_ENTRY_RESOURCE", None)
    return {(key(kind), key(name), lang.id): image.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
            for kind in (tree.entries if tree else []) for name in kind.directory.entries
            for lang in name.directory.entries}


def group_icon_entries(data):
    """The entries of an icon group (GRPICONDIR, which pefile leaves to its callers), as
    dicts; ValueError when the data is not one."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if (reserved, kind) != (0, 1) or len(data) != 6 + 14 * count:
        raise ValueError(f"not an icon group: reserved {reserved}, type {kind}, {count} entries in {len(data)} bytes")
    fields = ("width", "height", "colors", "reserved", "planes", "bits", "size", "id")
    return [dict(zip(fields, struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i))) for i in range(count)]
