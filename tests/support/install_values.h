// The values that the game's installer writes under the game's key, in its order, and
// what it writes: one layout of an installed game for every test, benchmark and
// scenario, whatever API each writes it through.
#pragma once

#include <string.h>

#include <string>

inline constexpr const char *kInstallValues[] = {
    "DAT_EXIST",  "BGM_EXIST",  "KOE_EXIST",  "MOV_EXIST", "SAV_FOLDER", "DAT_FOLDER",
    "BGM_FOLDER", "KOE_FOLDER", "MOV_FOLDER", "CD_DRIVE",  "DISK_MARK",
};

// SETUP.INI as the installer writes it beside the game, naming the game's key.
inline std::string SetupIniText(const std::string &regName)
{
    return "[Setup Initial]\r\nREG_NAME=" + regName + "\r\nINSTALL_TYPE=1\r\n";
}

// Calls set(name, text) for each installer value but `missing`; SAV_FOLDER names
// saveFolder, which the caller makes. The tools read only SAV_FOLDER's text: the others
// hold what an installer would, so that nothing depends on their being "1".
template <typename Set>
void WriteInstallValues(const std::string &saveFolder, Set set, const char *missing = nullptr)
{
    for (const char *name : kInstallValues) {
        if (missing != nullptr && strcmp(name, missing) == 0) continue;
        set(name, strcmp(name, "SAV_FOLDER") == 0  ? saveFolder
                  : strstr(name, "_EXIST")          ? std::string("1")
                  : strcmp(name, "CD_DRIVE") == 0   ? std::string("Q:\\")
                  : strcmp(name, "DISK_MARK") == 0  ? std::string("KZDISK01")
                                                    : std::string("C:\\Game\\") + name);
    }
}
