// A tool's window apart from its setting: the single copy, the dialog's class and
// window, and the message loop. Kept apart from the start-up's checks so that the
// benchmark's floor program runs this very code without linking the checks.
#include "startup.h"

HINSTANCE AppInstance;
HWND MainWindow;

int BringRunningCopyForward(const char *className)
{
    HWND running = FindWindowA(className, nullptr);
    if (running == nullptr)
        return 0;
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return 1;
}

ATOM RegisterDialogClass(HINSTANCE instance, const char *className, WNDPROC windowProc)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
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
