// The dialog procedure's side of the platform, from the record of its calls: the fill
// clears every row and checks one, once; commands choose, decide or cancel; a failed
// write warns over the dialog; close, destroy and the rest go where they must.
#include "setting.h"

#include <string>
#include <tuple>

#include "host_test.h"
#include "install.h"
#include "tool_facts.h"
#include "tool_settings.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";
const HWND kDialog = reinterpret_cast<HWND>(0x10000);

class SettingHostTest : public HostTest {
protected:
    // The tool's dialog shown over `stored`, its record then cleared of the fill.
    static const SettingDefinition &Shown(const ToolFacts &tool, const char *stored)
    {
        world::Reset();
        const SettingDefinition &setting = *kToolSettings[&tool - kToolFacts];
        UseSetting(setting);
        EXPECT_EQ(1, BuildGameKeyPath("KzUnitTest\\Game"));
        world::SetString(kGame, tool.valueName, stored);
        Send(WM_SHOWWINDOW, TRUE);
        return setting;
    }

    static void Send(UINT message, WPARAM wParam)
    {
        MainWndProc(kDialog, message, wParam, 0);
    }

    static std::string Stored(const ToolFacts &tool)
    {
        std::string data;
        return world::GetValue(kGame, tool.valueName, nullptr, &data) ? data : "<none>";
    }

    // PostMessageA(dialog, WM_CLOSE, 0, 0) as often as it was called.
    static size_t ClosesPosted()
    {
        size_t closes = 0;
        for (const fakewin::WindowCall &post : CallsOf({"PostMessageA"})) {
            EXPECT_EQ(kDialog, post.window);
            closes += post.what == WM_CLOSE && post.wParam == 0 && post.lParam == 0;
        }
        return closes;
    }
};

TEST_F(SettingHostTest, TheFillClearsEveryRowInOrderThenChecksTheStoredOneOnce)
{
    const int one = 2;
    ASSERT_STREQ("1", kStoredTexts[one]);
    for (const ToolFacts &tool : kToolFacts) {
        SCOPED_TRACE(tool.valueName);
        Shown(tool, kStoredTexts[one]);
        const std::vector<fakewin::WindowCall> checks = CallsOf({"SendMessageA"});
        ASSERT_EQ(static_cast<size_t>(tool.rowCount + 1), checks.size());
        for (int i = 0; i <= tool.rowCount; ++i) {
            const int id = i < tool.rowCount ? tool.rows[i] : tool.rows[tool.checked[one]];
            EXPECT_EQ(fakewin::ControlOf(kDialog, id), checks[i].window) << i;
            EXPECT_EQ(static_cast<ULONG_PTR>(BM_SETCHECK), checks[i].what);
            EXPECT_EQ(static_cast<WPARAM>(i < tool.rowCount ? BST_UNCHECKED : BST_CHECKED), checks[i].wParam);
        }
        // Hidden and shown again, with the value changed: no second fill.
        world::SetString(kGame, tool.valueName, "0");
        Send(WM_SHOWWINDOW, FALSE);
        Send(WM_SHOWWINDOW, TRUE);
        EXPECT_EQ(checks.size(), CallsOf({"SendMessageA"}).size());
        Send(WM_COMMAND, tool.decideId);
        EXPECT_EQ(std::string(tool.rowWrites[tool.checked[one]], 2), Stored(tool));
    }
}

