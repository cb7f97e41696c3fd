// A game installation on the stand-in.
#include "installed_game.h"

#include "fakewin.h"
#include "install_values.h"

namespace installed_game {

std::string KeyOf(const std::string &regName)
{
    return "HKEY_CURRENT_USER\\Software\\" + regName;
}

void Install(const std::string &regName)
{
    fakewin::Reset();
    fakewin::KeepCallLog(false);
    fakewin::MakeFolder("C:\\Program");
    fakewin::MakeFolder("C:\\Save");
    fakewin::MakeFile("C:\\Program\\SETUP.INI", SetupIniText(regName));
    WriteInstallValues("C:\\Save", [&](const char *name, const std::string &text) {
        fakewin::SetString(KeyOf(regName), name, text);
    });
}

}  // namespace installed_game
