// Test control of the Win32 stand-in: a fresh world per test, fault injection,
// and records of what the code under test asked of the platform.
#pragma once

#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

namespace fakewin {

// Back to start: the four roots with only HKEY_CURRENT_USER\Software (and HKLM's) below
// them, no files, records, answers and faults cleared, the module path
// C:\Program\Tool.exe, the error mode 0, the ANSI code page 932.
void Reset();

// The ANSI code page, whose lead bytes (932: 81-9F, E0-FC; 936, 949, 950: 81-FE; any
// other none) also decide where the stand-in's paths split and which bytes are letters.
void SetAnsiCodePage(UINT codePage);

// Names of the API calls made since Reset(), in order ("RegOpenKeyExA", ...).
const std::vector<std::string> &CallLog();
// How often one API function was called since Reset().
long CallCount(const std::string &function);
// The ordered log can be switched off (for speed); the counts are always kept.
void KeepCallLog(bool keep);

// --- Registry: paths from the root name, "HKEY_CURRENT_USER\\Software\\Game" -----------

// Keys opened and not yet closed; RegCloseKey on a handle not open; on a root (allowed).
int OpenKeyCount();
int BadKeyCloseCount();
int RootCloseCount();

enum class RegistryCall { kOpen, kCreate, kSetValue, kQueryInfo };
// Makes the call fail with `error` whenever it addresses the key at `keyPath` (without
// regard to case): its open or create, a value set in it, or RegQueryInfoKeyA on it.
void FailRegistry(RegistryCall call, const std::string &keyPath, LONG error = ERROR_ACCESS_DENIED);

// The order RegEnumKeyExA lists subkeys in: the ANSI bytes with the ASCII letters
// folded to upper case (Windows) or lower case (Wine), which puts [ \ ] ^ _ ` on either
// side of the letters (their orders for ASCII names); or as created, an order no search
// may rely on (as Windows lists volatile keys). Existing keys are listed anew.
enum class KeyOrder { kWindows, kWine, kCreation };
void SetKeyOrder(KeyOrder order);
// GetCPInfo(CP_ACP)'s MaxCharSize apart from the code page (set anew by SetAnsiCodePage);
// 1 with a double-byte code page: names of single-byte characters only; 0 fails the call.
void SetAnsiMaxCharSize(UINT size);

// Creates every missing key, className the last one's if it is created; false for an
// unknown root or a name too long.
bool CreateKey(const std::string &keyPath, const char *className = nullptr);
bool KeyExists(const std::string &keyPath);
// Stores raw bytes with their type, creating the key as needed.
void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const void *data, DWORD size);
// REG_SZ with the terminating zero stored, as RegSetValueExA callers do.
void SetString(const std::string &keyPath, const std::string &name, const std::string &text);
// False when the key or the value does not exist; value names match without regard to case.
bool GetValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data);
// -1 when the key does not exist.
int CountValues(const std::string &keyPath);
int CountSubkeys(const std::string &keyPath);
// One key (isValue false) or one value of the registry, as a snapshot holds it.
struct RegistryEntry {
    std::string keyPath;  // from the root name, names as stored, joined by "\\"
    std::string className;
    bool isValue;
    std::string valueName;
    DWORD type;
    std::string data;
    auto Tied() const { return std::tie(keyPath, isValue, valueName, className, type, data); }
    bool operator==(const RegistryEntry &other) const { return Tied() == other.Tied(); }
    bool operator<(const RegistryEntry &other) const { return Tied() < other.Tied(); }
};
// Every key and value, keys in listing order. Two snapshots are equal exactly when
// nothing was created, removed or changed.
std::vector<RegistryEntry> SnapshotRegistry();

// --- Files: full paths, "C:\\dir\\name", split only at real separators -----------------

// Creates the drive if needed; false unless the parent folder exists.
bool MakeFolder(const std::string &path);
bool MakeFile(const std::string &path, const std::string &contents);
bool RemoveFile(const std::string &path);
bool FileExists(const std::string &path);

// FindFirstFileA handles not yet closed; FindClose calls on a handle not open.
int OpenFindCount();
int BadFindCloseCount();

struct FindCall {
    std::string pattern;
    UINT errorMode;  // the process error mode while the search ran
};
const std::vector<FindCall> &FindCalls();
UINT CurrentErrorMode();

// What GetModuleFileNameA(NULL or the program's instance) answers.
void SetModulePath(const std::string &path);
// Makes GetModuleFileNameA answer 0 until Reset(), its buffer filled all the same: what
// a failed call leaves there is not defined, and code that ignores the result must fail.
void FailModuleFileName();
HINSTANCE ProgramInstance();  // the program's own module

// --- Windows: a recorder. The calls answer what the test set and record what they were
// asked; no window procedure is ever called. Real windows are tested under Wine.

struct WindowCall {
    std::string function;
    HWND window;     // the window, control or owner named
    ULONG_PTR what;  // message, show command, class index, resource or template id, style
    WPARAM wParam;   // also the instance of a load or dialog, the value SetClassLongPtrA sets
    LPARAM lParam;
    std::string text, title;  // a class name, or a message box's text and title
};
const std::vector<WindowCall> &WindowCalls();  // since Reset(), in order

// What GetMessageA returns (-1 leaves the caller's MSG as it was), and what
// IsDialogMessageA then answers for it.
struct QueuedMessage {
    BOOL result;
    MSG message;
    BOOL forDialog;
};
// What the window calls answer; Reset() brings these defaults back.
struct WindowAnswers {
    HWND running = nullptr;  // FindWindowA
    ATOM atom = 0xC000;      // RegisterClassA; 0 refuses
    HWND dialog = reinterpret_cast<HWND>(0x10000);  // CreateDialogParamA; null refuses
    // GetMessageA's in turn; then 0 with WM_QUIT and the last PostQuitMessage's code.
    std::vector<QueuedMessage> messages;
};
WindowAnswers &Answers();
HWND ControlOf(HWND dialog, int id);  // what GetDlgItem answers
// The class that RegisterClassA was last given, its name copied; empty before that.
const WNDCLASSA &RegisteredClass();

}  // namespace fakewin
