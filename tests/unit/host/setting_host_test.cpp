// The setting dialog of each tool over the stand-in's windows: what a stored text
// shows, what "決定" writes, and what leaves the setting alone.
#include "setting.h"

#include <string>
#include <vector>

#include "host_test.h"
#include "install.h"
#include "startup.h"
#include "tool_settings.h"
#include "window.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";

class SettingHostTest : public HostTest {
protected:
    // The tool's dialog as ToolWinMain makes it, not yet shown.
    HWND OpenDialog(const ToolFacts &tool)
    {
        UseSetting(*kToolSettings[&tool - kToolFacts]);
        EXPECT_EQ(1, BuildGameKeyPath("KzUnitTest\\Game"));
        AddToolTemplate(tool);
        EXPECT_NE(0, RegisterMainClass(fakewin::ProgramInstance()));
        HWND dialog = CreateDialogParamA(fakewin::ProgramInstance(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                         nullptr, 0);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }

    // The tool's own message loop over the dialog, until the quit message: its wParam,
    // or kStuckQuitCode when the dialog waits for the user instead.
    static WPARAM Pump(HWND dialog)
    {
        MainWindow = dialog;
        return static_cast<WPARAM>(toolwindow::RunMessageLoop());
    }

    // The one checked radio button, 0 when none is, -1 when several are.
    static int Checked(HWND dialog, const ToolFacts &tool)
    {
        int checked = 0;
        for (int i = 0; i < tool.rowCount; ++i) {
            if (fakewin::CheckState(dialog, tool.rows[i]) == BST_CHECKED)
                checked = checked ? -1 : tool.rows[i];
        }
        return checked;
    }

    static std::string Stored(const ToolFacts &tool, DWORD *type = nullptr)
    {
        std::string data;
        return world::GetValue(kGame, tool.valueName, type, &data) ? data : "<none>";
    }

    static bool ClosePosted(HWND dialog)
    {
        for (const MSG &message : fakewin::QueuedMessages()) {
            if (message.hwnd == dialog && message.message == WM_CLOSE)
                return true;
        }
        return false;
    }
};


TEST_F(SettingHostTest, StoredTextShowsAButtonAndDecideWritesItsText)
{
    for (const ToolFacts &tool : kToolFacts) {
        for (const StoredCase &row : kStoredCases) {
            SCOPED_TRACE(testing::Message() << tool.valueName << " stored "
                                            << (row.stored ? "\"" + std::string(row.stored) + "\"" : "absent"));
            const int expected = row.checked[&tool - kToolFacts];
            world::Reset();
            if (row.stored)
                world::SetString(kGame, tool.valueName, row.stored);
            else
                world::CreateKey(kGame);
            HWND dialog = OpenDialog(tool);
            // Checked beforehand so that the fill must clear them.
            for (int i = 0; i < tool.rowCount; ++i)
                SendMessageA(GetDlgItem(dialog, tool.rows[i]), BM_SETCHECK, BST_CHECKED, 0);
            ShowWindow(dialog, SW_SHOWNORMAL);
            EXPECT_EQ(tool.rows[expected], Checked(dialog, tool));
            EXPECT_EQ(1, InitDone);

            fakewin::Click(dialog, tool.decideId);
            EXPECT_TRUE(ClosePosted(dialog));
            EXPECT_EQ(0u, Pump(dialog));
            EXPECT_FALSE(fakewin::IsWindowAlive(dialog));
            DWORD type = REG_NONE;
            EXPECT_EQ(std::string(tool.rowWrites[expected], 2), Stored(tool, &type));
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        }
    }
}

TEST_F(SettingHostTest, FilledOnceHidingAndShowingDoNotReread)
{
    world::SetString(kGame, "MoviePlayType", "2");
    HWND dialog = OpenDialog(kPlayer);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_EQ(kPlayerWmp, Checked(dialog, kPlayer));

    // A second fill would now check DirectShow.
    world::SetString(kGame, "MoviePlayType", "1");
    ShowWindow(dialog, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    int shows = 0;
    for (const fakewin::SentMessage &sent : fakewin::DeliveredMessages())
        shows += sent.window == dialog && sent.message == WM_SHOWWINDOW;
    EXPECT_EQ(3, shows);
    EXPECT_EQ(kPlayerWmp, Checked(dialog, kPlayer));
    fakewin::Click(dialog, kPlayer.decideId);
    EXPECT_EQ(0u, Pump(dialog));
    EXPECT_EQ(std::string("2", 2), Stored(kPlayer));
}

TEST_F(SettingHostTest, ClicksDecideWhatIsWritten)
{
    world::SetString(kGame, "MoviePlayType", "0");
    HWND dialog = OpenDialog(kPlayer);
    ShowWindow(dialog, SW_SHOW);
    fakewin::Click(dialog, kPlayerWmp);
    EXPECT_EQ(2, CurrentChoice);
    fakewin::Click(dialog, kPlayerDirectShow);
    EXPECT_EQ(kPlayerDirectShow, Checked(dialog, kPlayer));
    EXPECT_EQ(1, CurrentChoice);
    // The notification code in the high word is not looked at.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kPlayerWmp, 5), 0);
    EXPECT_EQ(2, CurrentChoice);
    fakewin::Click(dialog, kPlayer.decideId);
    EXPECT_EQ(0u, Pump(dialog));
    EXPECT_EQ(std::string("2", 2), Stored(kPlayer));
}

TEST_F(SettingHostTest, EscapeAndUnknownIdsChangeNothing)
{
    for (const ToolFacts &tool : kToolFacts) {
        SCOPED_TRACE(tool.valueName);
        world::Reset();
        world::SetString(kGame, tool.valueName, "0");
        HWND dialog = OpenDialog(tool);
        ShowWindow(dialog, SW_SHOW);
        // Away from the stored choice, so a reset of the choice would show.
        const int last = tool.rows[tool.rowCount - 1];
        int clicked = last == Checked(dialog, tool) ? tool.rows[0] : last;
        fakewin::Click(dialog, clicked);
        const int choice = CurrentChoice;

        const WPARAM ids[] = {
            IDCANCEL,  // what the dialog keyboard handling sends for Esc
            IDOK,      // what it sends for Enter without a default button
            9999,      // no control
        };
        for (WPARAM id : ids)
            SendMessageA(dialog, WM_COMMAND, id, 0);
        if (tool.textId)
            fakewin::Click(dialog, tool.textId);
        fakewin::PressKey(dialog, VK_ESCAPE);
        // The Esc key goes through the loop's dialog handling; then the loop waits.
        EXPECT_EQ(fakewin::kStuckQuitCode, Pump(dialog));

        EXPECT_TRUE(fakewin::IsWindowAlive(dialog));
        EXPECT_TRUE(fakewin::QueuedMessages().empty());
        EXPECT_EQ(choice, CurrentChoice);
        EXPECT_EQ(clicked, Checked(dialog, tool));
        EXPECT_EQ(0, fakewin::CallCount("RegSetValueExA"));
        EXPECT_EQ(0, fakewin::CallCount("RegCreateKeyExA"));
        EXPECT_EQ(std::string("0", 2), Stored(tool));
        fakewin::CloseBox(dialog);
    }
}

TEST_F(SettingHostTest, CancelAndCloseBoxWriteNothing)
{
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "cancel");
        world::Reset();
        world::SetString(kGame, "MmxUse", "7");
        HWND dialog = OpenDialog(kCalc);
        ShowWindow(dialog, SW_SHOW);
        fakewin::Click(dialog, kCalcDisable);
        if (closeBox)
            fakewin::CloseBox(dialog);
        else
            fakewin::Click(dialog, kCalc.cancelId);
        EXPECT_EQ(0u, Pump(dialog));
        EXPECT_FALSE(fakewin::IsWindowAlive(dialog));
        EXPECT_EQ(0, fakewin::CallCount("RegCreateKeyExA"));
        EXPECT_EQ(0, fakewin::CallCount("RegSetValueExA"));
        EXPECT_EQ(std::string("7", 2), Stored(kCalc));
        EXPECT_TRUE(fakewin::MessageBoxes().empty());
    }
}

