// An in-memory file system with Windows path rules (drive letters, "\" outside
// double-byte characters, names matched without regard to case, listings in NTFS
// order), the directory search, the error mode and the program's own path.
#include <ctype.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string.h>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

using internal::SameName;

namespace {

struct Node {
    std::string name;
    bool directory = false;
    std::string contents;
    std::vector<std::unique_ptr<Node>> children;  // in name order, as NTFS lists them
};

// Where the stand-in's program image "is loaded", as the classic default base.
const ULONG_PTR kProgramInstance = 0x400000;
const ULONG_PTR kFirstFindHandle = 0x1000;

std::map<char, std::unique_ptr<Node>> drives;
std::string modulePath;
bool failModuleFileName;
UINT errorMode;
std::vector<FindCall> findCalls;
std::map<ULONG_PTR, bool> openFinds;
ULONG_PTR nextFindHandle;
int badFindCloses;

bool HasWildcard(const std::string &name)
{
    return name.find_first_of("*?") != std::string::npos;
}

struct ParsedPath {
    char drive = 0;
    std::vector<std::string> components;  // "." and ".." resolved
    bool trailingSeparator = false;
};

// Only absolute drive paths exist here ("C:\dir\name"; "C:name" counts from the root,
// the stand-in's only current folder). Names are resolved as the platform's path
// normalisation does: "." dropped, ".." goes up but not above the root, runs of
// separators collapse, and trailing dots and blanks of the last name are removed.
bool ParsePath(const std::string &path, ParsedPath *parsed)
{
    if (path.size() < 2 || path[1] != ':' || !isalpha(static_cast<unsigned char>(path[0])))
        return false;
    parsed->drive = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
    std::vector<std::string> parts = internal::SplitPath(path.substr(2), true);
    parsed->trailingSeparator = path.size() == 2 || parts.back().empty();
    parsed->components.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (i + 1 == parts.size() && part != "." && part != "..") {
            size_t end = part.find_last_not_of(". ");
            part = end == std::string::npos ? std::string() : part.substr(0, end + 1);
        }
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parsed->components.empty())
                parsed->components.pop_back();
            continue;
        }
        parsed->components.push_back(part);
    }
    return true;
}

Node *Child(Node *dir, const std::string &name)
{
    for (auto &child : dir->children) {
        if (SameName(child->name, name))
            return child.get();
    }
    return nullptr;
}

Node *DriveRoot(char drive, bool create)
{
    auto found = drives.find(drive);
    if (found != drives.end())
        return found->second.get();
    if (!create)
        return nullptr;
    auto root = std::make_unique<Node>();
    root->directory = true;
    Node *added = root.get();
    drives[drive] = std::move(root);
    return added;
}

// The folder holding the last component, or null when a folder on the way is missing.
Node *ParentOf(const ParsedPath &parsed, bool createDrive)
{
    Node *dir = DriveRoot(parsed.drive, createDrive);
    for (size_t i = 0; dir != nullptr && i + 1 < parsed.components.size(); ++i) {
        dir = Child(dir, parsed.components[i]);
        if (dir != nullptr && !dir->directory)
            dir = nullptr;
    }
    return dir;
}

Node *Lookup(const std::string &path)
{
    ParsedPath parsed;
    if (!ParsePath(path, &parsed) || parsed.components.empty())
        return nullptr;
    Node *dir = ParentOf(parsed, false);
    return dir ? Child(dir, parsed.components.back()) : nullptr;
}

Node *AddNode(const std::string &path, bool directory)
{
    ParsedPath parsed;
    if (!ParsePath(path, &parsed) || parsed.components.empty() ||
        HasWildcard(parsed.components.back()))
        return nullptr;
    Node *dir = ParentOf(parsed, parsed.components.size() == 1);
    if (dir == nullptr)
        return nullptr;
    if (Node *existing = Child(dir, parsed.components.back()))
        return existing->directory == directory ? existing : nullptr;
    auto node = std::make_unique<Node>();
    node->name = parsed.components.back();
    node->directory = directory;
    Node *added = node.get();
    auto place = dir->children.begin();
    while (place != dir->children.end() && internal::CompareNames((*place)->name, node->name) < 0)
        ++place;
    dir->children.insert(place, std::move(node));
    return added;
}

