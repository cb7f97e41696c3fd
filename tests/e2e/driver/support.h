// What the end-to-end driver does around the real tool programs: game installations
// on disk and in the registry, starting a tool and finding its windows, and
// snapshots of HKCU\Software and of folders to prove what a run changed.
#pragma once

#include <windows.h>

#include "real_world.h"

#include <map>
#include <string>
#include <vector>

namespace e2e {

// --- Files -------------------------------------------------------------------------

using ::WriteFileBytes;
bool MakeFolder(const std::string &path);  // creates missing parents too
using ::RemoveTree;

// Relative path → contents of every file (folders map to "<dir>"), recursively.
typedef std::map<std::string, std::string> FolderSnapshot;
FolderSnapshot SnapshotFolder(const std::string &root);

// --- Registry (always below HKEY_CURRENT_USER) -------------------------------------

void DeleteKeyTree(const std::string &path);
bool DeleteRegValue(const std::string &keyPath, const std::string &name);

// "Software\Key\Sub" → "<key>"; "Software\Key\Sub|Name" → type byte + the data as
// stored (texts in UTF-16). Names are CP932.
typedef std::map<std::string, std::string> RegistrySnapshot;
RegistrySnapshot SnapshotSoftware();
std::string RegEntryName(const std::string &keyPath, const std::string &valueName);
std::string RegStringEntry(const std::string &text);  // REG_SZ with its terminator, as tools store it

// Human-readable differences, at most `limit` lines; empty when equal.
std::string DiffSnapshots(const std::map<std::string, std::string> &expected,
                          const std::map<std::string, std::string> &actual, int limit = 6);

// --- Processes and windows ---------------------------------------------------------

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

// Starts `exe` with `workDir` as current folder; showCommand < 0 leaves STARTUPINFO's
// show flag unset, as Explorer does for a double click.
bool StartProgram(const std::string &exe, const std::string &workDir, int showCommand, Process *out);
// Starts `exe` as "NAME=VALUE wine exe" does: Wine gives a program the Unix environment
// of the one that starts it whatever the block says, but hands the block to a Unix
// program, its loader. Returns once a window of the class (none before) shows up.
bool StartThroughWine(const std::string &exe, const std::string &workDir, const std::string &assignment,
                      const char *className, Process *out);
// True and the exit code when the process ended within the time.
bool WaitExit(Process &process, DWORD timeoutMs, DWORD *exitCode);
void KillAndClose(Process &process);
void CloseProcess(Process &process);

// A top-level window of the class that belongs to the process (hidden ones too).
HWND FindProcessWindow(const char *className, DWORD processId);
// All top-level windows of the class, of any process.
std::vector<HWND> FindAllWindows(const char *className);

// Waits until the process shows its tool window (visible, or merely created when
// `requireVisible` is false) or a message box; whichever comes first is returned.
struct Appearance {
    HWND window = nullptr;
    HWND box = nullptr;
    bool exited = false;
};
Appearance WaitForWindowOrBox(Process &process, const char *className, bool requireVisible,
                              DWORD timeoutMs);

// Waits until the window's thread has handled everything that was sent before.
bool Sync(HWND window);
bool SendTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result = nullptr);

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// How many characters of the text the font that the system draws captions with has no
// glyph for (they show as boxes); -1 when the font cannot be asked.
int CaptionGlyphsMissing(const std::string &cp932);

struct MessageBoxContents {
    std::string title;
    std::string text;  // the box's static text
    std::vector<std::string> buttons;
    HWND owner = nullptr;
};
MessageBoxContents ReadMessageBox(HWND box);

// Texts stay CP932 inside the driver; only the report lines become UTF-8.
std::string Utf8(const std::string &cp932);
std::string Quote(const std::string &cp932);

}  // namespace e2e
