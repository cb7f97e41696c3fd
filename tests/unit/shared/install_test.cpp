// Finding SETUP.INI and REG_NAME, building the game's key path, and the check that
// the game was set up.
#include "install.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "code_pages.h"
#include "install_values.h"
#include "keypath.h"
#include "setting.h"
#include "world.h"

namespace {

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override { world::Reset(); }

    // What the game's installer leaves: every value but `missing`, and a save folder
    // that exists.
    static void Install(const std::string &key, const char *missing = nullptr)
    {
        const std::string save = world::Folder() + "\\save";
        world::MakeFolder(save);
        WriteInstallValues(
            save, [&](const char *name, const std::string &text) { world::SetString(key, name, text); }, missing);
    }
};

const char kGame[] = TEST_KEY "\\Game";
const char kGamePath[] = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\Game";

TEST(WarningTexts, AreShiftJisForTheirJapanese)
{
    EXPECT_EQ("[ Setup.ini ] が見つかりません。", world::Cp932ToUtf8(kTextNoSetupIni));
    EXPECT_EQ("[ Setup.ini ] に [REG_NAME] の設定が見つかりません。", world::Cp932ToUtf8(kTextNoRegName));
    EXPECT_EQ("先にゲームをセットアップして下さい。", world::Cp932ToUtf8(kTextNotInstalled));
    EXPECT_EQ("PlayerSwitch ﾒｯｾｰｼﾞ", world::Cp932ToUtf8(kTextWarningTitle));
    EXPECT_EQ("設定を保存できませんでした。", world::Cp932ToUtf8(kTextNotSaved));
}

TEST(FindLastCharDbcs, SkipsTheDoubleByteCharactersOfTheSystemCodePage)
{
    // The expected offset under each ANSI code page: 932 (lead bytes 81-9F, E0-FC),
    // 1252 (none), and 936, 949 and 950, which share the lead bytes 81-FE.
    struct Case {
        const char *comment;
        const char *text;
        int cp932;
        int cp1252;
        int cp936;
    };
    const Case cases[] = {
        {"plain path", "C:\\game\\tool.exe", 7, 7, 7},
        {"none", "tool.exe", -1, -1, -1},
        {"empty", "", -1, -1, -1},
        {"separator at the start", "\\a", 0, 0, 0},
        {"ソ: 5C as second byte", "C:\\\x83\x5C", 2, 4, 2},
        {"表 then a real separator", "C:\\\x95\x5C\\x", 5, 5, 5},
        {"folder ending in 表", "C:\\\x95\x5C\\\x95\x5C", 5, 7, 5},
        {"lead byte right before the terminator", "a\\\x83", 1, 1, 1},
        {"half-width katakana are single bytes in 932", "\xB1\\\xB2", 1, 1, -1},
        {"E0-FC lead bytes", "\xE0\x5C\\\xFC\x5C", 2, 4, 2},
        {"A0 and FD lead only outside 932", "\xA0\\\xFD\\", 3, 3, -1},
        {"80 and FF lead nowhere", "\x80\\\xFF\\", 3, 3, 3},
        {"\"café\" (E9) before the separator", "C:\\Jeux\\caf\xE9\\Tool.exe", 7, 12, 7},
        {"936 \"運\": DF then 5C", "C:\\\xDF\x5C", 4, 4, 2},
    };
    int tried = 0;
    for (const CheckedCodePage &checked : kCheckedCodePages) {
        const UINT codePage = checked.codePage;
        // Where the system's code page cannot be chosen, only its own column is checked.
        if (!world::UseAnsiCodePage(codePage)) continue;
        ++tried;
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << "code page " << codePage << ": " << c.comment);
            const int expected = codePage == 932 ? c.cp932 : codePage == 1252 ? c.cp1252 : c.cp936;
            EXPECT_EQ(expected, FindLastCharDbcs(c.text, '\\'));
        }
    }
    EXPECT_LT(0, tried) << "the system runs under none of the code pages above";
    world::UseAnsiCodePage(932);
}

