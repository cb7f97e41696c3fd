// The fixture of the host-only tests: a fresh stand-in per test, and at the end no
// key or search handle left open and none closed twice.
#pragma once

#include <fakewin.h>
#include <gtest/gtest.h>

#include <vector>

#include "resource_ids.h"
#include "tool_facts.h"
#include "world.h"

// Texts as the core holds them in code page 932, spelled out byte by byte.
#define HOST_TEXT_WARNING_TITLE "PlayerSwitch \xD2\xAF\xBE\xB0\xBC\xDE"
// "設定を保存できませんでした。"
#define HOST_TEXT_NOT_SAVED                                                                    \
    "\x90\xDD\x92\xE8\x82\xF0\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5" \
    "\x82\xB5\x82\xBD\x81\x42"
// "[ Setup.ini ] が見つかりません。"
#define HOST_TEXT_NO_SETUP_INI \
    "[ Setup.ini ] \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42"
// "[ Setup.ini ] に [REG_NAME] の設定が見つかりません。"
#define HOST_TEXT_NO_REG_NAME                                                                 \
    "[ Setup.ini ] \x82\xC9 [REG_NAME] \x82\xCC\x90\xDD\x92\xE8\x82\xAA\x8C\xA9\x82\xC2\x82\xA9" \
    "\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42"
// "先にゲームをセットアップして下さい。"
#define HOST_TEXT_NOT_INSTALLED                                                                 \
    "\x90\xE6\x82\xC9\x83Q\x81[\x83\x80\x82\xF0\x83Z\x83\x62\x83g\x83\x41\x83\x62\x83v\x82\xB5" \
    "\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42"

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { world::Reset(); }

    void TearDown() override
    {
        EXPECT_EQ(0, fakewin::OpenKeyCount()) << "registry keys left open";
        EXPECT_EQ(0, fakewin::BadKeyCloseCount()) << "registry keys closed twice or never opened";
        EXPECT_EQ(0, fakewin::OpenFindCount()) << "directory searches left open";
        EXPECT_EQ(0, fakewin::BadFindCloseCount());
    }

    // The one box shown: a warning under the title that every tool's warnings share.
    static void ExpectOneWarning(HWND owner, const char *text)
    {
        ASSERT_EQ(1u, fakewin::MessageBoxes().size());
        const fakewin::MessageBoxCall &box = fakewin::MessageBoxes()[0];
        EXPECT_EQ(owner, box.owner);
        EXPECT_EQ(text, box.text);
        EXPECT_EQ(HOST_TEXT_WARNING_TITLE, box.title);
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), box.style);
    }
};

// The tool's dialog template as its .rc lays it out, for CreateDialogParamA.
inline void AddToolTemplate(const ToolFacts &tool)
{
    std::vector<fakewin::ControlSpec> controls;
    for (int i = 0; i < tool.rowCount; ++i)
        controls.push_back({tool.rows[i], fakewin::ControlKind::kAutoRadio});
    controls.push_back({tool.decideId, fakewin::ControlKind::kPushButton});
    controls.push_back({tool.cancelId, fakewin::ControlKind::kPushButton});
    if (tool.textId)
        controls.push_back({tool.textId, fakewin::ControlKind::kStatic});
    fakewin::AddDialogTemplate(IDD_MAIN, tool.className, controls);
}
