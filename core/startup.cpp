// Start-up of a tool: refuses a second copy, checks that the game is installed,
// then runs the setting dialog until it is closed.
#include "startup.h"

#include "install.h"
#include "window.h"

const char *FailedStartupCheck()
{
    char iniPath[kPathBufferSize];
    if (!LocateSetupIni(iniPath))
        return kTextNoSetupIni;
    char regName[kPathBufferSize];
    // A name too long for the key path cannot be used any more than a missing one.
    if (!ReadRegName(iniPath, regName) || !BuildGameKeyPath(regName))
        return kTextNoRegName;
    if (!IsGameInstalled(GameKeyPath))
        return kTextNotInstalled;
    return nullptr;
}

int CreateMainDialog(HINSTANCE instance, int showCommand)
{
    return toolwindow::CreateDialogWindow(instance, showCommand);
}

ATOM RegisterMainClass(HINSTANCE instance)
{
    return toolwindow::RegisterDialogClass(instance, ActiveSetting->className, MainWndProc);
}

int ToolWinMain(const SettingDefinition &setting, HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    UseSetting(setting);
    if (toolwindow::BringRunningCopyForward(setting.className))
        return 0;
    if (const char *failure = FailedStartupCheck()) {
        MessageBoxA(nullptr, failure, kTextWarningTitle, MB_ICONWARNING);
        return 0;
    }
    if (RegisterMainClass(instance) == 0 || !CreateMainDialog(instance, showCommand))
        return 0;
    return toolwindow::RunMessageLoop();
}
