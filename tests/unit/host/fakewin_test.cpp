// The stand-in's own behaviour that the core's tests lean on but cannot see
// directly: enumeration limits and order, directory search, profile reading.
#include <string.h>

#include <string>

#include "host_test.h"

namespace {

class FakeWinTest : public HostTest {};

TEST_F(FakeWinTest, SubkeysListFoldedAsEachPlatformSortsAndTooSmallBuffersLeaveTheIndex)
{
    world::CreateKey(TEST_KEY "\\_last");
    world::CreateKey(TEST_KEY "\\beta");
    world::CreateKey(TEST_KEY "\\Alpha", "0123456789");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, TEST_KEY, 0, KEY_READ, &key));
    char name[8];
    char className[8];
    DWORD nameLength = sizeof name;
    DWORD classLength = sizeof className;
    // The class name of "Alpha" needs 11 bytes.
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, name, &nameLength, nullptr, className, &classLength, nullptr));
    nameLength = sizeof name;
    classLength = sizeof className;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 1, name, &nameLength, nullptr, className, &classLength, nullptr));
    EXPECT_STREQ("beta", name);
    EXPECT_EQ(4u, nameLength);
    nameLength = 5;  // "_last" needs 6 with its terminator
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 2, name, &nameLength, nullptr, nullptr, nullptr, nullptr));
    nameLength = 6;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 2, name, &nameLength, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("_last", name);
    nameLength = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(key, 3, name, &nameLength, nullptr, nullptr, nullptr, nullptr));

    // Lengths count characters: the Shift-JIS name of six takes twelve bytes.
    world::CreateKey(TEST_KEY "\\\x83\x51\x81\x5B\x83\x80\x83\x51\x81\x5B\x83\x80");
    DWORD subkeys = 0;
    DWORD longestName = 0;
    DWORD longestClass = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestName,
                                              &longestClass, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(4u, subkeys);
    EXPECT_EQ(6u, longestName);
    EXPECT_EQ(10u, longestClass);
    // Each code page's own largest character, which the search's proof reads.
    CPINFO info;
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(2u, info.MaxCharSize);
    fakewin::SetAnsiCodePage(936);
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(2u, info.MaxCharSize);
    fakewin::SetAnsiCodePage(1252);
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(1u, info.MaxCharSize);
    fakewin::SetAnsiMaxCharSize(0);
    EXPECT_FALSE(GetCPInfo(CP_ACP, &info));
    fakewin::FailRegistry(fakewin::RegistryCall::kQueryInfo, "HKEY_CURRENT_USER\\" TEST_KEY);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));

    // Folded to lower case, as Wine sorts, "_" comes before the letters; double-byte
    // names stay last. Or listed as created.
    struct Listing {
        fakewin::KeyOrder order;
        const char *names[4];
    };
    const Listing listings[] = {
        {fakewin::KeyOrder::kWine, {"_last", "Alpha", "beta", "\x83\x51"}},
        {fakewin::KeyOrder::kCreation, {"_last", "beta", "Alpha", "\x83\x51"}},
    };
    for (const Listing &listing : listings) {
        fakewin::SetKeyOrder(listing.order);
        for (DWORD index = 0; index < 4; ++index) {
            char listed[16];
            nameLength = sizeof listed;
            ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, index, listed, &nameLength, nullptr, nullptr, nullptr, nullptr));
            EXPECT_EQ(0, strncmp(listing.names[index], listed, strlen(listing.names[index]))) << index;
        }
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ(1, fakewin::BadKeyCloseCount());
    // Counted as a fault above; the fixture must not count it again.
    fakewin::Reset();
}

TEST_F(FakeWinTest, ValuesKeepCreationOrderAndTheirFirstSpelling)
{
    world::SetString(TEST_KEY, "Zed", "1");
    world::SetString(TEST_KEY, "alpha", "2");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, TEST_KEY, 0, KEY_READ, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "ZED", 0, REG_SZ, reinterpret_cast<const BYTE *>("3"), 2));
    char name[16];
    BYTE data[4];
    memset(data, 0xBD, sizeof data);
    DWORD nameLength = sizeof name;
    DWORD dataLength = 1;
    DWORD type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength));
    EXPECT_EQ(2u, dataLength);
    EXPECT_EQ(0xBD, data[0]);
    dataLength = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength));
    EXPECT_STREQ("Zed", name);
    EXPECT_STREQ("3", reinterpret_cast<char *>(data));
    nameLength = sizeof name;
    dataLength = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 1, name, &nameLength, nullptr, &type, data, &dataLength));
    EXPECT_STREQ("alpha", name);
    RegCloseKey(key);
}

