// Start-up of a tool: refuses a second copy, checks that the game is installed,
// then runs the setting dialog until it is closed.
#include "startup.h"

#include "install.h"
#include "window.h"

namespace {

void ShowWarning(const char *text)
{
    MessageBoxA(nullptr, text, kTextWarningTitle, MB_ICONWARNING);
}

// Returns the text of the first check that fails, or null when the game is ready.
const char *CheckGame()
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

}  // namespace

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
    if (const char *failure = CheckGame()) {
        ShowWarning(failure);
        return 0;
    }
    if (RegisterMainClass(instance) == 0 || !CreateMainDialog(instance, showCommand))
        return 0;
    return toolwindow::RunMessageLoop();
}
