// Start-up of a tool over the stand-in: the order of the platform calls, a second
// copy, each start-up failure, the window class and the whole decide flow.
#include "startup.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host_test.h"
#include "install.h"
#include "install_values.h"
#include "settings.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";

class StartupHostTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        MainWindow = nullptr;
        AppInstance = nullptr;
    }

    // A game set up as its installer leaves it (but for `missing`), and CalcSwitch's
    // dialog template.
    static void InstallGame(const char *missing = nullptr)
    {
        world::MakeFile(world::ProgramFolder() + "\\SETUP.INI", SetupIniText("KzUnitTest\\Game"));
        WriteInstallValues(
            world::Folder(), [](const char *name, const std::string &text) { world::SetString(kGame, name, text); },
            missing);
        AddToolTemplate(kCalc);
    }

    // A fresh installation, spoiled by breakIt, and the tool run on it.
    static int RunBroken(const std::function<void()> &breakIt)
    {
        world::Reset();
        InstallGame();
        breakIt();
        return Run();
    }

    // The user's steps, one each time the message loop would wait.
    static void Script(std::vector<std::function<void()>> steps)
    {
        auto next = std::make_shared<size_t>(0);
        auto shared = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
        fakewin::SetUserAction([next, shared] {
            if (*next < shared->size())
                (*shared)[(*next)++]();
        });
    }

    static int Run(int showCommand = SW_SHOWNORMAL)
    {
        char commandLine[] = "";
        return ToolWinMain(CalcSwitchSetting, fakewin::ProgramInstance(), nullptr, commandLine,
                           showCommand);
    }

    static size_t FirstCall(const std::string &name)
    {
        const std::vector<std::string> &log = fakewin::CallLog();
        return static_cast<size_t>(std::find(log.begin(), log.end(), name) - log.begin());
    }

    static std::string Stored()
    {
        std::string data;
        return world::GetValue(kGame, "MmxUse", nullptr, &data) ? data : "<none>";
    }
};

TEST_F(StartupHostTest, CallsComeInTheirOrderAndDecideEndsWithZero)
{
    InstallGame();
    Script({[] { fakewin::PressKey(MainWindow, VK_ESCAPE); }, [] { fakewin::Click(MainWindow, 1002); },
            [] { fakewin::Click(MainWindow, 1004); }});
    // An error from the message loop's first call, before any message: the loop goes on.
    fakewin::FailGetMessage(1);
    EXPECT_EQ(0, Run());
    EXPECT_EQ(0, fakewin::StuckCount());
    EXPECT_EQ(std::string("0", 2), Stored());
    EXPECT_FALSE(fakewin::IsWindowAlive(MainWindow));
    EXPECT_TRUE(fakewin::MessageBoxes().empty());

    // Single-instance check, SETUP.INI, REG_NAME, installation values and save folder,
    // class, dialog, icons, show, loop.
    const char *const order[] = {"FindWindowA",      "GetModuleFileNameA", "GetPrivateProfileStringA",
                                 "RegEnumValueA",    "RegisterClassA",     "CreateDialogParamA",
                                 "SetClassLongPtrA", "ShowWindow",         "UpdateWindow",
                                 "GetMessageA"};
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_LT(FirstCall(order[i - 1]), FirstCall(order[i]));
    }
    // The save folder is probed after the last installation value was read.
    const std::vector<fakewin::FindCall> &finds = fakewin::FindCalls();
    ASSERT_FALSE(finds.empty());
    EXPECT_EQ(world::Folder(), finds.back().pattern);
    const std::vector<std::string> &log = fakewin::CallLog();
    EXPECT_EQ("FindWindowA", log.front());

    // Every message goes to the dialog's keyboard handling first; only what it declines
    // is translated and dispatched.
    std::vector<std::string> loop;
    std::copy_if(log.begin(), log.end(), std::back_inserter(loop), [](const std::string &call) {
        return call == "GetMessageA" || call == "IsDialogMessageA" || call == "TranslateMessage" ||
               call == "DispatchMessageA";
    });
    EXPECT_EQ((std::vector<std::string>{
                  "GetMessageA", "IsDialogMessageA", "TranslateMessage", "DispatchMessageA",  // the failed call
                  "GetMessageA", "IsDialogMessageA",                                          // Esc: taken
                  "GetMessageA", "IsDialogMessageA", "TranslateMessage", "DispatchMessageA",  // WM_CLOSE
                  "GetMessageA"}),
              loop);
}

