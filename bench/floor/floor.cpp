// The floor of the start-up benchmark: the least a program can do to show a dialog
// of its own class with one radio button checked. Built with the tools' own flags,
// once with a one-button dialog and once with each tool's own dialog, so that the
// cost of the tools' work can be told from the cost of their richer dialogs.
#include <windows.h>

namespace {

// The plain floor has a dialog of its own; built with a tool's dialog instead, it
// takes that dialog's class and first radio button.
#ifndef FLOOR_CLASS
#define FLOOR_CLASS "_kz_floor_Main"
#endif
#ifndef FLOOR_RADIO
#define FLOOR_RADIO 1001
#endif
const char kClassName[] = FLOOR_CLASS;
const int kRadioId = FLOOR_RADIO;
bool filled;

LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && !filled) {
        SendMessageA(GetDlgItem(window, kRadioId), BM_SETCHECK, BST_CHECKED, 0);
        filled = true;
    } else if (message == WM_DESTROY) {
        PostQuitMessage(0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int FloorWinMain(HINSTANCE instance, int showCommand)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FloorWndProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(106), nullptr, nullptr, 0);
    if (dialog == nullptr)
        return 0;
    ShowWindow(dialog, showCommand);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

extern "C" void WINAPI FloorEntry()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(FloorWinMain(GetModuleHandleA(nullptr), showCommand)));
}
