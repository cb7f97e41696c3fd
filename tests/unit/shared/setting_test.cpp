// What the setting dialog decides, on the stand-in and under Wine alike: the row that
// each stored form shows, the text that "決定" stores for it, and a store that fails.
#include "setting.h"

#include <gtest/gtest.h>

#include <string>

#include "install.h"
#include "tool_facts.h"
#include "tool_settings.h"
#include "world.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";

// The row shown for the value as stored is the one the table expects, and deciding
// on it stores that row's text as a REG_SZ with its terminator.
void ExpectShownAndStored(const SettingDefinition &setting, const ToolFacts &tool, int expected)
{
    ASSERT_EQ(1, BuildGameKeyPath("KzUnitTest\\Game"));
    const ChoiceRow &row = StoredRow(setting);
    EXPECT_EQ(tool.rows[expected], row.controlId);
    EXPECT_EQ(nullptr, SaveChoice(setting, row.value));
    DWORD type = REG_NONE;
    std::string data;
    EXPECT_TRUE(world::GetValue(kGame, tool.valueName, &type, &data));
    EXPECT_EQ(std::string(tool.rowWrites[expected], 2), data);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
}

TEST(Setting, EachStoredFormShowsItsRowAndDecideStoresThatRowsText)
{
    int empty = -1;
    for (int c = 0; c < kStoredCount; ++c) empty = kStoredTexts[c] && !*kStoredTexts[c] ? c : empty;
    ASSERT_NE(-1, empty);
    const DWORD one = 1;
    struct Typed {
        const char *what;
        DWORD type;
        const void *data;
        DWORD size;
    };
    // Found, but holding no text: the empty text's row, though the number is 1.
    const Typed typed[] = {
        {"REG_DWORD 1", REG_DWORD, &one, sizeof one},
        {"REG_BINARY \"1\"", REG_BINARY, "1", 2},
    };
    for (const ToolFacts &tool : kToolFacts) {
        const int t = static_cast<int>(&tool - kToolFacts);
        const SettingDefinition &setting = *kToolSettings[t];
        for (int c = 0; c < kStoredCount; ++c) {
            const char *stored = kStoredTexts[c];
            SCOPED_TRACE(testing::Message() << tool.valueName << " stored "
                                            << (stored ? "\"" + std::string(stored) + "\"" : "absent"));
            world::Reset();
            if (stored)
                world::SetString(kGame, tool.valueName, stored);
            else
                world::CreateKey(kGame);
            ExpectShownAndStored(setting, tool, tool.checked[c]);
        }
        for (const Typed &value : typed) {
            SCOPED_TRACE(testing::Message() << tool.valueName << " stored as " << value.what);
            world::Reset();
            world::SetValue(kGame, tool.valueName, value.type, value.data, value.size);
            ExpectShownAndStored(setting, tool, tool.checked[empty]);
        }
        SCOPED_TRACE(testing::Message() << tool.valueName << ", no game key at all");
        world::Reset();
        ExpectShownAndStored(setting, tool, tool.checked[0]);
    }
}

TEST(Setting, AStoreThatFailsIsReportedAndWritesNothing)
{
    // Read, the key path may take 259 bytes; written, 255: this one takes 257.
    world::Reset();
    const std::string name = std::string(218, 'g');
    ASSERT_EQ(1, BuildGameKeyPath(("KzUnitTest\\" + name).c_str()));
    for (const SettingDefinition *setting : kToolSettings) {
        SCOPED_TRACE(setting->valueName);
        EXPECT_EQ(kTextNotSaved, SaveChoice(*setting, setting->rows[0].value));
        EXPECT_FALSE(world::KeyExists(TEST_KEY "\\" + name));
    }
    EXPECT_EQ(0, world::CountSubkeys(TEST_KEY));
}

}  // namespace
