// The setting dialog of each tool over the stand-in's windows: what a stored text
// shows, what "決定" writes, and what leaves the setting alone.
#include "setting.h"

#include <string>
#include <vector>

#include "host_test.h"
#include "install.h"
#include "settings.h"
#include "startup.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";

// Control ids as the tools' dialog templates number them.
struct ToolIds {
    const SettingDefinition *setting;
    const char *valueName;
    std::vector<int> radios;  // in template order
    int decide;
    int cancel;
    int otherControl;  // a control that is neither a radio button nor a push button
};

const ToolIds kCalc = {&CalcSwitchSetting, "MmxUse", {1001, 1002}, 1004, 1003, 0};
const ToolIds kRender = {&RenderSwitchSetting, "D3dUse", {1001, 1002}, 1004, 1003, 20435};
const ToolIds kPlayer = {&PlayerSwitchSetting, "MoviePlayType", {1043, 1044, 1048}, 1045, 1046, 1047};

struct MappingRow {
    const char *stored;  // null: the value does not exist
    int checked;         // the radio button shown
    const char *written; // what "決定" stores without a click
};

class SettingHostTest : public HostTest {
protected:
    // The tool's dialog as ToolWinMain makes it, not yet shown.
    HWND OpenDialog(const ToolIds &tool)
    {
        UseSetting(*tool.setting);
        EXPECT_EQ(1, BuildGameKeyPath("KzUnitTest\\Game"));
        std::vector<fakewin::ControlSpec> controls;
        for (int id : tool.radios)
            controls.push_back({id, fakewin::ControlKind::kAutoRadio});
        controls.push_back({tool.decide, fakewin::ControlKind::kPushButton});
        controls.push_back({tool.cancel, fakewin::ControlKind::kPushButton});
        if (tool.otherControl)
            controls.push_back({tool.otherControl, fakewin::ControlKind::kStatic});
        fakewin::AddDialogTemplate(IDD_MAIN, tool.setting->className, controls);
        EXPECT_NE(0, RegisterMainClass(fakewin::ProgramInstance()));
        HWND dialog = CreateDialogParamA(fakewin::ProgramInstance(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                         nullptr, 0);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }

    // Runs the message loop until the quit message; its wParam, or kStuckQuitCode
    // when the dialog waits for the user instead.
    static WPARAM Pump(HWND dialog)
    {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0)) {
            if (!IsDialogMessageA(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return message.wParam;
    }

    // The one checked radio button, 0 when none is, -1 when several are.
    static int Checked(HWND dialog, const ToolIds &tool)
    {
        int checked = 0;
        for (int id : tool.radios) {
            if (fakewin::CheckState(dialog, id) == BST_CHECKED)
                checked = checked ? -1 : id;
        }
        return checked;
    }

    static std::string Stored(const ToolIds &tool, DWORD *type = nullptr)
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
    const std::vector<MappingRow> calc = {
        {nullptr, 1001, "1"}, // absent: enabled
        {"0", 1002, "0"},     // disabled
        {"1", 1001, "1"},     // enabled
        {"2", 1001, "1"},     // other number: enabled
        {" 1", 1001, "1"},    // leading blank skipped
        {"1abc", 1001, "1"},  // trailing letters ignored
        {"abc", 1002, "0"},   // no digits: 0
        {"", 1002, "0"},      // empty: 0
        {"-1", 1001, "1"},    // negative: other number
        {"7", 1001, "1"},     // other number, written back normalised
    };
    const std::vector<MappingRow> render = {
        {nullptr, 1002, "0"}, // absent: disabled
        {"0", 1002, "0"},     // disabled
        {"1", 1001, "1"},     // enabled
        {"2", 1001, "1"},     // other number: enabled
        {" 1", 1001, "1"},    // leading blank skipped
        {"1abc", 1001, "1"},  // trailing letters ignored
        {"abc", 1002, "0"},   // no digits: 0
        {"", 1002, "0"},      // empty: 0
        {"-1", 1001, "1"},    // negative: other number
        {"7", 1001, "1"},     // other number, written back normalised
    };
    const std::vector<MappingRow> player = {
        {nullptr, 1043, "0"}, // absent: MCI
        {"0", 1043, "0"},     // MCI
        {"1", 1044, "1"},     // DirectShow
        {"2", 1048, "2"},     // Windows Media Player
        {" 1", 1044, "1"},    // leading blank skipped
        {"1abc", 1044, "1"},  // trailing letters ignored
        {"abc", 1043, "0"},   // no digits: 0
        {"", 1043, "0"},      // empty: 0
        {"-1", 1043, "0"},    // negative: other number, MCI
        {"7", 1043, "0"},     // other number, written back normalised
    };
    const std::pair<const ToolIds *, const std::vector<MappingRow> *> tools[] = {
        {&kCalc, &calc}, {&kRender, &render}, {&kPlayer, &player}};
    for (const auto &tool : tools) {
        for (const MappingRow &row : *tool.second) {
            SCOPED_TRACE(testing::Message() << tool.first->valueName << " stored "
                                            << (row.stored ? "\"" + std::string(row.stored) + "\"" : "absent"));
            world::Reset();
            if (row.stored)
                world::SetString(kGame, tool.first->valueName, row.stored);
            else
                world::CreateKey(kGame);
            HWND dialog = OpenDialog(*tool.first);
            // Checked beforehand so that the fill must clear them.
            for (int id : tool.first->radios)
                SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, BST_CHECKED, 0);
            ShowWindow(dialog, SW_SHOWNORMAL);
            EXPECT_EQ(row.checked, Checked(dialog, *tool.first));
            EXPECT_EQ(1, InitDone);

            fakewin::Click(dialog, tool.first->decide);
            EXPECT_TRUE(ClosePosted(dialog));
            EXPECT_EQ(0u, Pump(dialog));
            EXPECT_FALSE(fakewin::IsWindowAlive(dialog));
            DWORD type = REG_NONE;
            EXPECT_EQ(std::string(row.written, 2), Stored(*tool.first, &type));
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        }
    }
}

TEST_F(SettingHostTest, FilledOnceHidingAndShowingDoNotReread)
{
    world::SetString(kGame, "MoviePlayType", "2");
    HWND dialog = OpenDialog(kPlayer);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_EQ(1048, Checked(dialog, kPlayer));

    // A second fill would now check DirectShow.
    world::SetString(kGame, "MoviePlayType", "1");
    ShowWindow(dialog, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    int shows = 0;
    for (const fakewin::SentMessage &sent : fakewin::DeliveredMessages())
        shows += sent.window == dialog && sent.message == WM_SHOWWINDOW;
    EXPECT_EQ(3, shows);
    EXPECT_EQ(1048, Checked(dialog, kPlayer));
    fakewin::Click(dialog, kPlayer.decide);
    EXPECT_EQ(0u, Pump(dialog));
    EXPECT_EQ(std::string("2", 2), Stored(kPlayer));
}

TEST_F(SettingHostTest, ClicksDecideWhatIsWritten)
{
    world::SetString(kGame, "MoviePlayType", "0");
    HWND dialog = OpenDialog(kPlayer);
    ShowWindow(dialog, SW_SHOW);
    fakewin::Click(dialog, 1048);
    EXPECT_EQ(2, CurrentChoice);
    fakewin::Click(dialog, 1044);
    EXPECT_EQ(1044, Checked(dialog, kPlayer));
    EXPECT_EQ(1, CurrentChoice);
    // The notification code in the high word is not looked at.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1048, 5), 0);
    EXPECT_EQ(2, CurrentChoice);
    fakewin::Click(dialog, 1045);
    EXPECT_EQ(0u, Pump(dialog));
    EXPECT_EQ(std::string("2", 2), Stored(kPlayer));
}

TEST_F(SettingHostTest, EscapeAndUnknownIdsChangeNothing)
{
    for (const ToolIds *tool : {&kCalc, &kRender, &kPlayer}) {
        SCOPED_TRACE(tool->valueName);
        world::Reset();
        world::SetString(kGame, tool->valueName, "0");
        HWND dialog = OpenDialog(*tool);
        ShowWindow(dialog, SW_SHOW);
        // Away from the stored choice, so a reset of the choice would show.
        int clicked = tool->radios.back() == Checked(dialog, *tool) ? tool->radios.front() : tool->radios.back();
        fakewin::Click(dialog, clicked);
        const int choice = CurrentChoice;

        const WPARAM ids[] = {
            IDCANCEL,  // what the dialog keyboard handling sends for Esc
            IDOK,      // what it sends for Enter without a default button
            9999,      // no control
        };
        for (WPARAM id : ids)
            SendMessageA(dialog, WM_COMMAND, id, 0);
        if (tool->otherControl)
            fakewin::Click(dialog, tool->otherControl);
        fakewin::PressKey(dialog, VK_ESCAPE);
        // The Esc key goes through the loop's dialog handling; then the loop waits.
        EXPECT_EQ(fakewin::kStuckQuitCode, Pump(dialog));

        EXPECT_TRUE(fakewin::IsWindowAlive(dialog));
        EXPECT_TRUE(fakewin::QueuedMessages().empty());
        EXPECT_EQ(choice, CurrentChoice);
        EXPECT_EQ(clicked, Checked(dialog, *tool));
        EXPECT_EQ(0, fakewin::CallCount("RegSetValueExA"));
        EXPECT_EQ(0, fakewin::CallCount("RegCreateKeyExA"));
        EXPECT_EQ(std::string("0", 2), Stored(*tool));
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
        fakewin::Click(dialog, 1002);
        if (closeBox)
            fakewin::CloseBox(dialog);
        else
            fakewin::Click(dialog, kCalc.cancel);
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
    struct Row {
        const ToolIds *tool;
        int checked;
    };
    const Row rows[] = {
        {&kCalc, 1002},    // "" is 0: disabled, although the number is 1
        {&kRender, 1002},  // disabled
        {&kPlayer, 1043},  // MCI
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.tool->valueName);
        world::Reset();
        fakewin::SetDword("HKEY_CURRENT_USER\\" + std::string(kGame), row.tool->valueName, 1);
        HWND dialog = OpenDialog(*row.tool);
        ShowWindow(dialog, SW_SHOW);
        EXPECT_EQ(row.checked, Checked(dialog, *row.tool));
        fakewin::Click(dialog, row.tool->decide);
        EXPECT_EQ(0u, Pump(dialog));
        DWORD type = REG_NONE;
        EXPECT_EQ(std::string("0", 2), Stored(*row.tool, &type));
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
        for (const ToolIds *tool : {&kCalc, &kRender, &kPlayer}) {
            SCOPED_TRACE(testing::Message() << tool->valueName << " fault " << static_cast<int>(call));
            world::Reset();
            world::SetString(kGame, tool->valueName, "1");
            fakewin::FailRegistry(call, "HKEY_CURRENT_USER\\" + std::string(kGame));
            HWND dialog = OpenDialog(*tool);
            ShowWindow(dialog, SW_SHOW);
            fakewin::Click(dialog, tool->decide);

            ASSERT_EQ(1u, fakewin::MessageBoxes().size());
            const fakewin::MessageBoxCall &box = fakewin::MessageBoxes()[0];
            EXPECT_EQ(dialog, box.owner);
            EXPECT_EQ(HOST_TEXT_NOT_SAVED, box.text);
            EXPECT_EQ(HOST_TEXT_WARNING_TITLE, box.title);
            EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), box.style);
            EXPECT_FALSE(ClosePosted(dialog));
            EXPECT_TRUE(fakewin::IsWindowAlive(dialog));
            EXPECT_EQ(std::string("1", 2), Stored(*tool));

            // The user can still leave with cancel.
            fakewin::Click(dialog, tool->cancel);
            EXPECT_EQ(0u, Pump(dialog));
            EXPECT_EQ(1u, fakewin::MessageBoxes().size());
        }
    }
}

}  // namespace
