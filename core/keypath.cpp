// Registry access through key-path strings: a reader that walks existing keys by
// enumeration and a writer that opens or creates every key of the path.
#include "keypath.h"

#include <string.h>

#include "text.h"

namespace {

struct RootKey {
    const char *name;
    HKEY key;
};

// Root names are compared exactly, in this order.
const RootKey kRootKeys[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_USERS", HKEY_USERS},
};

// Copies the path into its working copy and resolves the root. A path that does not
// fit, names no known root, or names a root and nothing below it yields 0: the
// tools never address a root's own values.
int OpenPath(const char *keyPath, char *copy, size_t copySize, char **cursor, HKEY *root)
{
    if (keyPath == nullptr || !JoinText(copy, copySize, keyPath, ""))
        return 0;
    *cursor = copy;
    const char *first = NextComponent(cursor);
    if (first == nullptr)
        return 0;
    for (const RootKey &row : kRootKeys) {
        if (strcmp(first, row.name) == 0) {
            *root = row.key;
            const char *rest = *cursor;
            while (*rest == '\\')
                ++rest;
            return *rest != '\0';
        }
    }
    return 0;
}

// Looks the component up among the subkeys. Any enumeration status but success ends
// the search, so an entry whose name or class does not fit hides those after it.
int HasSubkey(HKEY key, const char *component)
{
    for (DWORD index = 0;; ++index) {
        char name[kRegNameUnit];
        DWORD nameLength = sizeof name;
        char className[kRegNameUnit];
        DWORD classLength = sizeof className;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, className, &classLength,
                          nullptr) != ERROR_SUCCESS)
            return 0;
        if (EqualAsciiNoCase(name, component))
            return 1;
    }
}

// Walks down from the root; on success *out is the last key, opened by the walk.
// Root keys are predefined and never closed here; every key the walk opened is
// closed exactly once, also on failure.
int WalkPath(HKEY root, char **cursor, HKEY *out)
{
    HKEY current = root;
    for (char *component; (component = NextComponent(cursor)) != nullptr;) {
        if (!HasSubkey(current, component)) {
            if (current != root)
                RegCloseKey(current);
            return 0;
        }
        HKEY next = nullptr;
        LONG status = RegOpenKeyExA(current, component, 0, KEY_READ, &next);
        if (current != root)
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
    HKEY root = nullptr;
    HKEY key = nullptr;
    for (int i = 0; i < count; ++i)
        requests[i].found = 0;
    if (!OpenPath(keyPath, copy, sizeof copy, &cursor, &root) || !WalkPath(root, &cursor, &key))
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
    HKEY current = nullptr;
    if (!OpenPath(keyPath, copy, sizeof copy, &cursor, &current))
        return 0;
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
