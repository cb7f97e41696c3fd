// Start-up from the record of the window calls: what only the host can cause (the class
// or dialog refused, GetMessageA's -1), the loop's contract, the class and its icons,
// and a second start's calls on the running copy's window.
#include "startup.h"

#include <string>
#include <vector>

#include "host_test.h"
#include "installed_game.h"
#include "settings.h"
#include "tool_facts.h"

namespace {

const HWND kDialog = reinterpret_cast<HWND>(0x10000);

class StartupHostTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        installed_game::Install("KzUnitTest\\Game");
    }

    static int Run(int showCommand = SW_SHOWNORMAL)
    {
        return ToolWinMain(CalcSwitchSetting, fakewin::ProgramInstance(), nullptr, nullptr, showCommand);
    }

    static std::vector<std::string> Names(const std::vector<fakewin::WindowCall> &calls)
    {
        std::vector<std::string> names;
        for (const fakewin::WindowCall &call : calls) names.push_back(call.function);
        return names;
    }
};

TEST_F(StartupHostTest, ASecondStartRestoresTheRunningCopyAndBringsItForward)
{
    const HWND running = reinterpret_cast<HWND>(0x20000);
    fakewin::Reset();  // no SETUP.INI either: the second copy must not look for it
    fakewin::Answers().running = running;
    EXPECT_EQ(0, Run());
    ASSERT_EQ((std::vector<std::string>{"FindWindowA", "ShowWindow", "SetForegroundWindow"}), fakewin::CallLog());
    const std::vector<fakewin::WindowCall> &calls = fakewin::WindowCalls();
    EXPECT_EQ(kCalc.className, calls[0].text);
    EXPECT_EQ(running, calls[1].window);
    EXPECT_EQ(static_cast<ULONG_PTR>(SW_RESTORE), calls[1].what);
    EXPECT_EQ(running, calls[2].window);
}

TEST_F(StartupHostTest, AFailedCheckShowsItsWarningAloneAndEnds)
{
    // The program's own path unknown: a cause that only the stand-in can make.
    fakewin::FailModuleFileName();
    EXPECT_EQ(0, Run());
    ExpectOneWarning(nullptr, kTextNoSetupIni);
    EXPECT_EQ((std::vector<std::string>{"FindWindowA", "MessageBoxA"}), Names(fakewin::WindowCalls()));
}

TEST_F(StartupHostTest, AClassOrDialogRefusedEndsSilently)
{
    for (bool classRefused : {true, false}) {
        SCOPED_TRACE(classRefused ? "class refused" : "dialog refused");
        installed_game::Install("KzUnitTest\\Game");
        if (classRefused)
            fakewin::Answers().atom = 0;
        else
            fakewin::Answers().dialog = nullptr;
        EXPECT_EQ(0, Run());
        std::vector<std::string> expected = {"FindWindowA", "LoadIconA", "LoadCursorA", "RegisterClassA"};
        if (!classRefused) expected.push_back("CreateDialogParamA");
        EXPECT_EQ(expected, Names(fakewin::WindowCalls()));
    }
}

TEST_F(StartupHostTest, TheClassAndTheDialogCarryTheProgramsIcon)
{
    EXPECT_EQ(0, Run(SW_SHOWMAXIMIZED));
    const HICON icon = LoadIconA(fakewin::ProgramInstance(), MAKEINTRESOURCEA(101));
    const WNDCLASSA &registered = fakewin::RegisteredClass();
    EXPECT_EQ(static_cast<UINT>(CS_HREDRAW | CS_VREDRAW), registered.style);
    EXPECT_EQ(&MainWndProc, registered.lpfnWndProc);
    EXPECT_EQ(0, registered.cbClsExtra);
    EXPECT_EQ(DLGWINDOWEXTRA, registered.cbWndExtra);
    EXPECT_EQ(fakewin::ProgramInstance(), registered.hInstance);
    EXPECT_EQ(icon, registered.hIcon);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), registered.hCursor);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(16), registered.hbrBackground);
    EXPECT_EQ(nullptr, registered.lpszMenuName);
    EXPECT_STREQ(kCalc.className, registered.lpszClassName);
    // The save folder, after every installation value, is the last thing the checks probe.
    EXPECT_EQ("C:\\Save", fakewin::FindCalls().back().pattern);

    const std::vector<fakewin::WindowCall> made =
        CallsOf({"CreateDialogParamA", "SetClassLongPtrA", "ShowWindow", "UpdateWindow", "GetMessageA"});
    ASSERT_EQ(6u, made.size());
    // Template 106 of the program, no owner, no dialog procedure, parameter 0.
    EXPECT_EQ(106u, made[0].what);
    EXPECT_EQ(reinterpret_cast<WPARAM>(fakewin::ProgramInstance()), made[0].wParam);
    EXPECT_EQ(nullptr, made[0].window);
    EXPECT_EQ("", made[0].text);
    EXPECT_EQ(0, made[0].lParam);
    const ULONG_PTR indexes[] = {static_cast<ULONG_PTR>(GCLP_HICON), static_cast<ULONG_PTR>(GCLP_HICONSM)};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kDialog, made[1 + i].window);
        EXPECT_EQ(indexes[i], made[1 + i].what);
        EXPECT_EQ(reinterpret_cast<WPARAM>(icon), made[1 + i].wParam);
    }
    EXPECT_EQ(kDialog, made[3].window);
    EXPECT_EQ(static_cast<ULONG_PTR>(SW_SHOWMAXIMIZED), made[3].what);
    EXPECT_EQ(kDialog, made[4].window);
    EXPECT_EQ("UpdateWindow", made[4].function);
    EXPECT_EQ("GetMessageA", made[5].function);
}

TEST_F(StartupHostTest, EveryMessageIsOfferedToTheDialogFirstAndMinusOneGoesOn)
{
    const MSG key = {kDialog, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    const MSG command = {kDialog, WM_COMMAND, 1003, 0, 0, {0, 0}};
    fakewin::Answers().messages = {
        {-1, command, FALSE},  // an error: the MSG is left as it was
        {TRUE, key, TRUE},     // taken by the dialog's keyboard handling
        {TRUE, command, FALSE},
        {FALSE, MSG{nullptr, WM_QUIT, 7, 0, 0, {0, 0}}, FALSE},
    };
    EXPECT_EQ(7, Run());
    const std::vector<fakewin::WindowCall> loop =
        CallsOf({"GetMessageA", "IsDialogMessageA", "TranslateMessage", "DispatchMessageA"});
    ASSERT_EQ((std::vector<std::string>{
                  "GetMessageA", "IsDialogMessageA", "TranslateMessage", "DispatchMessageA",  // the failed call
                  "GetMessageA", "IsDialogMessageA",                                          // taken
                  "GetMessageA", "IsDialogMessageA", "TranslateMessage", "DispatchMessageA",  // declined
                  "GetMessageA"}),
              Names(loop));
    for (const fakewin::WindowCall &call : loop) {
        if (call.function == "GetMessageA") {
            // Any window of the thread, no filter.
            EXPECT_EQ(nullptr, call.window);
            EXPECT_EQ(0u, call.what);
            EXPECT_EQ(0u, call.wParam);
        } else if (call.function == "IsDialogMessageA") {
            EXPECT_EQ(kDialog, call.window);
        }
    }
    EXPECT_EQ(static_cast<ULONG_PTR>(WM_KEYDOWN), loop[5].what);
    EXPECT_EQ(static_cast<ULONG_PTR>(WM_COMMAND), loop[9].what);
}

}  // namespace