TEST_F(InstallTest, ProbePathTellsFilesFromFolders)
{
    const std::string folder = world::Folder();
    world::MakeFolder(folder + "\\dir");
    world::MakeFile(folder + "\\dir\\b.txt", "b");
    world::MakeFile(folder + "\\file.dat", "x");
    struct Case {
        const char *comment;
        std::string path;
        PathKind expected;
    };
    const Case cases[] = {
        {"file", folder + "\\file.dat", kPathFile},
        {"folder", folder + "\\dir", kPathDirectory},
        {"file names match without case", folder + "\\FILE.DAT", kPathFile},
        {"missing", folder + "\\missing", kPathNothing},
        {"folder with a trailing separator", folder + "\\dir\\", kPathNothing},
        {"drive root", "C:\\", kPathNothing},
        {"wildcard: the entry found decides", folder + "\\dir\\*.txt", kPathFile},
        {"wildcard matching nothing", folder + "\\dir\\*.ini", kPathNothing},
        {"question mark", folder + "\\di?", kPathDirectory},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comment);
        EXPECT_EQ(c.expected, ProbePath(c.path.c_str()));
    }
    EXPECT_EQ(kPathNothing, ProbePath(nullptr));
}

TEST_F(InstallTest, SetupIniBesideTheProgramWinsOverSetupDataAndAFolderOfThatNameDoesNotCount)
{
    const std::string program = world::ProgramFolder();
    char iniPath[260];
    memset(iniPath, 'x', sizeof iniPath);
    EXPECT_EQ(0, LocateSetupIni(iniPath));
    world::MakeFolder(program + "\\SETUP.INI");
    EXPECT_EQ(0, LocateSetupIni(iniPath));
    world::RemoveFile(program + "\\SETUP.INI");

    world::MakeFolder(program + "\\SETUPDATA");
    world::MakeFile(program + "\\SETUPDATA\\SETUP.INI", "");
    ASSERT_EQ(1, LocateSetupIni(iniPath));
    EXPECT_EQ(program + "\\SETUPDATA\\SETUP.INI", iniPath);
    world::MakeFolder(program + "\\SETUP.INI");
    ASSERT_EQ(1, LocateSetupIni(iniPath));
    EXPECT_EQ(program + "\\SETUPDATA\\SETUP.INI", iniPath);

    world::RemoveFile(program + "\\SETUP.INI");
    world::MakeFile(program + "\\SETUP.INI", "");
    ASSERT_EQ(1, LocateSetupIni(iniPath));
    EXPECT_EQ(program + "\\SETUP.INI", iniPath);
}

TEST_F(InstallTest, ReadRegNameFindsItsKeyInAnyCaseAndDropsBlanksAndQuotes)
{
    const std::string ini = world::Folder() + "\\SETUP.INI";
    struct Case {
        const char *comment;
        std::string contents;
        int result;
        std::string name;
    };
    const Case cases[] = {
        {"plain", "[Setup Initial]\r\nREG_NAME=Maker\\Game\r\n", 1, "Maker\\Game"},
        {"section and key without case", "[setup initial]\r\nreg_name=Game\r\n", 1, "Game"},
        {"blanks around the value", "[Setup Initial]\r\nREG_NAME =  Game Two \t\r\n", 1, "Game Two"},
        {"double quotes dropped", "[Setup Initial]\r\nREG_NAME=\"Game\"\r\n", 1, "Game"},
        {"single quotes dropped", "[Setup Initial]\r\nREG_NAME='Game'\r\n", 1, "Game"},
        {"unmatched quote kept", "[Setup Initial]\r\nREG_NAME=\"Game\r\n", 1, "\"Game"},
        {"LF line ends, no final newline", "[Other]\nREG_NAME=No\n[Setup Initial]\nREG_NAME=Yes", 1, "Yes"},
        {"Shift-JIS name", "[Setup Initial]\r\nREG_NAME=\x83\x51\x81\x5B\x83\x80\r\n", 1,
         "\x83\x51\x81\x5B\x83\x80"},
        {"empty value", "[Setup Initial]\r\nREG_NAME=\r\n", 0, ""},
        {"quotes around nothing", "[Setup Initial]\r\nREG_NAME=\"\"\r\n", 0, ""},
        {"key missing", "[Setup Initial]\r\nOTHER=Game\r\n", 0, ""},
        {"section missing", "[Setup]\r\nREG_NAME=Game\r\n", 0, ""},
        {"empty file", "", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comment);
        world::MakeFile(ini, c.contents);
        char name[260];
        memset(name, 'x', sizeof name);
        EXPECT_EQ(c.result, ReadRegName(ini.c_str(), name));
        EXPECT_EQ(c.name, name);
    }
    char name[260];
    EXPECT_EQ(0, ReadRegName((world::Folder() + "\\missing.ini").c_str(), name));
}