// Where a match of one name stands: positions in the pattern and the name that are
// known not to match, so that runs of "*" cost at most pattern x name steps instead
// of trying every split again (fuzzing found a pattern that took minutes).
struct MatchState {
    const char *pattern;
    const char *name;
    size_t nameLength;
    std::vector<bool> failed;
};

// The platform's wildcard match of one name: "*" any run of characters, "?" one
// character or, at the end of the name, none; ".*" at the end also matches a name
// without an extension. Letters match without regard to case.
bool MatchFrom(MatchState &state, const char *pattern, const char *name)
{
    // Every step moves on in the pattern, so a position seen again failed before.
    const size_t at = static_cast<size_t>(pattern - state.pattern) * (state.nameLength + 1) +
                      static_cast<size_t>(name - state.name);
    if (state.failed[at])
        return false;
    bool matched;
    if (*pattern == '\0') {
        matched = *name == '\0';
    } else if (*pattern == '*') {
        matched = false;
        for (const char *rest = name; !matched; ++rest) {
            matched = MatchFrom(state, pattern + 1, rest);
            if (*rest == '\0')
                break;
        }
    } else if (*pattern == '.' && *name == '\0' && strcmp(pattern, ".*") == 0) {
        matched = true;
    } else if (*pattern == '?') {
        size_t width = *name == '\0' ? 0 : internal::IsLeadByte(static_cast<unsigned char>(*name)) && name[1] ? 2 : 1;
        matched = MatchFrom(state, pattern + 1, name + width);
    } else {
        size_t width = internal::IsLeadByte(static_cast<unsigned char>(*pattern)) && pattern[1] ? 2 : 1;
        matched = SameName(std::string(pattern, width), std::string(name, strnlen(name, width))) &&
                  MatchFrom(state, pattern + width, name + width);
    }
    if (!matched)
        state.failed[at] = true;
    return matched;
}

bool Matches(const char *pattern, const char *name)
{
    MatchState state = {pattern, name, strlen(name), {}};
    state.failed.assign((strlen(pattern) + 1) * (state.nameLength + 1), false);
    return MatchFrom(state, pattern, name);
}

void Fill(WIN32_FIND_DATAA *found, const std::string &name, const Node *node)
{
    memset(found, 0, sizeof *found);
    found->dwFileAttributes = node->directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    found->nFileSizeLow = node->directory ? 0 : static_cast<DWORD>(node->contents.size());
    memcpy(found->cFileName, name.c_str(), std::min(name.size(), sizeof found->cFileName - 1));
}

HANDLE NoMatch(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

namespace internal {

void ResetFiles()
{
    drives.clear();
    modulePath = kDefaultModulePath;
    failModuleFileName = false;
    errorMode = 0;
    findCalls.clear();
    openFinds.clear();
    nextFindHandle = kFirstFindHandle;
    badFindCloses = 0;
}

bool ReadFileText(const std::string &path, std::string *contents)
{
    Node *node = Lookup(path);
    if (node == nullptr || node->directory)
        return false;
    *contents = node->contents;
    return true;
}

}  // namespace internal

bool MakeFolder(const std::string &path)
{
    ParsedPath parsed;
    if (ParsePath(path, &parsed) && parsed.components.empty())
        return DriveRoot(parsed.drive, true) != nullptr;
    return AddNode(path, true) != nullptr;
}

bool MakeFile(const std::string &path, const std::string &contents)
{
    Node *node = AddNode(path, false);
    if (node == nullptr)
        return false;
    node->contents = contents;
    return true;
}

bool RemoveFile(const std::string &path)
{
    ParsedPath parsed;
    if (!ParsePath(path, &parsed) || parsed.components.empty())
        return false;
    Node *dir = ParentOf(parsed, false);
    if (dir == nullptr)
        return false;
    for (auto it = dir->children.begin(); it != dir->children.end(); ++it) {
        if (SameName((*it)->name, parsed.components.back())) {
            dir->children.erase(it);
            return true;
        }
    }
    return false;
}

bool FileExists(const std::string &path)
{
    return Lookup(path) != nullptr;
}

int OpenFindCount()
{
    return static_cast<int>(openFinds.size());
}

int BadFindCloseCount()
{
    return badFindCloses;
}

const std::vector<FindCall> &FindCalls()
{
    return findCalls;
}

UINT CurrentErrorMode()
{
    return errorMode;
}

void SetModulePath(const std::string &path)
{
    modulePath = path;
}

void FailModuleFileName()
{
    failModuleFileName = true;
}

HINSTANCE ProgramInstance()
{
    return reinterpret_cast<HINSTANCE>(kProgramInstance);
}

}  // namespace fakewin

