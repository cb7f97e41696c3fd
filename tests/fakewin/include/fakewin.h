// Test control of the Win32 stand-in: a fresh world per test, fault injection,
// and records of what the code under test asked of the platform.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fakewin {

// Back to start: the four root keys with only HKEY_CURRENT_USER\Software below them,
// no files or drives, no classes, templates or windows, records and faults cleared,
// the module path back to C:\Program\Tool.exe, the error mode 0, the ANSI code page 932.
void Reset();

// The system's ANSI code page. Its lead bytes (IsDBCSLeadByte) also decide
// where the stand-in's paths split and which bytes of a name are letters: 932 has
// 0x81-0x9F and 0xE0-0xFC, 936, 949 and 950 have 0x81-0xFE, any other (1252) none.
void SetAnsiCodePage(UINT codePage);

// --- Calls --------------------------------------------------------------------

// Names of the API calls made since Reset(), in order ("RegOpenKeyExA", ...).
const std::vector<std::string> &CallLog();
// How often one API function was called since Reset().
long CallCount(const std::string &function);
// A benchmark can switch the ordered log off; the counts are always kept.
void KeepCallLog(bool keep);

// --- Registry -----------------------------------------------------------------
// Paths here start with the root name, with single separators: "HKEY_CURRENT_USER\\Software\\Game".

// Keys handed out by RegOpenKeyExA/RegCreateKeyExA and not yet closed.
int OpenKeyCount();
// RegCloseKey on a handle that is not open (closed twice, or never opened).
int BadKeyCloseCount();
// RegCloseKey on a predefined root: allowed, and counted so tests can see who does it.
int RootCloseCount();

enum class RegistryCall { kOpen, kCreate, kSetValue, kQueryInfo };
// Makes the call fail with `error` whenever it addresses the key at `keyPath`
// (compared without regard to case): open/create of that key, setting a value in it,
// or RegQueryInfoKeyA on it.
void FailRegistry(RegistryCall call, const std::string &keyPath, LONG error = ERROR_ACCESS_DENIED);

// The order RegEnumKeyExA lists subkeys in. kWindows and kWine sort the names' ANSI
// bytes with the ASCII letters folded, to upper case as Windows folds them or to lower
// case as Wine does, so [ \ ] ^ _ ` come after the letters in one and before them in
// the other. Windows and Wine sort the UTF-16 names, so these are their orders for
// ASCII names only. kCreation lists keys as they were created: a list in no order a
// search could rely on (as Windows lists volatile keys after the others). Existing
// keys are listed anew; Reset() goes back to kWindows.
enum class KeyOrder { kWindows, kWine, kCreation };
void SetKeyOrder(KeyOrder order);
// What GetCPInfo(CP_ACP) answers as MaxCharSize, apart from the code page: it is 2
// after Reset() and the code page's own after SetAnsiCodePage(); 1 with a double-byte
// code page means the test makes names of single-byte characters only; 0 fails the call.
void SetAnsiMaxCharSize(UINT size);

// Creates every missing key; className applies to the last key and only when it is created.
// False when the root name is unknown or a name is too long.
bool CreateKey(const std::string &keyPath, const char *className = nullptr);
bool KeyExists(const std::string &keyPath);
// Stores raw bytes with their type, creating the key as needed.
void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const void *data,
              DWORD size);
// REG_SZ with the terminating zero stored, as RegSetValueExA callers do.
void SetString(const std::string &keyPath, const std::string &name, const std::string &text);
void SetDword(const std::string &keyPath, const std::string &name, DWORD number);
// False when the key or the value does not exist; the value's name matches without regard to case.
bool GetValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data);
// -1 when the key does not exist.
int CountValues(const std::string &keyPath);
// One key (isValue false) or one value of the registry, as a snapshot holds it.
struct RegistryEntry {
    std::string keyPath;  // from the root name, names as stored, joined by "\\"
    std::string className;
    bool isValue;
    std::string valueName;
    DWORD type;
    std::string data;
    bool operator==(const RegistryEntry &other) const;
    bool operator<(const RegistryEntry &other) const;
};
// Every key and value, keys in listing order. Two snapshots are equal exactly when
// nothing was created, removed or changed.
std::vector<RegistryEntry> SnapshotRegistry();
int CountSubkeys(const std::string &keyPath);

// --- Files --------------------------------------------------------------------
// Full Windows paths ("C:\\dir\\name"); double-byte names are split only at real separators.

// Creates the drive if needed; the parent folder must exist. False otherwise.
bool MakeFolder(const std::string &path);
bool MakeFile(const std::string &path, const std::string &contents);
bool RemoveFile(const std::string &path);
bool FileExists(const std::string &path);

// FindFirstFileA handles not yet closed, and FindClose calls on a handle not open.
int OpenFindCount();
int BadFindCloseCount();

struct FindCall {
    std::string pattern;
    UINT errorMode;  // the process error mode while the search ran
};
const std::vector<FindCall> &FindCalls();
// The error mode now in force.
UINT CurrentErrorMode();

// What GetModuleFileNameA(NULL or the program's instance) answers.
void SetModulePath(const std::string &path);
// Makes GetModuleFileNameA fail (result 0) until Reset(). The buffer is filled as on
// success all the same: what a failed call leaves there is not defined, and code
// that ignores the result must not get away with it.
void FailModuleFileName();
// The handle the stand-in treats as the program's own module.
HINSTANCE ProgramInstance();

// --- Windows: a recorder ------------------------------------------------------
// The window calls do nothing but answer what the test set and record what they were
// asked: no window procedure is ever called. Real windows are tested under Wine.

struct WindowCall {
    std::string function;
    HWND window;     // the window, control or owner named
    ULONG_PTR what;  // message, show command, class index, resource or template id, style
    WPARAM wParam;   // also the instance of a load or dialog, the value SetClassLongPtrA sets
    LPARAM lParam;
    std::string text;   // a class name, or a message box's text
    std::string title;  // a message box's title
};
// Every window call since Reset(), in order.
const std::vector<WindowCall> &WindowCalls();

struct QueuedMessage {
    BOOL result;  // what GetMessageA returns; -1 leaves the caller's MSG as it was
    MSG message;
    BOOL forDialog;  // what IsDialogMessageA then answers for it
};
// What the window calls answer; Reset() brings these defaults back.
struct WindowAnswers {
    HWND running = nullptr;  // FindWindowA
    ATOM atom = 0xC000;      // RegisterClassA; 0 refuses
    HWND dialog = reinterpret_cast<HWND>(0x10000);  // CreateDialogParamA; null refuses
    // GetMessageA's answers in turn; once they run out, 0 with WM_QUIT and the code
    // of the last PostQuitMessage.
    std::vector<QueuedMessage> messages;
};
WindowAnswers &Answers();
// What GetDlgItem answers for a control of a dialog.
HWND ControlOf(HWND dialog, int id);
// The class that RegisterClassA was last given, its name copied; empty before that.
const WNDCLASSA &RegisteredClass();

}  // namespace fakewin
