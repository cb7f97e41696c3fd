// The test world on the real API (Windows build, run under Wine): a test key under
// HKEY_CURRENT_USER\Software and a scratch folder in the temporary directory.
#include "world.h"

#include <gtest/gtest.h>
#include <winternl.h>

#include <array>

#include "real_world.h"

namespace world {

namespace {

// A name that ends in a lone lead byte is stored with a NUL character in it, which no
// ANSI or W call can name (and RegDeleteTree then recurses without end); the native
// calls take the name with its length, as the key listing gives it.
extern "C" NTSTATUS NTAPI NtOpenKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes);
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

// Deletes every key below key; one that will not go is stepped over.
void DeleteSubkeys(HKEY key, int depth)
{
    for (DWORD index = 0; depth <= 64;) {
        WCHAR child[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UNICODE_STRING name = {static_cast<USHORT>(length * sizeof(WCHAR)), sizeof child, child};
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, key, nullptr);
        HANDLE subkey = nullptr;
        bool gone = false;
        if (length != 0 && NtOpenKey(&subkey, KEY_ALL_ACCESS, &attributes) >= 0) {
            DeleteSubkeys(static_cast<HKEY>(subkey), depth + 1);
            gone = NtDeleteKey(subkey) >= 0;
            RegCloseKey(static_cast<HKEY>(subkey));
        }
        if (!gone) ++index;
    }
}

// How many subkeys ([0]) and values ([1]) the key holds; none when it does not exist.
std::array<int, 2> Counts(const std::string &path)
{
    DWORD subkeys = 0, values = 0;
    if (HKEY key = OpenUserKey(path, false)) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return {static_cast<int>(subkeys), static_cast<int>(values)};
}

}  // namespace

std::string Folder()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    std::string folder(temp, length);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\kztest";
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

void Reset()
{
    HKEY testKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_KEY, 0, KEY_ALL_ACCESS, &testKey) == ERROR_SUCCESS) {
        DeleteSubkeys(testKey, 0);
        RegCloseKey(testKey);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, TEST_KEY);
    RemoveTree(Folder());
    // The program looks for SETUP.INI beside itself; tests put theirs there.
    RemoveTree(ProgramFolder() + "\\SETUP.INI");
    RemoveTree(ProgramFolder() + "\\SETUPDATA");
    ASSERT_TRUE(CreateDirectoryA(Folder().c_str(), nullptr)) << Folder();
    CreateKey(TEST_KEY, nullptr);
}

void CreateKey(const std::string &path, const char *className)
{
    HKEY key = OpenUserKey(path, true, className);
    EXPECT_NE(nullptr, key) << "creating " << path;
    if (key != nullptr) RegCloseKey(key);
}

void SetValue(const std::string &path, const std::string &name, DWORD type, const void *data,
              DWORD size)
{
    EXPECT_TRUE(SetUserValue(path, name, type, data, size)) << path << "|" << name;
}

void SetString(const std::string &path, const std::string &name, const std::string &text)
{
    EXPECT_TRUE(SetUserString(path, name, text)) << path << "|" << name;
}

bool GetValue(const std::string &path, const std::string &name, DWORD *type, std::string *data)
{
    HKEY key = OpenUserKey(path, false);
    if (key == nullptr) return false;
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, type, buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    data->assign(reinterpret_cast<char *>(buffer), size);
    return true;
}

bool KeyExists(const std::string &path)
{
    HKEY key = OpenUserKey(path, false);
    if (key != nullptr) RegCloseKey(key);
    return key != nullptr;
}

int CountValues(const std::string &path) { return Counts(path)[1]; }

int CountSubkeys(const std::string &path) { return Counts(path)[0]; }

void MakeFolder(const std::string &path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }

void MakeFile(const std::string &path, const std::string &contents)
{
    ASSERT_TRUE(WriteFileBytes(path, contents)) << path;
}

void RemoveFile(const std::string &path) { RemoveTree(path); }

std::string Cp932ToUtf8(const std::string &text)
{
    wchar_t wide[1024];
    int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                     wide, 1024);
    char utf8[4096];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, sizeof utf8, nullptr, nullptr);
    return length > 0 || text.empty() ? std::string(utf8, bytes) : std::string("<invalid>");
}

bool OnStandIn() { return false; }

bool UseAnsiCodePage(UINT codePage) { return GetACP() == codePage; }

bool ListSubkeysIn(KeyOrder order) { return order == KeyOrder::kLowerFolded; }

bool SetAnsiMaxCharSize(UINT size)
{
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == size;
}

long RegistryCalls(const char *) { return -1; }

}  // namespace world
