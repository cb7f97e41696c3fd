// Registry access through key-path strings: a reader that walks existing keys by
// enumeration and a writer that opens or creates every key of the path.
#include "keypath.h"

#include <string.h>

#include "text.h"

namespace {

struct RootKey {
    const char *name;
    HKEY key;
    int searched;  // whether the walk may search the keys below it (see FindSubkey)
};

// Root names are compared exactly, in this order.
const RootKey kRootKeys[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, 0},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, 1},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, 0},
    {"HKEY_USERS", HKEY_USERS, 0},
};

// Copies the path into its working copy, splits off the first component and finds
// that root; *cursor is left on the components below it. A path that does not fit,
// names no known root, or names a root and nothing below it yields 0: the tools
// never address a root's own values.
int CopyPathAndFindRoot(const char *keyPath, char *copy, size_t copySize, char **cursor,
                        const RootKey **root)
{
    if (keyPath == nullptr || !JoinText(copy, copySize, keyPath, ""))
        return 0;
    *cursor = copy;
    const char *first = NextComponent(cursor);
    if (first == nullptr)
        return 0;
    for (const RootKey &row : kRootKeys) {
        if (strcmp(first, row.name) == 0) {
            *root = &row;
            const char *rest = *cursor;
            while (*rest == '\\')
                ++rest;
            return *rest != '\0';
        }
    }
    return 0;
}

// One entry of the subkey list, into the walk's buffers.
LONG EnumerateSubkey(HKEY key, DWORD index, char (&name)[kRegNameUnit])
{
    DWORD nameLength = kRegNameUnit;
    char className[kRegNameUnit];
    DWORD classLength = sizeof className;
    return RegEnumKeyExA(key, index, name, &nameLength, nullptr, className, &classLength, nullptr);
}

// The reference walk: the subkeys from index 0 on, until one equals the component.
// Any enumeration status but success ends it, so an entry whose name or class does
// not fit hides those after it.
int WalkFromIndexZero(HKEY key, const char *component)
{
    for (DWORD index = 0;; ++index) {
        char name[kRegNameUnit];
        if (EnumerateSubkey(key, index, name) != ERROR_SUCCESS)
            return 0;
        if (EqualAsciiNoCase(name, component))
            return 1;
    }
}

// The platforms sort subkey names with their letters folded to one case: Windows
// reads 'a'-'z' as 'A'-'Z', Wine 'A'-'Z' as 'a'-'z', which puts [ \ ] ^ _ ` after
// the letters in Windows' order and before them in Wine's.
unsigned char FoldedAsWindows(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

using Folding = unsigned char (*)(unsigned char);

// Negative when a list sorted with this folding holds `name` before `component`.
// Bytes of 0x80 and above stand above ASCII, as the characters they begin nearly
// always do in the platform's order; where not, the search misses.
int CompareListed(const char *name, const char *component, Folding fold)
{
    const unsigned char *a = reinterpret_cast<const unsigned char *>(name);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(component);
    for (; *a != '\0' && fold(*a) == fold(*b); ++a, ++b) {
    }
    return fold(*a) - fold(*b);
}

// The search: a binary search of a list sorted with this folding. 1 only on an entry
// that equals the component as the walk from index 0 compares them; a miss proves
// nothing.
int SearchSorted(HKEY key, DWORD count, const char *component, Folding fold)
{
    DWORD low = 0;
    DWORD high = count;
    while (low < high) {
        const DWORD middle = (low + high) / 2;
        char name[kRegNameUnit];
        if (EnumerateSubkey(key, middle, name) != ERROR_SUCCESS)
            return 0;
        if (EqualAsciiNoCase(name, component))
            return 1;
        if (CompareListed(name, component, fold) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return 0;
}

int IsAscii(const char *text)
{
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80)
            return 0;
    }
    return 1;
}

// The largest character of the ANSI code page in bytes; 0 when unknown.
UINT AnsiMaxCharSize()
{
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) ? info.MaxCharSize : 0;
}

// Answers as WalkFromIndexZero does, in about log2(n) enumerations where it may. When
// every entry fits, no enumeration fails, so the walk succeeds exactly when some entry
// equals the component, and the open that follows names the component, not the entry:
// an equal entry found at any index is the walk's answer. The search relies on
// - RegQueryInfoKeyA describing the list that RegEnumKeyExA walks: true below
//   HKEY_CURRENT_USER, the one root marked searched. HKEY_CLASSES_ROOT merges the
//   machine's and the user's classes, HKEY_LOCAL_MACHINE\Software may show the user's
//   virtual store (Vista on), HKEY_USERS the hives the system linked in;
// - GetCPInfo(CP_ACP) being the conversion the registry's A calls apply to its names;
// - the key not changing between the query and the probes, the window the walk from
//   index 0 has between its own calls. Reading the lengths again after a hit would
//   cost a call per component and still leave a window, so it is not done.
// Another order or misplaced names can make it miss, never find wrongly: then, as for
// a component beyond ASCII or a list that may not fit, the walk goes from index 0.
int FindSubkey(HKEY key, const char *component, UINT maxCharSize)
{
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestClass = 0;
    if (maxCharSize != 0 && IsAscii(component) &&
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, &longestName, &longestClass,
                         nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        // Every entry fits the walk's buffers: the longest name and the longest class,
        // in characters, times the largest character. Divided, not multiplied: no
        // length the platform reports can overflow.
        const DWORD charactersThatFit = (kRegNameUnit - 1) / maxCharSize;
        const bool everyEntryFits =
            longestName <= charactersThatFit && longestClass <= charactersThatFit;
        if (everyEntryFits &&
            (SearchSorted(key, count, component, FoldedAsWindows) ||
             SearchSorted(key, count, component, LowerAscii)))
            return 1;
    }
    return WalkFromIndexZero(key, component);
}