TEST_F(SettingHostTest, SettingStoredAsNumberCountsAsEmptyText)
{
    const StoredCase *empty = nullptr;
    for (const StoredCase &row : kStoredCases)
        empty = row.stored && !*row.stored ? &row : empty;
    ASSERT_NE(nullptr, empty);
    for (const ToolFacts &tool : kToolFacts) {
        SCOPED_TRACE(tool.valueName);
        // "" is 0 whatever the number: CalcSwitch shows disabled although it is 1.
        const int expected = empty->checked[&tool - kToolFacts];
        world::Reset();
        fakewin::SetDword("HKEY_CURRENT_USER\\" + std::string(kGame), tool.valueName, 1);
        HWND dialog = OpenDialog(tool);
        ShowWindow(dialog, SW_SHOW);
        EXPECT_EQ(tool.rows[expected], Checked(dialog, tool));
        fakewin::Click(dialog, tool.decideId);
        EXPECT_EQ(0u, Pump(dialog));
        DWORD type = REG_NONE;
        EXPECT_EQ(std::string(tool.rowWrites[expected], 2), Stored(tool, &type));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    }
}

TEST_F(SettingHostTest, FailedWriteWarnsAndKeepsTheDialogOpen)
{
    const fakewin::RegistryCall calls[] = {
        fakewin::RegistryCall::kSetValue,  // the value is refused
        fakewin::RegistryCall::kCreate,    // the game's key cannot be opened for writing
    };
    for (fakewin::RegistryCall call : calls) {
        for (const ToolFacts &tool : kToolFacts) {
            SCOPED_TRACE(testing::Message() << tool.valueName << " fault " << static_cast<int>(call));
            world::Reset();
            world::SetString(kGame, tool.valueName, "1");
            fakewin::FailRegistry(call, "HKEY_CURRENT_USER\\" + std::string(kGame));
            HWND dialog = OpenDialog(tool);
            ShowWindow(dialog, SW_SHOW);
            fakewin::Click(dialog, tool.decideId);

            ExpectOneWarning(dialog, kTextNotSaved);
            EXPECT_FALSE(ClosePosted(dialog));
            EXPECT_TRUE(fakewin::IsWindowAlive(dialog));
            EXPECT_EQ(std::string("1", 2), Stored(tool));

            // The user can still leave with cancel.
            fakewin::Click(dialog, tool.cancelId);
            EXPECT_EQ(0u, Pump(dialog));
            EXPECT_EQ(1u, fakewin::MessageBoxes().size());
        }
    }
}

}  // namespace
