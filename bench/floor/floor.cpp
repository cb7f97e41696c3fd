// The floor of the start-up benchmark: a tool's start-up and window, made by the very
// window code of the tools (core/window.h), without the tool's own work
// (SETUP.INI, the registry, the save folder). Built with the tools' flags, once with a
// one-button dialog of its own and once with each tool's dialog and icon, so that what
// the tools' own work costs can be told from what their windows cost.
#include <windows.h>

#include "window.h"

// A tool's own definition, or the one-button floor's (floor/setting.cpp). Its fields
// are read where they are used: no static initialiser runs in these programs.
extern const SettingDefinition FloorSetting;

namespace {

bool filled;

// The tool's first fill of its radio buttons, showing the row of a value that is not
// there instead of reading one.
void FillChoices(HWND window)
{
    for (int i = 0; i < FloorSetting.rowCount; ++i)
        SendMessageA(GetDlgItem(window, FloorSetting.rows[i].controlId), BM_SETCHECK, BST_UNCHECKED, 0);
    const ChoiceRow &row = FloorSetting.rows[FloorSetting.absentRow];
    SendMessageA(GetDlgItem(window, row.controlId), BM_SETCHECK, BST_CHECKED, 0);
    filled = true;
}

LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && !filled)
        FillChoices(window);
    else if (message == WM_DESTROY)
        PostQuitMessage(0);
    // The tools' default handling: the dialog's keyboard interface, and the close box.
    if (message == WM_CLOSE)
        return DefWindowProcA(window, message, wParam, lParam);
    return DefDlgProcA(window, message, wParam, lParam);
}

int FloorWinMain(HINSTANCE instance, int showCommand)
{
    if (toolwindow::BringRunningCopyForward(FloorSetting.className))
        return 0;
    if (toolwindow::RegisterDialogClass(instance, FloorSetting.className, FloorWndProc) == 0 ||
        !toolwindow::CreateDialogWindow(instance, showCommand))
        return 0;
    return toolwindow::RunMessageLoop();
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
