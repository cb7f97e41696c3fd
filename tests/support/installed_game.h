// A game installation laid out on the Win32 stand-in, as the game's installer leaves
// it; shared by the benchmark and the fuzz targets.
#pragma once

#include <string>

#include "setting.h"

namespace installed_game {

// "HKEY_CURRENT_USER\Software\<regName>", as the stand-in's test API names keys.
std::string KeyOf(const std::string &regName);

// Resets the stand-in, then: the program at C:\Program\Tool.exe with a SETUP.INI
// beside it naming regName, the eleven values under the game's key and the save folder
// C:\Save. The setting value is left to the caller.
void Install(const std::string &regName);

}  // namespace installed_game
