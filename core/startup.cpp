// Start-up of a tool: refuses a second copy, checks that the game is installed,
// then runs the setting dialog until it is closed.
#include "startup.h"

#include "install.h"

HINSTANCE AppInstance;
HWND MainWindow;

namespace {

void ShowWarning(const char *text)
{
    MessageBoxA(nullptr, text, kTextWarningTitle, MB_ICONWARNING);
}

// Returns the text of the first check that fails, or null when the game is ready.
const char *CheckGame()
{
    char iniPath[kPathBufferSize];
    if (!LocateSetupIni(iniPath))
        return kTextNoSetupIni;
    char regName[kPathBufferSize];
    // A name too long for the key path cannot be used any more than a missing one.
    if (!ReadRegName(iniPath, regName) || !BuildGameKeyPath(regName))
        return kTextNoRegName;
    if (!IsGameInstalled(GameKeyPath))
        return kTextNotInstalled;
    return nullptr;
}

int RunMessageLoop()
{
    // Cleared, so that what the loop returns is always defined: the loop ends only when
    // GetMessageA returns 0, and a -1 before that leaves the message unset.
    MSG message = {};
    // GetMessageA's -1 (an error) keeps the loop going, as any non-zero result does.
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (!IsDialogMessageA(MainWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

ATOM RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ActiveSetting->className;
    return RegisterClassA(&windowClass);
}

int CreateMainDialog(HINSTANCE instance, int showCommand)
{
    AppInstance = instance;
    MainWindow = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, nullptr, 0);
    if (MainWindow == nullptr)
        return 0;
    // The 32-bit headers make this SetClassLongA, which XP has; the host build's 64-bit
    // handles need the pointer-wide call.
    SetClassLongPtrA(MainWindow, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_MAIN))));
    SetClassLongPtrA(MainWindow, GCLP_HICONSM,
                     reinterpret_cast<LONG_PTR>(LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_MAIN))));
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    return 1;
}

int ToolWinMain(const SettingDefinition &setting, HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    UseSetting(setting);
    HWND running = FindWindowA(setting.className, nullptr);
    if (running != nullptr) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }
    if (const char *failure = CheckGame()) {
        ShowWarning(failure);
        return 0;
    }
    if (RegisterMainClass(instance) == 0 || !CreateMainDialog(instance, showCommand))
        return 0;
    return RunMessageLoop();
}
