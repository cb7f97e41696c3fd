"""Holds each built program to what Windows XP SP3 can load.

Usage: imports_test.py CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>

XP's loader fails the start with a missing-entry-point box when an imported
function is newer than XP (audit_test.py holds the header to XP). Each program must
import exactly IMPORTED, by name, and IMPORTED names only functions that XP SP3's
system DLLs export: a new import is added here deliberately, after checking that XP
has it, and a function taken out on purpose (an unbounded format, a parse without
error checks) cannot come back unnoticed.
"""
import sys
import unittest

from programs import load, programs

# The tools share all their code, so they share this list.
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
    # XP's msvcrt.dll is the old C runtime: none of the "_s" functions of later runtimes.
    "msvcrt.dll": {"memchr", "strcmp"},
}


def imports_of(image):
    """[(dll, function name or ordinal number)] in table order, as pefile reads them."""
    return [(entry.dll.decode("ascii"), imp.name.decode("ascii") if imp.name else imp.ordinal)
            for entry in getattr(image, "DIRECTORY_ENTRY_IMPORT", []) for imp in entry.imports]


def import_changes(imports, expected=IMPORTED):
    """What a program imports beyond the expected list, and what it no longer imports."""
    # Ordinals differ between Windows versions; only names are stable.
    by_ordinal = [f"{dll}: import by ordinal {function}" for dll, function in imports if isinstance(function, int)]
    have = {(dll.lower(), function) for dll, function in imports if not isinstance(function, int)}
    want = {(dll, function) for dll, functions in expected.items() for function in functions}
    return by_ordinal + ([f"added {dll}!{function}" for dll, function in sorted(have - want)] +
                         [f"removed {dll}!{function}" for dll, function in sorted(want - have)])


class ProgramsLoadOnXp(unittest.TestCase):
    def test_imports(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                self.assertEqual(import_changes(imports_of(load(path))), [],
                                 "the imports changed: if on purpose, and XP SP3 has them, update IMPORTED")


class ChecksCatchFaults(unittest.TestCase):
    def test_changed_imports(self):
        today = [(dll, f) for dll, functions in IMPORTED.items() for f in functions]
        self.assertEqual(import_changes(today), [])
        cases = [
            ("kernel32.dll", "GetTickCount64", "added kernel32.dll!GetTickCount64"),   # Vista and later
            ("msvcrt.dll", "strcpy_s", "added msvcrt.dll!strcpy_s"),                   # later runtimes only
            ("KERNEL32.dll", 1, "KERNEL32.dll: import by ordinal 1"),
            ("libwinpthread-1.dll", "pthread_mutex_lock", "added libwinpthread-1.dll!pthread_mutex_lock"),
            ("msvcr90.dll", "strcmp", "added msvcr90.dll!strcmp"),                     # same name, other DLL
            ("user32.dll", "MessageBoxW", "added user32.dll!MessageBoxW"),             # the A functions only
            ("MSVCRT.dll", "atoi", "added msvcrt.dll!atoi"),                           # XP has it; still a change
        ]
        for dll, function, change in cases:
            with self.subTest(dll=dll, function=function):
                self.assertEqual(import_changes(today + [(dll, function)]), [change])
        self.assertEqual(import_changes([i for i in today if i[1] != "strcmp"]), ["removed msvcrt.dll!strcmp"])
        # DLL names in any case.
        self.assertEqual(import_changes([(dll.upper(), f) for dll, f in today]), [])


if __name__ == "__main__":
    PROGRAMS = programs(sys.argv[1:])
    unittest.main(argv=sys.argv[:1], verbosity=2)
