// Process entry of a tool program. It runs without the C runtime's start-up code,
// which keeps the program small and its imports to the system DLLs.
#include <windows.h>

#include "startup.h"

// Each tool program defines its one setting.
extern const SettingDefinition ToolSetting;

namespace {

// The command line after the program's name, as WinMain would receive it.
LPSTR CommandTail(LPSTR line)
{
    if (*line == '"') {
        ++line;
        while (*line != '\0' && *line != '"')
            ++line;
        if (*line == '"')
            ++line;
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

}  // namespace

extern "C" void WINAPI ToolEntry()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(ToolWinMain(ToolSetting, GetModuleHandleA(nullptr), nullptr,
                                              CommandTail(GetCommandLineA()), showCommand)));
}