TEST_F(StartupHostTest, SecondCopyBringsTheFirstForwardAndDoesNothingElse)
{
    // No SETUP.INI at all: the second copy must not even look for it.
    HWND first = fakewin::AddForeignWindow(kCalc.className, true);
    EXPECT_EQ(0, Run());
    EXPECT_EQ((std::vector<std::string>{"FindWindowA", "ShowWindow", "SetForegroundWindow"}),
              fakewin::CallLog());
    ASSERT_EQ(1u, fakewin::ShowCalls().size());
    EXPECT_EQ(first, fakewin::ShowCalls()[0].window);
    EXPECT_EQ(SW_RESTORE, fakewin::ShowCalls()[0].command);
    EXPECT_EQ(std::vector<HWND>{first}, fakewin::ForegroundCalls());
    EXPECT_TRUE(fakewin::MessageBoxes().empty());
}

TEST_F(StartupHostTest, OtherToolsDoNotCountAsASecondCopy)
{
    fakewin::AddForeignWindow(kPlayer.className);
    fakewin::AddForeignWindow(kRender.className);
    InstallGame();
    Script({[] { fakewin::Click(MainWindow, 1003); }});
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(fakewin::ForegroundCalls().empty());
    EXPECT_EQ(1, fakewin::CallCount("CreateDialogParamA"));
}

TEST_F(StartupHostTest, EachStartupFailureShowsOneWarning)
{
    struct Row {
        const char *what;
        std::function<void()> breakIt;  // applied to an installed game
        const char *text;
    };
    const std::string ini = world::ProgramFolder() + "\\SETUP.INI";
    const Row rows[] = {
        {"no SETUP.INI", [&] { world::RemoveFile(ini); }, kTextNoSetupIni},
        {"SETUP.INI is a folder", [&] { world::RemoveFile(ini); world::MakeFolder(ini); },
         kTextNoSetupIni},
        {"the program's own path not available", [] { fakewin::FailModuleFileName(); },
         kTextNoSetupIni},
        {"no REG_NAME", [&] { world::MakeFile(ini, "[Setup Initial]\r\nOTHER=x\r\n"); },
         kTextNoRegName},
        {"empty REG_NAME", [&] { world::MakeFile(ini, "[Setup Initial]\r\nREG_NAME=\r\n"); },
         kTextNoRegName},
        {"REG_NAME too long for the key path",
         [&] { world::MakeFile(ini, "[Setup Initial]\r\nREG_NAME=" + std::string(240, 'n') + "\r\n"); },
         kTextNoRegName},
        {"no game key", [&] { world::MakeFile(ini, "[Setup Initial]\r\nREG_NAME=KzUnitTest\\None\r\n"); },
         kTextNotInstalled},
        {"save folder missing", [&] { world::SetString(kGame, "SAV_FOLDER", world::Folder() + "\\gone"); },
         kTextNotInstalled},
        {"last value missing", [] { world::Reset(); InstallGame("DISK_MARK"); }, kTextNotInstalled},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(0, RunBroken(row.breakIt));
        ExpectOneWarning(nullptr, row.text);
        EXPECT_EQ(0, fakewin::CallCount("RegisterClassA"));
        EXPECT_EQ(0, fakewin::CallCount("GetMessageA"));
        EXPECT_EQ(0, fakewin::OpenKeyCount());
    }
}

