// Key paths when the platform refuses: failed opens, creations and value writes
// anywhere on the path, and who closes which handle.
#include "keypath.h"

#include <stdio.h>

#include <string>

#include "host_test.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";
const char kGamePath[] = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game";
const std::string kRoot = "HKEY_CURRENT_USER";

class KeyPathHostTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        world::SetString(kGame, "MmxUse", "1");
    }
};

TEST_F(KeyPathHostTest, ReaderFailsCleanlyWhereverAnOpenFails)
{
    const char *const keys[] = {
        "Software",                  // opened from the root itself
        "Software\\KzUnitTest",      // the walk holds Software open
        "Software\\KzUnitTest\\Game",  // the last key of the path
    };
    for (const char *key : keys) {
        SCOPED_TRACE(key);
        world::Reset();
        world::SetString(kGame, "MmxUse", "1");
        fakewin::FailRegistry(fakewin::RegistryCall::kOpen, kRoot + "\\" + key);
        char text[256] = "untouched";
        EXPECT_EQ(0, ReadRegistryValue(kGamePath, "MmxUse", text, kValueString));
        EXPECT_STREQ("untouched", text);
        EXPECT_EQ(0, ReadRegistryValue(kGamePath, nullptr, nullptr, kValueNone));
        EXPECT_EQ(0, fakewin::OpenKeyCount());
        EXPECT_EQ(0, fakewin::BadKeyCloseCount());
        EXPECT_EQ(0, fakewin::RootCloseCount());
    }
}

TEST_F(KeyPathHostTest, FaultsAreScopedToTheirKey)
{
    // A refusal elsewhere in the registry must not touch this path.
    fakewin::FailRegistry(fakewin::RegistryCall::kOpen, kRoot + "\\Software\\Other");
    fakewin::FailRegistry(fakewin::RegistryCall::kSetValue, kRoot + "\\" TEST_KEY);
    char text[256] = "";
    EXPECT_EQ(1, ReadRegistryValue(kGamePath, "MmxUse", text, kValueString));
    EXPECT_STREQ("1", text);
    EXPECT_EQ(1, WriteRegistryString(kGamePath, "MmxUse", "0", 1));
    std::string data;
    ASSERT_TRUE(world::GetValue(kGame, "MmxUse", nullptr, &data));
    EXPECT_EQ(std::string("0", 2), data);
}

