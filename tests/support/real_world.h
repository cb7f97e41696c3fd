// Keys, values and files through the real API, below HKEY_CURRENT_USER: for the unit
// tests' world under Wine and the end-to-end driver alike.
#pragma once

#include <windows.h>

#include <string>

#include "remove_tree.h"

// Opens (or creates) a path one key at a time: Wine's ANSI calls convert the whole
// relative path into a buffer of MAX_PATH characters, too small for the long names
// that the tests need. A "\\" that is the second byte of a Shift-JIS character does
// not separate. className goes to the last key; null when a key cannot be had.
inline HKEY OpenUserKey(const std::string &path, bool create, const char *className = nullptr)
{
    HKEY current = HKEY_CURRENT_USER;
    for (size_t start = 0; start <= path.size();) {
        size_t end = start;
        for (; end < path.size() && path[end] != '\\'; ++end)
            end += IsDBCSLeadByteEx(932, static_cast<BYTE>(path[end])) ? 1 : 0;
        end = end < path.size() ? end : path.size();
        const std::string name = path.substr(start, end - start);
        HKEY next = nullptr;
        LONG status = create ? RegCreateKeyExA(current, name.c_str(), 0,
                                               const_cast<char *>(end == path.size() ? className : nullptr),
                                               REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &next, nullptr)
                             : RegOpenKeyExA(current, name.c_str(), 0, KEY_ALL_ACCESS, &next);
        if (current != HKEY_CURRENT_USER) RegCloseKey(current);
        if (status != ERROR_SUCCESS) return nullptr;
        current = next;
        start = end + 1;
    }
    return current;
}

// Creates the key as needed and stores the value.
inline bool SetUserValue(const std::string &path, const std::string &name, DWORD type, const void *data, DWORD size)
{
    HKEY key = OpenUserKey(path, true);
    if (key == nullptr) return false;
    LONG status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// REG_SZ with its terminator stored, as the tools store their texts.
inline bool SetUserString(const std::string &path, const std::string &name, const std::string &text)
{
    return SetUserValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline bool SetUserDword(const std::string &path, const std::string &name, DWORD number)
{
    return SetUserValue(path, name, REG_DWORD, &number, sizeof number);
}

inline bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}
