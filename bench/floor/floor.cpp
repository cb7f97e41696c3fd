// The floor of the start-up benchmark: the least a program can do to show a dialog
// of its own class with one radio button checked. Built with the tools' own flags,
// once with a one-button dialog and once with each tool's own dialog and the window
// work the tools do around it (class icons, cursor and background, a paint before the
// message loop), so that the cost of the tools' SETUP.INI, registry and save-folder
// work can be told from the cost of their richer windows.
#include <windows.h>

#include "resource_ids.h"

#ifdef FLOOR_SETTING
// Built with a tool's dialog: the class and first radio button of the tool's own
// setting definition, read where they are used (no static initialiser runs here).
#include "settings.h"
#define FLOOR_CLASS_NAME FLOOR_SETTING.className
#define IDC_FLOOR_RADIO FLOOR_SETTING.rows[0].controlId
#else
#include "floor.h"
#endif

namespace {

bool filled;

LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && !filled) {
        SendMessageA(GetDlgItem(window, IDC_FLOOR_RADIO), BM_SETCHECK, BST_CHECKED, 0);
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
    windowClass.lpszClassName = FLOOR_CLASS_NAME;
#ifdef FLOOR_SETTING
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
#endif
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, nullptr, 0);
    if (dialog == nullptr)
        return 0;
#ifdef FLOOR_SETTING
    SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN))));
    SetClassLongPtrA(dialog, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN))));
#endif
    ShowWindow(dialog, showCommand);
#ifdef FLOOR_SETTING
    UpdateWindow(dialog);
#endif
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
