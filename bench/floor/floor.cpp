// The floor of the start-up benchmark: the least a program can do to show a dialog
// of its own class with one radio button checked. Built with the tools' own flags.
#include <windows.h>

namespace {

const char kClassName[] = "_kz_floor_Main";
const int kRadioId = 1001;
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