TEST_F(StartupHostTest, WindowFailuresEndSilently)
{
    struct Row {
        const char *what;
        std::function<void()> breakIt;
        long dialogCalls;  // CreateDialogParamA calls expected
    };
    const Row rows[] = {
        {"class registration refused", [] { fakewin::FailRegisterClass(true); }, 0},
        {"dialog creation refused", [] { fakewin::FailCreateDialog(true); }, 1},
        {"class already registered", [] {
             WNDCLASSA other = {};
             other.lpszClassName = kCalc.className;
             RegisterClassA(&other);
         }, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(0, RunBroken(row.breakIt));
        EXPECT_TRUE(fakewin::MessageBoxes().empty());
        EXPECT_EQ(row.dialogCalls, fakewin::CallCount("CreateDialogParamA"));
        EXPECT_EQ(0, fakewin::CallCount("ShowWindow"));
        EXPECT_EQ(0, fakewin::CallCount("GetMessageA"));
    }
}

TEST_F(StartupHostTest, HiddenStartStaysUnfilledUntilShown)
{
    InstallGame();
    world::SetString(kGame, "MmxUse", "0");
    bool checkedWhileHidden = false;
    Script({[&] {
                // Still running and hidden: nothing read, nothing checked.
                EXPECT_FALSE(fakewin::IsWindowVisible(MainWindow));
                EXPECT_EQ(0, InitDone);
                EXPECT_EQ(BST_UNCHECKED, fakewin::CheckState(MainWindow, 1001));
                EXPECT_EQ(BST_UNCHECKED, fakewin::CheckState(MainWindow, 1002));
                checkedWhileHidden = true;
                // What a second start does to this copy's window.
                ShowWindow(MainWindow, SW_RESTORE);
                EXPECT_EQ(1, InitDone);
                EXPECT_EQ(BST_CHECKED, fakewin::CheckState(MainWindow, 1002));
            },
            [] { fakewin::Click(MainWindow, 1003); }});
    EXPECT_EQ(0, Run(SW_HIDE));
    EXPECT_TRUE(checkedWhileHidden);
    EXPECT_EQ(0, fakewin::StuckCount());
    EXPECT_EQ(std::string("0", 2), Stored());
}

TEST_F(StartupHostTest, ClassAndIconsAreSetUp)
{
    InstallGame();
    Script({[] { fakewin::Click(MainWindow, 1003); }});
    EXPECT_EQ(0, Run());

    const WNDCLASSA *registered = fakewin::RegisteredClass(kCalc.className);
    ASSERT_NE(nullptr, registered);
    EXPECT_EQ(&MainWndProc, registered->lpfnWndProc);
    EXPECT_EQ(fakewin::ProgramInstance(), registered->hInstance);

    // Icon 101 of the program is the class's icon and small icon; no other icon is loaded.
    for (const fakewin::LoadCall &load : fakewin::IconLoads()) {
        EXPECT_EQ(fakewin::ProgramInstance(), load.instance);
        EXPECT_EQ(101u, load.resourceId);
    }
    const HICON icon = LoadIconA(fakewin::ProgramInstance(), MAKEINTRESOURCEA(101));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, registered->hIcon);
    EXPECT_EQ(icon, fakewin::ClassSmallIcon(kCalc.className));

    // The system arrow, loaded without an instance.
    ASSERT_EQ(1u, fakewin::CursorLoads().size());
    EXPECT_EQ(nullptr, fakewin::CursorLoads()[0].instance);
    EXPECT_EQ(32512u, fakewin::CursorLoads()[0].resourceId);
    EXPECT_NE(nullptr, registered->hCursor);
    EXPECT_EQ(fakewin::CursorLoads()[0].result, registered->hCursor);
}

TEST_F(StartupHostTest, ShownWithTheStartersCommandThenUpdated)
{
    InstallGame();
    Script({[] { fakewin::Click(MainWindow, 1003); }});
    EXPECT_EQ(0, Run(SW_SHOWMAXIMIZED));
    ASSERT_EQ(1u, fakewin::ShowCalls().size());
    EXPECT_EQ(MainWindow, fakewin::ShowCalls()[0].window);
    EXPECT_EQ(SW_SHOWMAXIMIZED, fakewin::ShowCalls()[0].command);
    EXPECT_LT(FirstCall("ShowWindow"), FirstCall("UpdateWindow"));
    EXPECT_LT(FirstCall("UpdateWindow"), FirstCall("GetMessageA"));
}

TEST_F(StartupHostTest, EscapeInTheLoopNeitherClosesNorWrites)
{
    InstallGame();
    bool stillOpen = false;
    Script({[] { fakewin::PressKey(MainWindow, VK_ESCAPE); },
            [&] {
                stillOpen = fakewin::IsWindowAlive(MainWindow);
                fakewin::Click(MainWindow, 1003);
            }});
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(0, fakewin::CallCount("RegSetValueExA"));
    EXPECT_EQ(0, fakewin::StuckCount());
}

}  // namespace
