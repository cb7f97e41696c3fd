// The fixture of the host-only tests: a fresh stand-in per test, and at the end no
// key or search handle left open and none closed twice.
#pragma once

#include <fakewin.h>
#include <gtest/gtest.h>

#include <vector>

#include "install.h"
#include "resource_ids.h"
#include "setting.h"
#include "tool_facts.h"
#include "world.h"


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
        EXPECT_EQ(kTextWarningTitle, box.title);
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
