// Which start-up check fails, and with which warning, on the stand-in and under Wine.
#include "startup.h"

#include <gtest/gtest.h>

#include <string>

#include "install.h"
#include "install_values.h"
#include "startup_failures.h"
#include "world.h"

namespace {

const char kGame[] = TEST_KEY "\\Game";
const char *const kWarnings[] = {kTextNoSetupIni, kTextNoRegName, kTextNotInstalled};

std::string Ini()
{
    return world::ProgramFolder() + "\\SETUP.INI";
}

std::string SaveFolder()
{
    return world::Folder() + "\\SAVE";
}

// SETUP.INI beside the program, the installer's values and the save folder with a file in it.
void InstallGame()
{
    world::Reset();
    world::MakeFile(Ini(), SetupIniText("KzUnitTest\\Game"));
    world::MakeFolder(SaveFolder());
    world::MakeFile(SaveFolder() + "\\save01.dat", "slot 1");
    WriteInstallValues(SaveFolder(), [](const char *name, const std::string &text) {
        world::SetString(kGame, name, text);
    });
}

void Apply(Spoil spoil, const char *text)
{
    switch (spoil) {
    case Spoil::kNoIni: world::RemoveFile(Ini()); break;
    case Spoil::kIniIsFolder: world::RemoveFile(Ini()); world::MakeFolder(Ini()); break;
    case Spoil::kSetupDataIniFolder:
        world::RemoveFile(Ini());
        world::MakeFolder(world::ProgramFolder() + "\\SETUPDATA");
        world::MakeFolder(world::ProgramFolder() + "\\SETUPDATA\\SETUP.INI");
        break;
    case Spoil::kIniText: world::MakeFile(Ini(), text); break;
    case Spoil::kNoGameKey: world::Reset(); world::MakeFile(Ini(), SetupIniText("KzUnitTest\\Game")); break;
    case Spoil::kSaveFolderPlus: world::SetString(kGame, "SAV_FOLDER", SaveFolder() + text); break;
    case Spoil::kSaveFolderText: world::SetString(kGame, "SAV_FOLDER", text); break;
    case Spoil::kSaveFolderGone: world::RemoveFile(SaveFolder()); break;
    }
}

TEST(Startup, EachFailedCheckGivesItsWarning)
{
    InstallGame();
    EXPECT_EQ(nullptr, FailedStartupCheck());
    EXPECT_STREQ("\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game", GameKeyPath);
    for (const StartupFailure &row : kStartupFailures) {
        SCOPED_TRACE(row.what);
        InstallGame();
        Apply(row.spoil, row.text);
        EXPECT_EQ(kWarnings[row.warning], FailedStartupCheck());
    }
    // A name that the key path cannot hold is as unusable as a missing one.
    InstallGame();
    Apply(Spoil::kIniText, ("[Setup Initial]\r\nREG_NAME=" + std::string(240, 'n') + "\r\n").c_str());
    EXPECT_EQ(kTextNoRegName, FailedStartupCheck());
}

}  // namespace
