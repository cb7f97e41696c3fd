// A tool's window apart from its setting: the single copy, the dialog's class and
// window, and the message loop. The benchmark's floor program includes this very code
// with a window procedure of its own, so the two cannot drift apart. Kept in a header
// of inline functions, not an object of its own: calls across objects cost each tool
// 512 bytes of code that the compiler otherwise inlines.
#pragma once

#include "startup.h"

namespace toolwindow {

// Shows and activates a copy that is already running; 0 when there is none.
inline int BringRunningCopyForward(const char *className)
{
    HWND running = FindWindowA(className, nullptr);
    if (running == nullptr)
        return 0;
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return 1;
}

inline ATOM RegisterDialogClass(HINSTANCE instance, const char *className, WNDPROC windowProc)
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

// The dialog IDD_MAIN of the instance, with the icon IDI_MAIN, shown; 0 when it cannot be made.
inline int CreateDialogWindow(HINSTANCE instance, int showCommand)
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

inline int RunMessageLoop()
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

}  // namespace toolwindow
