// The values that the game's installer writes under the game's key, in its order:
// what every test, benchmark and scenario writes to lay out an installed game.
#pragma once

inline constexpr const char *kInstallValues[] = {
    "DAT_EXIST",  "BGM_EXIST",  "KOE_EXIST",  "MOV_EXIST", "SAV_FOLDER", "DAT_FOLDER",
    "BGM_FOLDER", "KOE_FOLDER", "MOV_FOLDER", "CD_DRIVE",  "DISK_MARK",
};
