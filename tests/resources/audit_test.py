"""Audits each shipped program offline, rule by rule, as Microsoft's binary analyser
does for a 32-bit x86 image, and prints the flags it judged.

Usage: audit_test.py OBJDUMP SOURCE_DIR BUILD_DIR CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>
"""
import datetime
import getpass
import os
import re
import socket
import subprocess
import sys
import unittest

import pefile

from programs import RT_DIALOG, RT_GROUP_ICON, RT_ICON, group_icon_entries, programs, resources as resources_of

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RELOCS_STRIPPED = 0x0001
DLL_FLAGS = {0x0040: "DYNAMIC_BASE", 0x0100: "NX_COMPAT", 0x0400: "NO_SEH",
             0x4000: "GUARD_CF", 0x8000: "TERMINAL_SERVER_AWARE"}
SCN_EXECUTE, SCN_READ, SCN_WRITE = 0x20000000, 0x40000000, 0x80000000
DIALOG_ID, ICON_GROUP_ID = 106, 101
DIRECTORY_BASERELOC, DIRECTORY_DEBUG, DIRECTORY_DELAY_IMPORT = (
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_" + name] for name in ("BASERELOC", "DEBUG", "DELAY_IMPORT"))

# Rules the analyser proves from a PDB or from tables only the MSVC linker writes.
NOT_CHECKED = {
    "stack cookies (/GS)": "proved from the compiler records of an MSVC PDB; GCC writes none, and its "
                           "stack protector needs libssp's runtime, a new import on XP SP3",
    "Control Flow Guard": "needs the guard tables of the MSVC linker's load configuration; GNU ld writes "
                          "none, and XP SP3's loader knows nothing of them",
}


class Image(pefile.PE):
    """pefile's reading of one program, with the bytes it read."""

    def __init__(self, data):
        self.data = bytes(data)
        super().__init__(data=self.data)

    def directory(self, index):
        entry = self.OPTIONAL_HEADER.DATA_DIRECTORY[index]
        return entry.VirtualAddress, entry.Size

    def section_flags(self):
        return [(section.Name.rstrip(b"\0").decode("ascii", "replace"), section.Characteristics)
                for section in self.sections]


class Program:
    """One built program as the rules see it: the image, its disassembly, the build's traces."""

    def __init__(self, data, disassembly, traces):
        self.image = Image(data)
        self.disassembly = disassembly
        self.traces = traces


def flag(bit, name, hint=""):
    """A rule that needs one of the optional header's DllCharacteristics flags."""
    return lambda p: [] if p.image.OPTIONAL_HEADER.DllCharacteristics & bit else [f"{name} is not set{hint}"]


def relocations(p):
    # Without relocations the loader cannot move the image, whatever the flag says.
    if p.image.directory(DIRECTORY_BASERELOC)[1] == 0 or p.image.FILE_HEADER.Characteristics & RELOCS_STRIPPED:
        return ["no base relocation table"]
    return []


def write_execute(p):
    return [f"section {name} is both writable and executable ({flags:#010x})"
            for name, flags in p.image.section_flags() if flags & SCN_WRITE and flags & SCN_EXECUTE]


# "mov DWORD PTR fs:0x0,esp" and the like: an SEH frame being linked into the thread's chain.
FRAME_SLOT_WRITE = re.compile(r"^\s*[0-9a-f]+:\s+(?!push|cmp|test)([a-z]+)\s+(?:[A-Z]+ PTR )?fs:0x0(?:,|$)")


def no_frame_writes(p):
    # The NO_SEH flag must be true. These programs start at their own entry
    # (-nostartfiles), and build with -fno-exceptions. Even the mingw-w64 i686 runtime
    # links no frame into fs:[0]: its C++ exceptions unwind by DWARF tables, not SEH, and
    # its start-up catches the last chance with SetUnhandledExceptionFilter. Nothing else
    # in the link could, so the disassembly shows it.
    problems = []
    entry = f"{p.image.OPTIONAL_HEADER.ImageBase + p.image.OPTIONAL_HEADER.AddressOfEntryPoint:x}:"
    if not any(line.strip().startswith(entry) for line in p.disassembly):
        problems.append(f"the disassembly does not reach the entry point {entry}")
    problems += [f"writes the frame-handler slot: {line.strip()}"
                 for line in p.disassembly if FRAME_SLOT_WRITE.match(line)]
    return problems


def header(p):
    image = p.image
    expected = {
        "Machine": IMAGE_FILE_MACHINE_I386,
        "Magic": pefile.OPTIONAL_HEADER_MAGIC_PE,
        "Subsystem": IMAGE_SUBSYSTEM_WINDOWS_GUI,
        "MajorOperatingSystemVersion": 5, "MinorOperatingSystemVersion": 1,
        "MajorSubsystemVersion": 5, "MinorSubsystemVersion": 1,
    }
    found = {**image.FILE_HEADER.dump_dict(), **image.OPTIONAL_HEADER.dump_dict()}
    problems = [f"{field} is {found[field]['Value']:#x}, expected {want:#x}"
                for field, want in expected.items() if found[field]["Value"] != want]
    # A checksum that is set must hold: the link without a time stamp must not leave it stale.
    checksum, summed = image.OPTIONAL_HEADER.CheckSum, image.generate_checksum()
    if checksum not in (0, summed):
        problems.append(f"header checksum {checksum:#x}, the file sums to {summed:#x}")
    # Delay-loaded imports would escape the import check.
    if image.directory(DIRECTORY_DELAY_IMPORT) != (0, 0):
        problems.append("has a delay-load import table")
    return problems


def resources(p):
    every = resources_of(p.image)
    found = {(kind, name) for kind, name, _ in every}
    group = [entry for (kind, name, _), data in every.items()
             if (kind, name) == (RT_GROUP_ICON, ICON_GROUP_ID) for entry in group_icon_entries(data)]
    # A manifest or a version block that a toolchain adds by itself shows up here.
    expected = ({(RT_GROUP_ICON, ICON_GROUP_ID), (RT_DIALOG, DIALOG_ID)}
                | {(RT_ICON, entry["id"]) for entry in group})
    return ([f"unexpected resource type {kind} name {name}" for kind, name in sorted(found - expected, key=str)]
            + [f"missing resource type {kind} name {name}" for kind, name in sorted(expected - found, key=str)])


def build_machine(p):
    image = p.image
    problems = [f"names the build machine: {text!r}" for text in p.traces
                if text.encode() in image.data or text.encode("utf-16-le") in image.data]
    if image.FILE_HEADER.TimeDateStamp:
        problems.append(f"link time {image.FILE_HEADER.TimeDateStamp:#x} in the file header")
    if hasattr(image, "DIRECTORY_ENTRY_RESOURCE") and image.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp:
        problems.append("time stamp in the resource directory")
    # A debug directory carries a time and the path of a PDB.
    if image.directory(DIRECTORY_DEBUG) != (0, 0):
        problems.append("has a debug directory")
    return problems


RULES = [
    ("ASLR", flag(0x0040, "DYNAMIC_BASE")),
    ("ASLR", relocations),
    ("DEP", flag(0x0100, "NX_COMPAT")),
    ("no writable code", write_execute),
    # GNU ld writes no SafeSEH handler table, so the image must declare that it has no
    # handlers at all.
    ("SafeSEH", flag(0x0400, "NO_SEH", " (link with -Wl,--no-seh)")),
    ("SafeSEH", no_frame_writes),
    ("loads on XP SP3", header),
    ("resources", resources),
    ("build machine", build_machine),
]


def audit(program):
    return [f"{rule}: {problem}" for rule, check in RULES for problem in check(program)]


def describe(image):
    characteristics = image.OPTIONAL_HEADER.DllCharacteristics
    flags = [name for bit, name in DLL_FLAGS.items() if characteristics & bit]
    lines = [f"DllCharacteristics {characteristics:#06x} {' '.join(flags)}"]
    for name, value in image.section_flags():
        rwx = "".join(letter if value & bit else "-"
                      for bit, letter in ((SCN_READ, "r"), (SCN_WRITE, "w"), (SCN_EXECUTE, "x")))
        # Older binutils mark .rsrc writable: reported, since only write+execute is a fault.
        lines.append(f"  {name:8} {value:#010x} {rwx}")
    return lines


def build_traces(path):
    # The day of the link, as __DATE__ and ISO dates spell it.
    linked = datetime.date.fromtimestamp(os.path.getmtime(path))
    texts = [SOURCE, BUILD, os.path.expanduser("~"), getpass.getuser(), socket.gethostname(),
             linked.isoformat(), linked.strftime("%b %e %Y")]
    # Shorter texts turn up in any binary by chance.
    return sorted({t for t in texts if len(t) >= 4})


def load(path):
    listing = subprocess.run([OBJDUMP, "-d", "-M", "intel", "--no-show-raw-insn", path],
                             check=True, capture_output=True, text=True).stdout.splitlines()
    with open(path, "rb") as exe:
        return Program(exe.read(), listing, build_traces(path))


class Audit(unittest.TestCase):
    def test_programs(self):
        for name, why in NOT_CHECKED.items():
            print(f"not checked: {name}: {why}")
        for name, path in PROGRAMS.items():
            program = load(path)
            print(f"{name}: " + "\n".join(describe(program.image)))
            with self.subTest(program=name):
                self.assertEqual(audit(program), [])


def damaged(program, at, value, size=1, resum=True):
    """The program with one field changed; its checksum summed again unless told not to."""
    data = bytearray(program.image.data)
    data[at:at + size] = value.to_bytes(size, "little")
    if resum:
        image = Image(data)
        field = image.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum")
        data[field:field + 4] = image.generate_checksum().to_bytes(4, "little")
    return Program(data, program.disassembly, program.traces)


def directory_entry(program, index):
    """The file offset of the optional header's data directory entry index."""
    return program.image.OPTIONAL_HEADER.DATA_DIRECTORY[index].get_file_offset()


def resource_name_entry(program, kind):
    """The file offset of the first name under resource type kind: its ID names the resource."""
    kinds = [entry for entry in program.image.DIRECTORY_ENTRY_RESOURCE.entries if entry.id == kind]
    return kinds[0].directory.entries[0].struct.get_file_offset()


class RulesCatchFaults(unittest.TestCase):
    def test_each_rule_fails_on_its_fault(self):
        good = load(PROGRAMS["CalcSwitch"])
        opt = good.image.OPTIONAL_HEADER.get_file_offset()
        text = good.image.sections[0].get_file_offset()
        flags = good.image.OPTIONAL_HEADER.DllCharacteristics
        cases = [
            ("ASLR", damaged(good, opt + 70, flags & ~0x0040, 2)),
            ("ASLR", damaged(good, opt + 96 + 8 * DIRECTORY_BASERELOC + 4, 0, 4)),
            ("DEP", damaged(good, opt + 70, flags & ~0x0100, 2)),
            ("no writable code", damaged(good, text + 36, SCN_READ | SCN_WRITE | SCN_EXECUTE, 4)),
            ("SafeSEH", damaged(good, opt + 70, flags & ~0x0400, 2)),
            ("SafeSEH", Program(good.image.data, good.disassembly + ["  401234:\tmov    DWORD PTR fs:0x0,esp"], [])),
            ("SafeSEH", Program(good.image.data, [], [])),
            ("loads on XP SP3", damaged(good, opt + 42, 0)),
            ("loads on XP SP3", damaged(good, opt + 48, 6)),
            ("loads on XP SP3", damaged(good, opt + 50, 0)),
            ("loads on XP SP3", damaged(good, opt + 68, 3)),
            ("loads on XP SP3", damaged(good, opt - 20, 0x64)),
            ("loads on XP SP3", damaged(good, len(good.image.data) - 1, good.image.data[-1] ^ 1, resum=False)),
            ("loads on XP SP3", damaged(good, directory_entry(good, DIRECTORY_DELAY_IMPORT), 0x1000, 4),
             "delay-load"),
            ("resources", damaged(good, resource_name_entry(good, RT_DIALOG), DIALOG_ID + 1, 4),
             f"missing resource type {RT_DIALOG} name {DIALOG_ID}"),
            ("build machine", damaged(good, opt - 16, 0x5F000000, 4)),
            ("build machine", Program(good.image.data, good.disassembly, ["MZ"])),
            ("build machine", damaged(good, good.image.DIRECTORY_ENTRY_RESOURCE.struct.get_file_offset() + 4,
                                      0x5F000000, 4), "time stamp in the resource directory"),
            ("build machine", damaged(good, directory_entry(good, DIRECTORY_DEBUG), 0x1000, 4),
             "debug directory"),
        ]
        # Only the rule under test may add a failure to those of the real program, and
        # where the row names it, the failure its fault causes.
        broken = {problem.split(":")[0] for problem in audit(good)}
        for rule, program, *said in cases:
            with self.subTest(rule=rule, fault=said):
                self.assertEqual({p.split(":")[0] for p in audit(program)}, broken | {rule}, audit(program))
                self.assertTrue(all(any(text in p for p in audit(program)) for text in said), audit(program))

    def test_frame_slot_reads_are_not_writes(self):
        for line in ("  401000:\tpush   DWORD PTR fs:0x0", "  401000:\tmov    eax,DWORD PTR fs:0x0",
                     "  401000:\tmov    DWORD PTR fs:0x18,eax"):
            with self.subTest(line=line):
                self.assertIsNone(FRAME_SLOT_WRITE.match(line))


if __name__ == "__main__":
    OBJDUMP, SOURCE, BUILD = sys.argv[1:4]
    PROGRAMS = programs(sys.argv[4:])
    unittest.main(argv=sys.argv[:1], verbosity=2)
