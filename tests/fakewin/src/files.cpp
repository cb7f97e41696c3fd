// An in-memory file system by Windows' path rules (drive letters, "\" outside double-byte
// characters, names without case, NTFS order), its search, the error mode, the module path.
#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {
namespace {

// Keyed by its path with the letters folded ("C:\\KZTEST\\B.TXT", a drive's root "C:"),
// so that one folder's entries follow one another as NTFS lists them.
struct Entry {
    std::string name, folder;  // as created; the key of the folder holding it
    bool directory = false;
    std::string contents;
};

const ULONG_PTR kProgramInstance = 0x400000;  // the classic default image base
const ULONG_PTR kFirstFindHandle = 0x1000;

struct State {
    std::map<std::string, Entry> entries;
    std::string modulePath = "C:\\Program\\Tool.exe";
    bool failModuleFileName = false;
    UINT errorMode = 0;
    std::vector<FindCall> findCalls;
    std::set<ULONG_PTR> openFinds;
    ULONG_PTR nextFindHandle = kFirstFindHandle;
    int badFindCloses = 0;
};
State fs;

bool HasWildcard(const std::string &name) { return name.find_first_of("*?") != std::string::npos; }

struct ParsedPath {
    std::vector<std::string> keys;  // the drive's root and then each folder's and entry's key
    std::string name;               // the last component; empty for a drive's root
    bool trailingSeparator = false;
};

// Absolute drive paths only ("C:name" counts from the root); runs of separators collapse.
// ".", ".." and trailing dots are left to Wine: the tools join fixed names to their folder.
bool ParsePath(const std::string &path, ParsedPath *parsed)
{
    if (path.size() < 2 || path[1] != ':' || !isalpha(static_cast<unsigned char>(path[0]))) return false;
    std::vector<std::string> parts = internal::SplitPath(path.substr(2), true);
    parsed->trailingSeparator = path.size() == 2 || parts.back().empty();
    parsed->keys.assign(1, std::string(1, static_cast<char>(toupper(static_cast<unsigned char>(path[0])))) + ":");
    parsed->name.clear();
    for (const std::string &part : parts) {
        if (part.empty()) continue;
        parsed->keys.push_back(parsed->keys.back() + "\\" + internal::Folded(part));
        parsed->name = part;
    }
    return true;
}

Entry *Lookup(const std::string &key)
{
    auto found = fs.entries.find(key);
    return found == fs.entries.end() ? nullptr : &found->second;
}

// A new entry needs its folder, the drive's root made on the way; an existing one of
// the same kind is returned as it is.
Entry *AddEntry(const std::string &path, bool directory)
{
    ParsedPath parsed;
    if (!ParsePath(path, &parsed) || HasWildcard(parsed.name)) return nullptr;
    const std::string &root = parsed.keys.front();
    if (Lookup(root) == nullptr)
        fs.entries[root] = Entry{"", "", true, ""};
    if (parsed.keys.size() == 1) return directory ? Lookup(root) : nullptr;
    Entry *folder = Lookup(parsed.keys[parsed.keys.size() - 2]);
    if (folder == nullptr || !folder->directory) return nullptr;
    if (Entry *existing = Lookup(parsed.keys.back())) return existing->directory == directory ? existing : nullptr;
    return &(fs.entries[parsed.keys.back()] = Entry{parsed.name, parsed.keys[parsed.keys.size() - 2], directory, ""});
}

// "*" any run of bytes, "?" one byte, letters without case: the shared tests' patterns;
// the platform's further rules are left to Wine. Going back only to the last "*" keeps
// a match within pattern x name steps (fuzzing found many "*" that took minutes).
bool Matches(const char *pattern, const char *name)
{
    const char *star = nullptr, *resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = ++pattern;
            resume = name;
        } else if (*pattern != '\0' && (*pattern == '?' || toupper(static_cast<unsigned char>(*pattern)) ==
                                                              toupper(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

namespace internal {

void ResetFiles() { fs = State(); }

bool ReadFileText(const std::string &path, std::string *contents)
{
    ParsedPath parsed;
    Entry *entry = ParsePath(path, &parsed) ? Lookup(parsed.keys.back()) : nullptr;
    if (entry == nullptr || entry->directory) return false;
    *contents = entry->contents;
    return true;
}

}  // namespace internal

bool MakeFolder(const std::string &path) { return AddEntry(path, true) != nullptr; }

bool MakeFile(const std::string &path, const std::string &contents)
{
    Entry *entry = AddEntry(path, false);
    if (entry == nullptr) return false;
    entry->contents = contents;
    return true;
}

// A folder goes with everything in it.
bool RemoveFile(const std::string &path)
{
    ParsedPath parsed;
    if (!ParsePath(path, &parsed) || parsed.keys.size() == 1 || fs.entries.erase(parsed.keys.back()) == 0)
        return false;
    const std::string inside = parsed.keys.back() + "\\";
    for (auto it = fs.entries.lower_bound(inside); it != fs.entries.end() && it->first.rfind(inside, 0) == 0;)
        it = fs.entries.erase(it);
    return true;
}

bool FileExists(const std::string &path)
{
    ParsedPath parsed;
    return ParsePath(path, &parsed) && parsed.keys.size() > 1 && Lookup(parsed.keys.back()) != nullptr;
}

int OpenFindCount() { return static_cast<int>(fs.openFinds.size()); }

int BadFindCloseCount() { return fs.badFindCloses; }

const std::vector<FindCall> &FindCalls() { return fs.findCalls; }

UINT CurrentErrorMode() { return fs.errorMode; }

void SetModulePath(const std::string &path) { fs.modulePath = path; }

void FailModuleFileName() { fs.failModuleFileName = true; }

HINSTANCE ProgramInstance() { return reinterpret_cast<HINSTANCE>(kProgramInstance); }

}  // namespace fakewin

using namespace fakewin;

UINT WINAPI SetErrorMode(UINT mode)
{
    internal::LogCall("SetErrorMode");
    UINT previous = fs.errorMode;
    fs.errorMode = mode;
    return previous;
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found)
{
    internal::LogCall("FindFirstFileA");
    if (pattern == nullptr || found == nullptr) return INVALID_HANDLE_VALUE;
    fs.findCalls.push_back({pattern, fs.errorMode});
    ParsedPath parsed;
    // The ANSI calls convert the path into a MAX_PATH buffer first. A folder path with
    // a trailing separator, or a drive's root, has no entry to report.
    if (internal::CharCount(pattern) >= MAX_PATH || !ParsePath(pattern, &parsed) ||
        parsed.trailingSeparator || parsed.keys.size() == 1)
        return INVALID_HANDLE_VALUE;
    const Entry *match = nullptr;
    if (!HasWildcard(parsed.name)) {
        match = Lookup(parsed.keys.back());
    } else {
        // The folder's entries, in listing order, among the keys after its own.
        const std::string &folder = parsed.keys[parsed.keys.size() - 2];
        for (auto it = fs.entries.upper_bound(folder); match == nullptr && it != fs.entries.end(); ++it) {
            if (it->second.folder == folder && Matches(parsed.name.c_str(), it->second.name.c_str()))
                match = &it->second;
        }
    }
    if (match == nullptr) return INVALID_HANDLE_VALUE;
    memset(found, 0, sizeof *found);
    found->dwFileAttributes = match->directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    memcpy(found->cFileName, match->name.c_str(), std::min(match->name.size(), sizeof found->cFileName - 1));
    ULONG_PTR handle = fs.nextFindHandle;
    fs.nextFindHandle += 4;
    fs.openFinds.insert(handle);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI FindClose(HANDLE search)
{
    internal::LogCall("FindClose");
    if (fs.openFinds.erase(reinterpret_cast<ULONG_PTR>(search)) == 0) {
        ++fs.badFindCloses;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    internal::LogCall("GetModuleFileNameA");
    if ((module != nullptr && module != ProgramInstance()) || size == 0 || fileName == nullptr) return 0;
    DWORD length = static_cast<DWORD>(fs.modulePath.size());
    if (length < size) {
        memcpy(fileName, fs.modulePath.c_str(), length + 1);
        return fs.failModuleFileName ? 0 : length;
    }
    // Cut to the buffer: the result is the buffer size, the text size - 1 characters
    // and a terminator (Vista and later; XP left the text unterminated).
    memcpy(fileName, fs.modulePath.c_str(), size - 1);
    fileName[size - 1] = '\0';
    return size;
}