TEST_F(InstallTest, ReadRegNameCutsALongValueToItsBuffer)
{
    const std::string ini = world::Folder() + "\\SETUP.INI";
    world::MakeFile(ini, "[Setup Initial]\r\nREG_NAME=" + std::string(400, 'g') + "\r\n");
    char name[260 + 16];
    memset(name, 0xBD, sizeof name);
    char(&bounded)[260] = *reinterpret_cast<char(*)[260]>(name);
    EXPECT_EQ(1, ReadRegName(ini.c_str(), bounded));
    EXPECT_EQ(std::string(259, 'g'), name);
    for (size_t i = 260; i < sizeof name; ++i) EXPECT_EQ(0xBD, static_cast<unsigned char>(name[i])) << i;
}

TEST(BuildGameKeyPath, FitsOnlyWhatItsBufferHolds)
{
    // "\HKEY_CURRENT_USER\Software\" takes 28 of the 260 bytes.
    AroundTheLimit(231, [](size_t length, int fits) {
        const std::string name(length, 'n');
        EXPECT_EQ(fits, BuildGameKeyPath(name.c_str()));
        EXPECT_EQ(fits ? "\\HKEY_CURRENT_USER\\Software\\" + name : "", GameKeyPath);
    });
    EXPECT_EQ(1, BuildGameKeyPath("Maker\\Game"));
    EXPECT_STREQ("\\HKEY_CURRENT_USER\\Software\\Maker\\Game", GameKeyPath);
}

TEST_F(InstallTest, GameIsInstalledWithEveryValueAndTheSaveFolder)
{
    Install(kGame);
    EXPECT_EQ(1, IsGameInstalled(kGamePath));
    // Only SAV_FOLDER's text matters; the others may hold anything, even numbers.
    const DWORD number = 0;
    world::SetValue(kGame, "CD_DRIVE", REG_DWORD, &number, sizeof number);
    world::SetString(kGame, "DAT_EXIST", "");
    EXPECT_EQ(1, IsGameInstalled(kGamePath));
    EXPECT_EQ(0, IsGameInstalled("\\HKEY_CURRENT_USER\\" TEST_KEY "\\OtherGame"));
}

TEST_F(InstallTest, EachMissingValueFailsTheCheck)
{
    for (const char *missing : kInstallValues) {
        SCOPED_TRACE(missing);
        world::Reset();
        Install(kGame, missing);
        EXPECT_EQ(0, IsGameInstalled(kGamePath));
    }
}

TEST_F(InstallTest, SaveFolderMustNameAnExistingFolder)
{
    const std::string folder = world::Folder();
    world::MakeFile(folder + "\\file.dat", "x");
    world::MakeFolder(folder + "\\gone");
    world::RemoveFile(folder + "\\gone");
    struct Case {
        const char *comment;
        std::string saveFolder;
    };
    const Case cases[] = {
        {"a file", folder + "\\file.dat"},
        {"a deleted folder", folder + "\\gone"},
        {"a trailing separator", folder + "\\save\\"},
        {"the empty text", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comment);
        Install(kGame);
        world::SetString(kGame, "SAV_FOLDER", c.saveFolder);
        EXPECT_EQ(0, IsGameInstalled(kGamePath));
        world::RemoveFile(folder + "\\save");
    }
    // Stored as a number: present, but no text to probe.
    Install(kGame);
    const DWORD number = 1;
    world::SetValue(kGame, "SAV_FOLDER", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(0, IsGameInstalled(kGamePath));
}

}  // namespace
