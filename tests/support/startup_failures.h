// The start-up checks that fail: how a game, installed as its installer leaves it, is
// spoiled, and the warning the tool then shows. The unit tests and the end-to-end suite
// walk this one table, each on its own platform.
#pragma once

enum class Spoil {
    kNoIni,               // no SETUP.INI beside the program or in SETUPDATA
    kIniIsFolder,         // SETUP.INI beside the program is a folder
    kSetupDataIniFolder,  // none beside the program, and SETUPDATA\SETUP.INI is a folder
    kIniText,             // SETUP.INI holds `text`
    kNoGameKey,           // the game's key is gone
    kSaveFolderPlus,      // SAV_FOLDER holds the save folder followed by `text`
    kSaveFolderText,      // SAV_FOLDER holds `text`
    kSaveFolderGone,      // the save folder was deleted
};

enum Warning { kWarnNoIni, kWarnNoRegName, kWarnNotInstalled };

struct StartupFailure {
    int tool;  // the one tool of the end-to-end suite by kToolFacts' order; -1: each
    const char *what;
    const char *tag;  // names the end-to-end game's folder
    Spoil spoil;
    const char *text;
    Warning warning;
};

// Every suite's installed game has the file save01.dat in its save folder.
inline constexpr StartupFailure kStartupFailures[] = {
    {-1, "no SETUP.INI anywhere", "noini", Spoil::kNoIni, nullptr, kWarnNoIni},
    {-1, "REG_NAME empty", "emptyname", Spoil::kIniText, "[Setup Initial]\r\nREG_NAME=\r\nINSTALL_TYPE=1\r\n",
     kWarnNoRegName},
    {-1, "the game's key is missing", "nokey", Spoil::kNoGameKey, nullptr, kWarnNotInstalled},
    {1, "SETUP.INI is a folder", "inidir", Spoil::kIniIsFolder, nullptr, kWarnNoIni},
    {2, "SETUPDATA\\SETUP.INI is a folder", "setupdatadir", Spoil::kSetupDataIniFolder, nullptr, kWarnNoIni},
    {0, "SETUP.INI without the REG_NAME key", "nonamekey", Spoil::kIniText, "[Setup Initial]\r\nINSTALL_TYPE=1\r\n",
     kWarnNoRegName},
    {1, "SETUP.INI without the section", "nosection", Spoil::kIniText, "[Other]\r\nREG_NAME=KzE2EGame\r\n",
     kWarnNoRegName},
    {2, "REG_NAME of blanks only", "blankname", Spoil::kIniText, "[Setup Initial]\r\nREG_NAME=   \r\nINSTALL_TYPE=1\r\n",
     kWarnNoRegName},
    {0, "empty SETUP.INI", "emptyini", Spoil::kIniText, "", kWarnNoRegName},
    {1, "SAV_FOLDER names a file", "savfile", Spoil::kSaveFolderPlus, "\\save01.dat", kWarnNotInstalled},
    {2, "SAV_FOLDER's folder was deleted", "savgone", Spoil::kSaveFolderGone, nullptr, kWarnNotInstalled},
    {0, "SAV_FOLDER ends in a separator", "savslash", Spoil::kSaveFolderPlus, "\\", kWarnNotInstalled},
    {1, "SAV_FOLDER empty", "savempty", Spoil::kSaveFolderText, "", kWarnNotInstalled},
};