TEST_F(SettingHostTest, RowsChooseDecideStoresAndOtherIdsChangeNothing)
{
    Shown(kPlayer, "0");
    Send(WM_COMMAND, MAKEWPARAM(kPlayerWmp, BN_CLICKED));
    // The notification code in the high word is not looked at.
    Send(WM_COMMAND, MAKEWPARAM(kPlayerDirectShow, 5));
    const WPARAM others[] = {
        IDCANCEL,  // what the dialog keyboard handling sends for Esc
        IDOK,      // what it sends for Enter without a default button
        kPlayer.textId,
        9999,  // no control
    };
    for (WPARAM id : others) Send(WM_COMMAND, id);
    EXPECT_EQ(0u, ClosesPosted());
    EXPECT_EQ(std::string("0", 2), Stored(kPlayer));
    EXPECT_EQ(0, fakewin::CallCount("RegCreateKeyExA"));
    Send(WM_COMMAND, kPlayer.decideId);
    EXPECT_EQ(std::string("1", 2), Stored(kPlayer));
    EXPECT_EQ(1u, ClosesPosted());
    EXPECT_TRUE(CallsOf({"MessageBoxA"}).empty());
}

TEST_F(SettingHostTest, CancelClosesAndWritesNothing)
{
    for (const ToolFacts &tool : kToolFacts) {
        SCOPED_TRACE(tool.valueName);
        Shown(tool, "7");
        Send(WM_COMMAND, tool.rows[tool.rowCount - 1]);
        Send(WM_COMMAND, tool.cancelId);
        EXPECT_EQ(1u, ClosesPosted());
        EXPECT_EQ(0, fakewin::CallCount("RegCreateKeyExA"));
        EXPECT_EQ(std::string("7", 2), Stored(tool));
    }
}

TEST_F(SettingHostTest, AFailedWriteWarnsOverTheDialogAndKeepsItOpen)
{
    const fakewin::RegistryCall calls[] = {
        fakewin::RegistryCall::kSetValue,  // the value is refused
        fakewin::RegistryCall::kCreate,    // the game's key cannot be opened for writing
    };
    for (fakewin::RegistryCall call : calls) {
        for (const ToolFacts &tool : kToolFacts) {
            SCOPED_TRACE(testing::Message() << tool.valueName << " fault " << static_cast<int>(call));
            Shown(tool, "1");
            fakewin::FailRegistry(call, "HKEY_CURRENT_USER\\" + std::string(kGame));
            Send(WM_COMMAND, tool.decideId);
            ExpectOneWarning(kDialog, kTextNotSaved);
            EXPECT_EQ(0u, ClosesPosted());
            EXPECT_EQ(std::string("1", 2), Stored(tool));
            // The user can still leave with cancel.
            Send(WM_COMMAND, tool.cancelId);
            EXPECT_EQ(1u, ClosesPosted());
        }
    }
}

TEST_F(SettingHostTest, CloseGoesToTheWindowsDefaultDestroyQuitsTheRestToTheDialogs)
{
    Shown(kCalc, "1");
    fakewin::Reset();
    struct Row {
        UINT message;
        WPARAM wParam;
        const char *handler;
    };
    const Row rows[] = {
        // The dialog's default would turn the close box into the Esc command, which does nothing.
        {WM_CLOSE, 0, "DefWindowProcA"},
        {WM_DESTROY, 0, "DefDlgProcA"},
        {WM_KEYDOWN, VK_ESCAPE, "DefDlgProcA"},
        {WM_COMMAND, kCalc.cancelId, "DefDlgProcA"},
        {WM_SHOWWINDOW, TRUE, "DefDlgProcA"},
    };
    for (const Row &row : rows) {
        MainWndProc(kDialog, row.message, row.wParam, 0x1234);
        const fakewin::WindowCall &last = fakewin::WindowCalls().back();
        EXPECT_EQ(row.handler, last.function) << row.message;
        EXPECT_EQ(kDialog, last.window);
        EXPECT_EQ(std::make_tuple(row.message, row.wParam, 0x1234),
                  std::make_tuple(static_cast<UINT>(last.what), last.wParam, static_cast<int>(last.lParam)));
    }
    const std::vector<fakewin::WindowCall> quits = CallsOf({"PostQuitMessage"});
    ASSERT_EQ(1u, quits.size());
    EXPECT_EQ(0u, quits[0].wParam);
}

}  // namespace
