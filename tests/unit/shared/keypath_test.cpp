// Reading and writing registry values through key-path strings.
#include "keypath.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "world.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";
const std::string kGamePath = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game";

class KeyPathTest : public ::testing::Test {
protected:
    void SetUp() override { world::Reset(); }

    // Reads a text value into a buffer larger than needed, so that writes past the
    // 256-byte destination show up in the canary.
    struct TextRead {
        int result;
        std::string text;
        bool canaryIntact;
    };
    static TextRead ReadText(const std::string &path, const char *name)
    {
        char buffer[256 + 64];
        memset(buffer, 0xBD, sizeof buffer);
        TextRead read;
        read.result = ReadRegistryValue(path.c_str(), name, buffer, kValueString);
        read.text = read.result && memchr(buffer, 0, 256) ? std::string(buffer) : "";
        read.canaryIntact = true;
        for (size_t i = 256; i < sizeof buffer; ++i)
            read.canaryIntact = read.canaryIntact && static_cast<unsigned char>(buffer[i]) == 0xBD;
        return read;
    }
};

TEST_F(KeyPathTest, RootNamesAndSeparatorsAddressTheSameKey)
{
    world::SetString(kGame, "MmxUse", "1");
    const char *const same[] = {
        "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game",      // one separator at the start
        "HKEY_CURRENT_USER\\" TEST_KEY "\\Game",        // none at the start
        "\\\\HKEY_CURRENT_USER\\" TEST_KEY "\\\\\\\\Game",  // two at the start, four inside
        "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game\\",    // one at the end
    };
    for (const char *path : same) {
        SCOPED_TRACE(path);
        TextRead read = ReadText(path, "MmxUse");
        EXPECT_EQ(1, read.result);
        EXPECT_EQ("1", read.text);
        EXPECT_EQ(1, WriteRegistryString(path, "D3dUse", "0", 1));
    }
    EXPECT_EQ(2, world::CountValues(kGame));
    EXPECT_EQ(0, world::CountSubkeys(kGame));
}

TEST_F(KeyPathTest, RootNamesAreCaseSensitiveAndMustBeKnown)
{
    world::SetString(kGame, "MmxUse", "1");
    char text[256] = "untouched";
    const char *const refused[] = {
        "\\hkey_current_user\\" TEST_KEY "\\Game",
        "\\HKCU\\" TEST_KEY "\\Game",
        "\\HKEY_CURRENT_USERS\\" TEST_KEY "\\Game",
        "",
        "\\\\\\",
        "\\HKEY_CURRENT_USER",    // a root alone: its own values are never ours
        "\\HKEY_CURRENT_USER\\\\",
    };
    for (const char *path : refused) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, ReadRegistryValue(path, nullptr, nullptr, kValueNone));
        EXPECT_EQ(0, ReadRegistryValue(path, "MmxUse", text, kValueString));
        EXPECT_STREQ("untouched", text);
        EXPECT_EQ(0, WriteRegistryString(path, "Fresh", "1", 1));
    }
    EXPECT_EQ(1, world::CountValues(kGame));
}

TEST_F(KeyPathTest, OtherRootsAreReachable)
{
    // HKEY_USERS holds the current user's hive under a SID; only its existence is stable.
    EXPECT_EQ(1, ReadRegistryValue("\\HKEY_LOCAL_MACHINE\\Software", nullptr, nullptr, 0));
    EXPECT_EQ(0, ReadRegistryValue("\\HKEY_LOCAL_MACHINE\\KzNoSuchKey", nullptr, nullptr, 0));
    EXPECT_EQ(0, ReadRegistryValue("\\HKEY_CLASSES_ROOT\\KzNoSuchKey", nullptr, nullptr, 0));
    EXPECT_EQ(0, ReadRegistryValue("\\HKEY_USERS\\KzNoSuchKey", nullptr, nullptr, 0));
}

TEST_F(KeyPathTest, SubkeysMatchWithoutCaseValueNamesWithCase)
{
    world::SetString(kGame, "MmxUse", "1");
    TextRead lowerKeys = ReadText("\\HKEY_CURRENT_USER\\software\\KZUNITTEST\\game", "MmxUse");
    EXPECT_EQ(1, lowerKeys.result);
    EXPECT_EQ("1", lowerKeys.text);
    EXPECT_EQ(0, ReadText(kGamePath, "mmxuse").result);
    EXPECT_EQ(0, ReadText(kGamePath, "MMXUSE").result);

    // The platform matches value names without case when setting: the name stays.
    EXPECT_EQ(1, WriteRegistryString(kGamePath.c_str(), "mmxuse", "0", 1));
    EXPECT_EQ(1, world::CountValues(kGame));
    EXPECT_EQ("0", ReadText(kGamePath, "MmxUse").text);
}