// Walks down from the root; on success *out is the last key, opened by the walk.
// Root keys are predefined and never closed here; every key the walk opened is
// closed exactly once, also on failure.
int WalkPath(const RootKey &root, char **cursor, HKEY *out)
{
    const UINT maxCharSize = root.searched ? AnsiMaxCharSize() : 0;
    HKEY current = root.key;
    for (char *component; (component = NextComponent(cursor)) != nullptr;) {
        if (!FindSubkey(current, component, maxCharSize)) {
            if (current != root.key)
                RegCloseKey(current);
            return 0;
        }
        HKEY next = nullptr;
        LONG status = RegOpenKeyExA(current, component, 0, KEY_READ, &next);
        if (current != root.key)
            RegCloseKey(current);
        if (status != ERROR_SUCCESS)
            return 0;
        current = next;
    }
    *out = current;
    return 1;
}

// Stores a found value at the destination when its stored type is the one asked for.
void CopyValue(DWORD storedType, const BYTE *data, DWORD length, void *dest, int type)
{
    if (storedType == REG_SZ && type == kValueString) {
        const void *zero = memchr(data, 0, length);
        size_t textLength = zero ? static_cast<size_t>(static_cast<const BYTE *>(zero) - data) : length;
        memcpy(dest, data, textLength);
        static_cast<char *>(dest)[textLength] = '\0';
    } else if (storedType == REG_DWORD && type == kValueDword && length == sizeof(DWORD)) {
        memcpy(dest, data, sizeof(DWORD));
    }
}

// Searches the key's values by exact name for every open request in one pass; each
// takes the first entry of its name. As in the subkey walk, the first entry that does
// not fit the buffers ends the search for every request still open.
void FindValues(HKEY key, RegistryRequest *requests, int count)
{
    int open = count;
    for (DWORD index = 0; open > 0; ++index) {
        char name[kRegNameUnit];
        DWORD nameLength = sizeof name;
        DWORD storedType = REG_NONE;
        BYTE data[kRegDataUnit];
        DWORD dataLength = sizeof data;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &storedType, data,
                          &dataLength) != ERROR_SUCCESS)
            return;
        for (int i = 0; i < count; ++i) {
            RegistryRequest &request = requests[i];
            if (!request.found && strcmp(name, request.valueName) == 0) {
                CopyValue(storedType, data, dataLength, request.dest, request.type);
                request.found = 1;
                --open;
            }
        }
    }
}

}  // namespace

int ReadRegistryValues(const char *keyPath, RegistryRequest *requests, int count)
{
    char copy[kReadPathSize];
    char *cursor = nullptr;
    const RootKey *root = nullptr;
    HKEY key = nullptr;
    for (int i = 0; i < count; ++i)
        requests[i].found = 0;
    if (!CopyPathAndFindRoot(keyPath, copy, sizeof copy, &cursor, &root) ||
        !WalkPath(*root, &cursor, &key))
        return 0;
    FindValues(key, requests, count);
    RegCloseKey(key);
    return 1;
}

int ReadRegistryValue(const char *keyPath, const char *valueName, void *dest, int type)
{
    if (valueName == nullptr || dest == nullptr || type == kValueNone)
        return ReadRegistryValues(keyPath, nullptr, 0);
    RegistryRequest request = {valueName, dest, type, 0};
    return ReadRegistryValues(keyPath, &request, 1) && request.found;
}

int WriteRegistryString(const char *keyPath, const char *valueName, const char *text,
                        int writeFlag)
{
    char copy[kWritePathSize];
    char *cursor = nullptr;
    const RootKey *root = nullptr;
    if (!CopyPathAndFindRoot(keyPath, copy, sizeof copy, &cursor, &root))
        return 0;
    HKEY current = root->key;
    for (char *component; (component = NextComponent(&cursor)) != nullptr;) {
        HKEY next = nullptr;
        DWORD disposition = 0;
        LONG status = RegCreateKeyExA(current, component, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &next, &disposition);
        RegCloseKey(current);
        if (status != ERROR_SUCCESS)
            return 0;
        current = next;
    }
    int result = 1;
    // A value that could not be stored is a failure: the caller must not report it saved.
    if (writeFlag == 1)
        result = RegSetValueExA(current, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                                static_cast<DWORD>(lstrlenA(text) + 1)) == ERROR_SUCCESS;
    RegCloseKey(current);
    return result;
}
