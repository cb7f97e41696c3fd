"""Holds each built program to what Windows XP SP3 can load.

Usage: imports_test.py CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>

XP's loader fails the start with a missing-entry-point box when an imported
function is newer than XP (audit_test.py holds the header to XP). The allow-list
below names only functions that XP SP3's system DLLs export. Each program must also
import exactly IMPORTED: a function taken out on purpose (an unbounded format, a
parse without error checks) cannot come back unnoticed, and a new import is added
to both lists deliberately, after checking that XP has it.
"""
import sys
import unittest

import pe_resources as pe
from programs import programs

ALLOWED = {
    "kernel32.dll": {
        "ExitProcess", "GetModuleHandleA", "GetStartupInfoA",
        "GetModuleFileNameA", "FindFirstFileA", "FindClose", "SetErrorMode",
        "GetPrivateProfileStringA", "lstrlenA", "IsDBCSLeadByte", "GetCPInfo",
    },
    "user32.dll": {
        "RegisterClassA", "CreateDialogParamA", "LoadIconA", "LoadCursorA", "SetClassLongA",
        "ShowWindow", "UpdateWindow", "GetMessageA", "IsDialogMessageA", "TranslateMessage",
        "DispatchMessageA", "FindWindowA", "SetForegroundWindow", "MessageBoxA", "wsprintfA",
        "GetDlgItem", "SendMessageA", "CheckDlgButton", "CheckRadioButton", "IsDlgButtonChecked",
        "PostMessageA", "PostQuitMessage", "DefWindowProcA", "DefDlgProcA",
    },
    "advapi32.dll": {
        "RegOpenKeyExA", "RegCreateKeyExA", "RegEnumKeyExA", "RegEnumValueA",
        "RegQueryInfoKeyA", "RegQueryValueExA", "RegSetValueExA", "RegCloseKey",
    },
    # XP's msvcrt.dll is the old C runtime: none of the "_s" functions of later runtimes.
    "msvcrt.dll": {
        "atoi", "memchr", "memcmp", "memcpy", "memmove", "memset",
        "strchr", "strcmp", "strlen", "strncmp", "strrchr",
    },
}

# What every tool imports today. The tools share all their code, so they share this
# list; a tool that needs another function shows up here as a failure to decide on.
IMPORTED = {
    "kernel32.dll": {
        "ExitProcess", "GetModuleHandleA", "GetStartupInfoA", "GetModuleFileNameA",
        "FindFirstFileA", "FindClose", "SetErrorMode", "GetPrivateProfileStringA",
        "lstrlenA", "IsDBCSLeadByte", "GetCPInfo",
    },
    "user32.dll": {
        "RegisterClassA", "CreateDialogParamA", "LoadIconA", "LoadCursorA", "SetClassLongA",
        "ShowWindow", "UpdateWindow", "GetMessageA", "IsDialogMessageA", "TranslateMessage",
        "DispatchMessageA", "FindWindowA", "SetForegroundWindow", "MessageBoxA",
        "GetDlgItem", "SendMessageA", "PostMessageA", "PostQuitMessage", "DefWindowProcA", "DefDlgProcA",
    },
    "advapi32.dll": {
        "RegOpenKeyExA", "RegCreateKeyExA", "RegEnumKeyExA", "RegEnumValueA",
        "RegQueryInfoKeyA", "RegSetValueExA", "RegCloseKey",
    },
    "msvcrt.dll": {"memchr", "strcmp"},
}


def import_problems(imports):
    problems = []
    for dll, function in imports:
        allowed = ALLOWED.get(dll.lower())
        if allowed is None:
            problems.append(f"{dll}: not one of the allowed DLLs")
        elif isinstance(function, int):
            # Ordinals differ between Windows versions; only names are stable.
            problems.append(f"{dll}: import by ordinal {function}")
        elif function not in allowed:
            problems.append(f"{dll}: {function} is not on the allow-list")
    return problems


def import_changes(imports, expected=IMPORTED):
    """What a program imports beyond the expected list, and what it no longer imports."""
    have = {(dll.lower(), function) for dll, function in imports}
    want = {(dll, function) for dll, functions in expected.items() for function in functions}
    return ([f"added {dll}!{function}" for dll, function in sorted(have - want, key=str)] +
            [f"removed {dll}!{function}" for dll, function in sorted(want - have, key=str)])


def load(path):
    with open(path, "rb") as exe:
        return pe.Image(exe.read())


class ProgramsLoadOnXp(unittest.TestCase):
    def test_imports(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                imports = load(path).imports()
                self.assertTrue(any(f == "ExitProcess" for _, f in imports), imports)
                self.assertEqual(import_problems(imports), [])
                self.assertEqual(import_changes(imports), [],
                                 "the imports changed: if on purpose, update IMPORTED")


class ChecksCatchFaults(unittest.TestCase):
    def test_refused_imports(self):
        cases = [
            ("kernel32.dll", "GetTickCount64"),     # Vista and later
            ("msvcrt.dll", "strcpy_s"),             # later runtimes only
            ("KERNEL32.dll", 1),                    # by ordinal
            ("msvcrt.dll", 58),                     # by ordinal, allowed DLL
            ("libwinpthread-1.dll", "pthread_mutex_lock"),  # not a system DLL
            ("msvcr90.dll", "atoi"),                # allowed name, other DLL
            ("user32.dll", "MessageBoxW"),          # the tools use the A functions only
        ]
        for dll, function in cases:
            with self.subTest(dll=dll, function=function):
                self.assertEqual(len(import_problems([(dll, function)])), 1)

    def test_changed_imports(self):
        today = [(dll, f) for dll, functions in IMPORTED.items() for f in functions]
        self.assertEqual(import_changes(today), [])
        # An allowed function is still a change; so is a dropped one.
        self.assertEqual(import_changes(today + [("MSVCRT.dll", "atoi")]), ["added msvcrt.dll!atoi"])
        self.assertEqual(import_changes([i for i in today if i[1] != "strcmp"]),
                         ["removed msvcrt.dll!strcmp"])

    def test_dll_names_in_any_case(self):
        self.assertEqual(import_problems([("KERNEL32.DLL", "ExitProcess"),
                                          ("User32.dll", "MessageBoxA")]), [])

    def test_ordinal_import_in_a_real_table(self):
        image = load(PROGRAMS["CalcSwitch"])
        descriptor = image.offset(image.directory(pe.DIRECTORY_IMPORT)[0])
        # Both the lookup table and the address table of the first DLL: the reader
        # falls back on the second when the first is absent.
        damaged = bytearray(image.data)
        for table in image.reader.unpack("IIIII", descriptor)[0::4]:
            at = image.offset(table)
            damaged[at:at + 4] = (pe.ORDINAL_FLAG32 | 7).to_bytes(4, "little")
        problems = import_problems(pe.Image(damaged).imports())
        self.assertEqual(len(problems), 1)
        self.assertIn("ordinal 7", problems[0])


if __name__ == "__main__":
    PROGRAMS = programs(sys.argv[1:])
    unittest.main(argv=sys.argv[:1], verbosity=2)