using namespace fakewin;

UINT WINAPI SetErrorMode(UINT mode)
{
    internal::PlatformCall platformCall("SetErrorMode");
    UINT previous = errorMode;
    errorMode = mode;
    return previous;
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found)
{
    internal::PlatformCall platformCall("FindFirstFileA");
    if (pattern == nullptr || found == nullptr)
        return NoMatch(ERROR_INVALID_PARAMETER);
    findCalls.push_back({pattern, errorMode});
    // The ANSI calls convert the path into a MAX_PATH buffer first.
    if (internal::CharCount(pattern) >= MAX_PATH)
        return NoMatch(ERROR_FILENAME_EXCED_RANGE);
    ParsedPath parsed;
    if (!ParsePath(pattern, &parsed))
        return NoMatch(ERROR_PATH_NOT_FOUND);
    // A folder path with a trailing separator, or a drive's root, has no entry to report.
    if (parsed.trailingSeparator || parsed.components.empty())
        return NoMatch(ERROR_FILE_NOT_FOUND);
    for (size_t i = 0; i + 1 < parsed.components.size(); ++i) {
        if (HasWildcard(parsed.components[i]))
            return NoMatch(ERROR_INVALID_NAME);
    }
    Node *dir = ParentOf(parsed, false);
    if (dir == nullptr)
        return NoMatch(ERROR_PATH_NOT_FOUND);
    const std::string &last = parsed.components.back();
    bool matched = false;
    if (!HasWildcard(last)) {
        if (Node *node = Child(dir, last)) {
            Fill(found, node->name, node);
            matched = true;
        }
    } else {
        // Folders other than a drive's root list "." and ".." before their entries.
        if (parsed.components.size() > 1) {
            for (const char *dots : {".", ".."}) {
                if (!matched && Matches(last.c_str(), dots)) {
                    Fill(found, dots, dir);
                    matched = true;
                }
            }
        }
        for (size_t i = 0; !matched && i < dir->children.size(); ++i) {
            if (Matches(last.c_str(), dir->children[i]->name.c_str())) {
                Fill(found, dir->children[i]->name, dir->children[i].get());
                matched = true;
            }
        }
    }
    if (!matched)
        return NoMatch(ERROR_FILE_NOT_FOUND);
    ULONG_PTR handle = nextFindHandle;
    nextFindHandle += 4;
    openFinds[handle] = true;
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI FindClose(HANDLE search)
{
    internal::PlatformCall platformCall("FindClose");
    if (openFinds.erase(reinterpret_cast<ULONG_PTR>(search)) == 0) {
        ++badFindCloses;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    internal::PlatformCall platformCall("GetModuleFileNameA");
    if (module != nullptr && module != ProgramInstance()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0 || fileName == nullptr)
        return 0;
    DWORD length = static_cast<DWORD>(modulePath.size());
    if (length < size) {
        memcpy(fileName, modulePath.c_str(), length + 1);
        if (failModuleFileName) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        return length;
    }
    // Cut to the buffer: the result is the buffer size, the text size - 1 characters
    // and a terminator (Vista and later; XP left the text unterminated).
    memcpy(fileName, modulePath.c_str(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}
