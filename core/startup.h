// The body of every tool program: single instance, start-up checks, dialog window
// and message loop.
#pragma once

#include <windows.h>

#include "resource_ids.h"
#include "setting.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;

// What a tool does with its window, apart from its own checks; the benchmark's floor
// program does the same with a window procedure of its own.
// Shows and activates a copy that is already running; 0 when there is none.
int BringRunningCopyForward(const char *className);
ATOM RegisterDialogClass(HINSTANCE instance, const char *className, WNDPROC windowProc);
// The dialog's class with the active setting's name and MainWndProc.
ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainDialog(HINSTANCE instance, int showCommand);
int RunMessageLoop();
int ToolWinMain(const SettingDefinition &setting, HINSTANCE instance, HINSTANCE previous,
                LPSTR commandLine, int showCommand);
