// The body of every tool program: single instance, start-up checks, dialog window
// and message loop.
#pragma once

#include <windows.h>

#include "resource_ids.h"
#include "setting.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;

// The warning of the first start-up check that fails, null when the game is ready;
// builds GameKeyPath on the way.
const char *FailedStartupCheck();
// The dialog's class with the active setting's name and MainWndProc.
ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainDialog(HINSTANCE instance, int showCommand);
int ToolWinMain(const SettingDefinition &setting, HINSTANCE instance, HINSTANCE previous,
                LPSTR commandLine, int showCommand);
