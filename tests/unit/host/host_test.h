// The fixture of the host-only tests: a fresh stand-in per test, and at the end no
// key or search handle left open and none closed twice.
#pragma once

#include <fakewin.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "install.h"
#include "setting.h"
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

    // The window calls of the record made by these functions, in order.
    static std::vector<fakewin::WindowCall> CallsOf(std::initializer_list<const char *> functions)
    {
        std::vector<fakewin::WindowCall> calls;
        for (const fakewin::WindowCall &call : fakewin::WindowCalls()) {
            for (const char *function : functions)
                if (call.function == function) calls.push_back(call);
        }
        return calls;
    }

    // The one box shown: a warning under the title that every tool's warnings share.
    static void ExpectOneWarning(HWND owner, const char *text)
    {
        const std::vector<fakewin::WindowCall> boxes = CallsOf({"MessageBoxA"});
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(owner, boxes[0].window);
        EXPECT_EQ(text, boxes[0].text);
        EXPECT_EQ(kTextWarningTitle, boxes[0].title);
        EXPECT_EQ(static_cast<ULONG_PTR>(MB_ICONWARNING), boxes[0].what);
    }
};