TEST_F(FakeWinTest, KeyNamesAreLimitedTo255Characters)
{
    HKEY key = nullptr;
    const std::string longest = TEST_KEY "\\" + std::string(255, 'k');
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, longest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);
    const std::string tooLong = TEST_KEY "\\" + std::string(256, 'k');
    EXPECT_NE(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(1, world::CountSubkeys(TEST_KEY));
}

TEST_F(FakeWinTest, DirectorySearchFollowsThePlatform)
{
    world::MakeFolder("C:\\kztest\\Sub");
    world::MakeFile("C:\\kztest\\b.txt", "x");
    world::MakeFolder("C:\\kztest\\\x83\x5C");
    world::MakeFile("C:\\kztest\\" + std::string(60, 'a'), "x");
    struct Row {
        const char *pattern;
        const char *found;  // null: nothing
    };
    const Row rows[] = {
        {"C:\\kztest\\SUB", "Sub"},          // names match without case
        {"c:\\KZTEST\\b.TXT", "b.txt"},      // drive letter too
        {"C:\\kztest\\Sub\\", nullptr},      // a trailing separator finds nothing
        {"C:\\", nullptr},                   // the drive's root
        {"C:", nullptr},                     // the drive alone
        // Found by fuzzing: trying every split of the "*" against 60 "a" took minutes.
        {"C:\\kztest\\*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", nullptr},
        {"C:\\kztest\\?.txt", "b.txt"},      // "?" is one character
        {"C:\\kz*\\b.txt", nullptr},         // wildcards only in the last name
        {"C:\\kztest\\\x83\x5C", "\x83\x5C"},  // 5C inside "ソ" is not a separator
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.pattern);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(row.pattern, &found);
        if (row.found == nullptr) {
            EXPECT_EQ(INVALID_HANDLE_VALUE, search);
            continue;
        }
        ASSERT_NE(INVALID_HANDLE_VALUE, search);
        EXPECT_STREQ(row.found, found.cFileName);
        EXPECT_TRUE(FindClose(search));
    }
}

TEST_F(FakeWinTest, ProfileNamesInAnyCaseFirstSectionAndKeyWinBlanksAndQuotesOff)
{
    const std::string ini = world::Folder() + "\\a.ini";
    world::MakeFile(ini,
                    "\xEF\xBB\xBF[ sec ]\rKey = ' v ' \r\n;Key=comment\nKey=second\n[Sec]\nOther=x\n"
                    "Q=\"\nS=\"  \"\n");
    struct Row {
        const char *section;
        const char *key;
        const char *expected;
    };
    const Row rows[] = {
        {"SEC", "key", " v "},    // names without case, blanks and quotes off, first key wins
        {"sec", "Other", "dflt"}, // only the first section of a name is read
        {"sec", "Q", "dflt"},     // keys of the second section are not seen either
        {"none", "Key", "dflt"},  // no such section
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.key);
        char buffer[16];
        DWORD length = GetPrivateProfileStringA(row.section, row.key, "dflt", buffer, sizeof buffer, ini.c_str());
        EXPECT_STREQ(row.expected, buffer);
        EXPECT_EQ(strlen(row.expected), length);
    }
    char small[3];
    memset(small, 0xBD, sizeof small);
    EXPECT_EQ(2u, GetPrivateProfileStringA("sec", "Key", "", small, sizeof small, ini.c_str()));
    EXPECT_STREQ(" v", small);
}

TEST_F(FakeWinTest, ModulePathIsCutLikeTheSystemDoes)
{
    fakewin::SetModulePath("C:\\Program\\Tool.exe");
    char path[8];
    memset(path, 0xBD, sizeof path);
    EXPECT_EQ(8u, GetModuleFileNameA(nullptr, path, sizeof path));
    EXPECT_STREQ("C:\\Prog", path);
    char full[MAX_PATH];
    EXPECT_EQ(19u, GetModuleFileNameA(nullptr, full, sizeof full));
    EXPECT_STREQ("C:\\Program\\Tool.exe", full);
}

}  // namespace