TEST_F(KeyPathTest, ExistenceModeWhenAnyReadArgumentIsMissing)
{
    world::SetString(kGame, "MmxUse", "1");
    char text[256] = "untouched";
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), nullptr, text, kValueString));
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), "NoSuchValue", nullptr, kValueString));
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), "NoSuchValue", text, kValueNone));
    EXPECT_STREQ("untouched", text);
    EXPECT_EQ(0, ReadRegistryValue((kGamePath + "\\Missing").c_str(), nullptr, nullptr, 0));
}

TEST_F(KeyPathTest, WriteCreatesEveryMissingKey)
{
    const std::string deep = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\New\\Deeper\\Game";
    EXPECT_EQ(0, ReadRegistryValue(deep.c_str(), nullptr, nullptr, kValueNone));
    EXPECT_EQ(1, WriteRegistryString(deep.c_str(), "MoviePlayType", "2", 1));
    EXPECT_EQ(1, ReadRegistryValue(deep.c_str(), nullptr, nullptr, kValueNone));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(world::GetValue(TEST_KEY "\\New\\Deeper\\Game", "MoviePlayType", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("2\0", 2), data);

    // Write flag other than 1: the keys are made, no value is stored.
    const std::string other = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\KeysOnly";
    EXPECT_EQ(1, WriteRegistryString(other.c_str(), "MmxUse", "1", 0));
    EXPECT_TRUE(world::KeyExists(TEST_KEY "\\KeysOnly"));
    EXPECT_EQ(0, world::CountValues(TEST_KEY "\\KeysOnly"));
}

TEST_F(KeyPathTest, EmptyTextIsStoredAsItsTerminator)
{
    EXPECT_EQ(1, WriteRegistryString(kGamePath.c_str(), "MmxUse", "", 1));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(world::GetValue(kGame, "MmxUse", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), data);
    TextRead read = ReadText(kGamePath, "MmxUse");
    EXPECT_EQ(1, read.result);
    EXPECT_EQ("", read.text);
}

TEST_F(KeyPathTest, ShiftJisSecondByte5CSplitsTheComponent)
{
    // "Xソ" is 58 83 5C: the 5C inside the character separates, leaving "X" and a
    // lone lead byte as the key's name. How the platform converts that lone byte
    // is its own affair; what matters is that no key named "Xソ" appears.
    const std::string path = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\X\x83\x5C";
    EXPECT_EQ(1, WriteRegistryString(path.c_str(), "MmxUse", "1", 1));
    EXPECT_FALSE(world::KeyExists(TEST_KEY "\\X\x83\x5C"));
    EXPECT_EQ(1, world::CountSubkeys(TEST_KEY));
    if (world::OnStandIn()) {
        EXPECT_TRUE(world::KeyExists(TEST_KEY "\\X\x83"));
    }
}

TEST_F(KeyPathTest, ShiftJisNamesMatchByteForByte)
{
    // "ゲーム": its bytes hold no 5C; every byte but 'A'-'Z' must be equal.
    world::SetString(TEST_KEY "\\\x83\x51\x81\x5B\x83\x80", "MmxUse", "0");
    EXPECT_EQ("0", ReadText("\\HKEY_CURRENT_USER\\" TEST_KEY "\\\x83\x51\x81\x5B\x83\x80", "MmxUse").text);
    EXPECT_EQ(0, ReadText("\\HKEY_CURRENT_USER\\" TEST_KEY "\\\x83\x51\x81\x5B\x83\x81", "MmxUse").result);
}

TEST_F(KeyPathTest, TypesMustMatchToBeCopied)
{
    const DWORD number = 0x12345678;
    world::SetValue(kGame, "Number", REG_DWORD, &number, sizeof number);
    world::SetString(kGame, "Text", "7");

    char text[256] = "untouched";
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), "Number", text, kValueString));
    EXPECT_STREQ("untouched", text);

    DWORD read = 0xBDBDBDBD;
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), "Number", &read, kValueDword));
    EXPECT_EQ(number, read);
    read = 0xBDBDBDBD;
    EXPECT_EQ(1, ReadRegistryValue(kGamePath.c_str(), "Text", &read, kValueDword));
    EXPECT_EQ(0xBDBDBDBDu, read);
    EXPECT_EQ(0, ReadRegistryValue(kGamePath.c_str(), "Missing", &read, kValueDword));
}

