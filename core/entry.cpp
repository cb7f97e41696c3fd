// Process entry of a tool program. It runs without the C runtime's start-up code,
// which keeps the program small and its imports to the system DLLs.
#include <windows.h>

#include "startup.h"

// The tool's one setting: the build defines ToolSetting as <tool>Setting for each
// program (tools/CMakeLists.txt), so this file is the same in all three.
extern const SettingDefinition ToolSetting;

extern "C" void WINAPI ToolEntry()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    // The tools take no arguments: ToolWinMain never reads a command line.
    ExitProcess(static_cast<UINT>(ToolWinMain(ToolSetting, GetModuleHandleA(nullptr), nullptr, nullptr,
                                              showCommand)));
}
