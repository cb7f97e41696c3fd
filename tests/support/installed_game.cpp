// A game installation on the stand-in.
#include "installed_game.h"

#include <vector>

#include "fakewin.h"
#include "install_values.h"
#include "startup.h"

namespace installed_game {

std::string KeyOf(const std::string &regName)
{
    return "HKEY_CURRENT_USER\\Software\\" + regName;
}

void Install(const SettingDefinition &setting, const std::string &regName)
{
    fakewin::Reset();
    fakewin::KeepCallLog(false);
    fakewin::MakeFolder("C:\\Program");
    fakewin::MakeFolder("C:\\Save");
    fakewin::MakeFile("C:\\Program\\SETUP.INI", SetupIniText(regName));
    WriteInstallValues("C:\\Save", [&](const char *name, const std::string &text) {
        fakewin::SetString(KeyOf(regName), name, text);
    });
    std::vector<fakewin::ControlSpec> controls;
    for (int i = 0; i < setting.rowCount; ++i)
        controls.push_back({setting.rows[i].controlId, fakewin::ControlKind::kAutoRadio});
    controls.push_back({setting.decideId, fakewin::ControlKind::kPushButton});
    controls.push_back({setting.cancelId, fakewin::ControlKind::kPushButton});
    fakewin::AddDialogTemplate(IDD_MAIN, setting.className, controls);
}

}  // namespace installed_game