TEST_F(KeyPathTest, TextIsCutAtItsFirstZeroAndTerminated)
{
    world::SetValue(kGame, "Embedded", REG_SZ, "ab\0cd", 6);
    EXPECT_EQ("ab", ReadText(kGamePath, "Embedded").text);

    // 254 bytes with no terminator fill the 256-byte destination once terminated.
    const std::string full(254, 'x');
    world::SetValue(kGame, "Full", REG_SZ, full.data(), static_cast<DWORD>(full.size()));
    TextRead read = ReadText(kGamePath, "Full");
    EXPECT_EQ(1, read.result);
    EXPECT_EQ(full, read.text);
    EXPECT_TRUE(read.canaryIntact);

    // The same 255 bytes when the last is the terminator fit. Created in name order,
    // so that Windows (creation order) and Wine (name order) list them alike.
    world::SetValue(kGame, "Fits", REG_SZ, full.c_str(), static_cast<DWORD>(full.size() + 1));
    EXPECT_EQ(full, ReadText(kGamePath, "Fits").text);

    // 255 with no terminator: the platform wants room to add one, so the entry does
    // not fit the data unit and the value counts as not found (measured under Wine).
    const std::string over(255, 'x');
    world::SetValue(kGame, "Over", REG_SZ, over.data(), static_cast<DWORD>(over.size()));
    EXPECT_EQ(0, ReadText(kGamePath, "Over").result);
}

TEST_F(KeyPathTest, ValueEnumerationStopsAtAnEntryThatDoesNotFit)
{
    // Created in name order, so Windows (creation order) and Wine (name order) agree.
    struct Case {
        const char *comment;
        std::string firstName;
        DWORD firstSize;
        bool laterFound;
    };
    const Case cases[] = {
        {"data of 255 bytes fits", "A", 255, true},
        {"data of 256 bytes does not", "A", 256, false},
        {"name of 254 characters fits", "A" + std::string(253, 'n'), 2, true},
        {"name of 255 characters does not", "A" + std::string(254, 'n'), 2, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comment);
        world::Reset();
        const std::string data(c.firstSize, '1');
        world::SetValue(kGame, c.firstName, REG_BINARY, data.data(), c.firstSize);
        world::SetString(kGame, "B", "1");
        EXPECT_EQ(c.laterFound ? 1 : 0, ReadText(kGamePath, "B").result);
    }
}

TEST_F(KeyPathTest, SubkeyEnumerationStopsAtAnEntryThatDoesNotFit)
{
    // Names of letters only: Windows (upper-case folding) and Wine (lower-case) agree.
    struct Case {
        const char *comment;
        std::string sibling;
        const char *siblingClass;
        bool laterFound;
    };
    const std::string longClass254(254, 'c');
    const std::string longClass255(255, 'c');
    const Case cases[] = {
        {"name of 254 characters fits", "A" + std::string(253, 'n'), nullptr, true},
        {"name of 255 characters does not", "A" + std::string(254, 'n'), nullptr, false},
        {"class of 254 characters fits", "A", longClass254.c_str(), true},
        {"class of 255 characters does not", "A", longClass255.c_str(), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comment);
        world::Reset();
        world::CreateKey(TEST_KEY "\\" + c.sibling, c.siblingClass);
        world::SetString(TEST_KEY "\\B", "MmxUse", "1");
        const std::string path = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\B";
        EXPECT_EQ(c.laterFound ? 1 : 0, ReadRegistryValue(path.c_str(), nullptr, nullptr, 0));
        EXPECT_EQ(c.laterFound ? 1 : 0, ReadText(path, "MmxUse").result);
        // The writer opens by name and is not affected.
        EXPECT_EQ(1, WriteRegistryString(path.c_str(), "MmxUse", "0", 1));
    }
}

TEST_F(KeyPathTest, PathsAtTheWorkingCopyLimits)
{
    world::SetString(kGame, "MmxUse", "1");
    // Leading separators pad a path without changing the key it names.
    auto padded = [](const std::string &path, size_t length) {
        return std::string(length - path.size(), '\\') + path;
    };
    const std::string fresh = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Fresh";
    AroundTheLimit(1023, [&](size_t length, int fits) {
        EXPECT_EQ(fits, ReadText(padded(kGamePath, length), "MmxUse").result);
    });
    AroundTheLimit(255, [&](size_t length, int fits) {
        world::Reset();
        EXPECT_EQ(fits, WriteRegistryString(padded(fresh, length).c_str(), "V", "1", 1));
        // A path that does not fit touches nothing at all.
        EXPECT_EQ(fits == 1, world::KeyExists(TEST_KEY "\\Fresh"));
    });
}

}  // namespace