TEST_F(KeyPathHostTest, WalkSearchesWhereItCanProveItsAnswerAndEnumeratesFromTheFirstElsewhere)
{
    const int kSiblings = 1000;
    // HKEY_CURRENT_USER and Software hold one key each; the game's key comes last.
    const long kFromFirst = 1 + 1 + kSiblings + 1;
    // At most floor(log2(1001)) + 1 = 10 probes for the game's key, one per other key,
    // twice that where the first folding tried is not the list's.
    const long kSearched = 1 + 1 + 10;
    const long kSearchedTwice = 2 * kSearched;
    struct Row {
        const char *comment;
        fakewin::KeyOrder order;
        const char *siblingFormat;
        const char *lastSiblingClass;
        UINT maxCharSize;
        bool refuseQuery;  // RegQueryInfoKeyA on the key that holds the siblings
        const char *path;
        long enumerations;  // at most this many when searched, else exactly
        bool searched;
    };
    const std::string class128(128, 'c');
    const Row rows[] = {
        {"Windows order", fakewin::KeyOrder::kWindows, "Aa%04d", nullptr, 2, false, kGamePath, kSearched, true},
        {"Wine order", fakewin::KeyOrder::kWine, "Aa%04d", nullptr, 2, false, kGamePath, kSearched, true},
        {"a list in no order: both searches miss, then the walk from the first finds the key",
         fakewin::KeyOrder::kCreation, "Aa%04d", nullptr, 2, false, kGamePath, kSearchedTwice + 1, true},
        {"the path in other cases", fakewin::KeyOrder::kWindows, "Aa%04d", nullptr, 2, false,
         "\\HKEY_CURRENT_USER\\SOFTWARE\\kzunittest\\gAME", kSearched, true},
        {"Wine order, _ where the key has a letter", fakewin::KeyOrder::kWine, "Ga_%04d", nullptr, 2, false,
         kGamePath, kSearchedTwice, true},
        {"a class of 128 characters may take 256 bytes", fakewin::KeyOrder::kWindows, "Aa%04d", class128.c_str(),
         2, false, kGamePath, kFromFirst, false},
        {"the same class in a single-byte code page", fakewin::KeyOrder::kWindows, "Aa%04d", class128.c_str(),
         1, false, kGamePath, kSearched, true},
        {"the list's lengths refused", fakewin::KeyOrder::kWindows, "Aa%04d", nullptr, 2, true, kGamePath,
         kFromFirst, false},
        {"the code page unknown", fakewin::KeyOrder::kWindows, "Aa%04d", nullptr, 0, false, kGamePath, kFromFirst,
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.comment);
        world::Reset();
        world::SetString(kGame, "MmxUse", "1");
        for (int i = 0; i < kSiblings; ++i) {
            char name[16];
            snprintf(name, sizeof name, row.siblingFormat, i);
            world::CreateKey(std::string(TEST_KEY "\\") + name, i + 1 == kSiblings ? row.lastSiblingClass : nullptr);
        }
        fakewin::SetKeyOrder(row.order);
        fakewin::SetAnsiMaxCharSize(row.maxCharSize);
        if (row.refuseQuery) fakewin::FailRegistry(fakewin::RegistryCall::kQueryInfo, kRoot + "\\" TEST_KEY);
        const long before = fakewin::CallCount("RegEnumKeyExA");
        char text[kRegTextSize] = "";
        EXPECT_EQ(1, ReadRegistryValue(row.path, "MmxUse", text, kValueString));
        EXPECT_STREQ("1", text);
        const long enumerations = fakewin::CallCount("RegEnumKeyExA") - before;
        if (row.searched)
            EXPECT_LE(enumerations, row.enumerations);
        else
            EXPECT_EQ(row.enumerations, enumerations);
    }
}

TEST_F(KeyPathHostTest, WriterFailsCleanlyWhereverACreationFails)
{
    struct Row {
        const char *faulted;  // key whose creation or opening is refused
        const char *path;     // where the value is written
    };
    const Row rows[] = {
        {"Software", kGamePath},                                       // first key below the root
        {"Software\\KzUnitTest", kGamePath},                           // a key in the middle
        {"Software\\KzUnitTest\\Game", kGamePath},                     // the last, existing key
        {"Software\\KzUnitTest\\Game\\New", "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game\\New"},  // a new key
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.faulted);
        world::Reset();
        world::SetString(kGame, "MmxUse", "1");
        fakewin::FailRegistry(fakewin::RegistryCall::kCreate, kRoot + "\\" + row.faulted);
        EXPECT_EQ(0, WriteRegistryString(row.path, "MmxUse", "0", 1));
        EXPECT_EQ(0, fakewin::CallCount("RegSetValueExA"));
        std::string data;
        ASSERT_TRUE(world::GetValue(kGame, "MmxUse", nullptr, &data));
        EXPECT_EQ(std::string("1", 2), data);
        EXPECT_FALSE(world::KeyExists(TEST_KEY "\\Game\\New"));
        EXPECT_EQ(0, fakewin::OpenKeyCount());
        EXPECT_EQ(0, fakewin::BadKeyCloseCount());
    }
}

TEST_F(KeyPathHostTest, WriterReportsAValueThatCouldNotBeStored)
{
    fakewin::FailRegistry(fakewin::RegistryCall::kSetValue, kRoot + "\\" + kGame);
    // Refused value writes are a failure, so the dialog does not claim the setting was saved.
    EXPECT_EQ(0, WriteRegistryString(kGamePath, "MmxUse", "0", 1));
    EXPECT_EQ(1, fakewin::CallCount("RegSetValueExA"));
    std::string data;
    ASSERT_TRUE(world::GetValue(kGame, "MmxUse", nullptr, &data));
    EXPECT_EQ(std::string("1", 2), data);
    // The path itself was fine: without the write flag nothing is stored and all is well.
    EXPECT_EQ(1, WriteRegistryString(kGamePath, "MmxUse", "0", 0));
}

}  // namespace
