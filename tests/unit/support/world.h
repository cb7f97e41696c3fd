// What a unit test sets up around the core: registry keys and values, files and
// folders, and the program's own path. One implementation drives our Win32
// stand-in (host build), the other the real API under Wine (Windows build), so the
// same test sources run against both.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace world {

// Starts a test from nothing: the test key under HKEY_CURRENT_USER\Software and the
// scratch folder exist and are empty, and no SETUP.INI or SETUPDATA lies beside the
// program.
void Reset();

// The scratch folder, a Windows path without a trailing "\" (e.g. "C:\kztest").
std::string Folder();

// Key paths here are relative to HKEY_CURRENT_USER, e.g. "Software\KzUnitTest\Game".
// Every missing key on the way is created; className applies to the last key only.
void CreateKey(const std::string &path, const char *className = nullptr);
void SetValue(const std::string &path, const std::string &name, DWORD type, const void *data,
              DWORD size);
void SetString(const std::string &path, const std::string &name, const std::string &text);
// False when the key or the value does not exist.
bool GetValue(const std::string &path, const std::string &name, DWORD *type, std::string *data);
bool KeyExists(const std::string &path);
// Names of the values of a key, and of its subkeys, in any order.
int CountValues(const std::string &path);
int CountSubkeys(const std::string &path);

// Files and folders, full Windows paths; parents must exist.
void MakeFolder(const std::string &path);
void MakeFile(const std::string &path, const std::string &contents);
// Removes a file, or a folder with everything in it.
void RemoveFile(const std::string &path);

// The folder of the running program, without a trailing "\".
std::string ProgramFolder();

// A code page 932 byte string as UTF-8, converted by the platform's own tables
// (MultiByteToWideChar under Wine, iconv on the host), to check texts independently.
std::string Cp932ToUtf8(const std::string &text);

// True where the test runs on the stand-in (host build).
bool OnStandIn();

// Makes codePage the system's ANSI code page where the test can choose it (the
// stand-in); elsewhere true only when it is the one the system runs with.
bool UseAnsiCodePage(UINT codePage);

// How the registry lists subkeys: sorted by names folded to upper case (Windows) or
// to lower case (Wine), which puts [ ] ^ _ ` on either side of the letters; or in no
// order a search could rely on (created first, listed first).
enum class KeyOrder { kUpperFolded, kLowerFolded, kUnsorted };
// Lists subkeys in that order from now on; false where the world cannot (under Wine,
// whose own order is the only one). Reset() goes back to the world's first order.
bool ListSubkeysIn(KeyOrder order);
// Makes GetCPInfo report this largest character size for the ANSI code page; false
// where the world cannot (under Wine, unless its code page has that size already).
bool SetAnsiMaxCharSize(UINT size);
// How often the code under test called the registry function since Reset(); -1 where
// the world cannot count calls (under Wine).
long RegistryCalls(const char *function);

}  // namespace world

// Calls check(length, fits) with the lengths around a buffer's limit: one byte short of
// filling it, filling it (with its terminator, not counted in `filling`), one byte over.
template <typename Check>
void AroundTheLimit(size_t filling, Check check)
{
    for (size_t length : {filling - 1, filling, filling + 1}) {
        SCOPED_TRACE(testing::Message() << length << " bytes, " << filling << " fill the buffer");
        check(length, length <= filling ? 1 : 0);
    }
}

// The key under HKEY_CURRENT_USER that every test works below; removed by Reset().
#define TEST_KEY "Software\\KzUnitTest"
