// Hostile input: SETUP.INI files of junk or of a megabyte, REG_NAMEs at and beyond
// the lengths the tools' buffers hold, key names with "." components and runs of
// separators, crowded and oversized registry entries, setting values with zero bytes
// or without their terminator, and SAV_FOLDER patterns. Every scenario ends in the
// dialog or in the tool's warning for what it met, with exit code 0, and nothing
// changed but the one value the user decided.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

namespace {

const char kTextNotSaved[] = "設定を保存できませんでした。";

// "\HKEY_CURRENT_USER\Software\" before REG_NAME in the tools' key path.
const size_t kKeyPrefixLength = 28;
// The registry writer's working copy, terminator included; the key path's own buffer.
const size_t kWriterCopySize = 256;
const size_t kKeyPathSize = 260;

const char kMaker[] = "KzE2EHostileMaker";

// A fixed sequence, so that a failure can be rerun with the same bytes.
class Junk {
public:
    explicit Junk(unsigned seed) : state_(seed) {}
    unsigned Next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return state_ >> 16;
    }
    std::string Bytes(size_t count)
    {
        std::string out;
        for (size_t i = 0; i < count; ++i) out += static_cast<char>(Next() & 0xFF);
        return out;
    }
    // Printable ASCII with whole Shift-JIS pairs among it (ソ and 表 have 0x5C as
    // second byte); never a line end, and a line that starts with "junk" can name no
    // section and no REG_NAME.
    std::string Line(size_t length)
    {
        std::string out = "junk";
        while (out.size() < length) {
            unsigned r = Next();
            if (r % 50 == 0)
                out += (r & 0x100) ? "ソ" : "表";
            else
                out += static_cast<char>(0x20 + r % 0x5F);
        }
        return out + "\r\n";
    }

private:
    unsigned state_;
};

// --- Keys below HKCU\Software, addressed relative to it --------------------------------
// The A functions take a path from HKCU of at most 260 characters on Wine, less than
// "Software\" and a 255-character name; relative to the Software key every name fits.

bool CreateBelowSoftware(HKEY software, const std::string &name, const char *className = nullptr)
{
    HKEY key;
    if (RegCreateKeyExA(software, name.c_str(), 0, const_cast<char *>(className), 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Keys a scenario made beside the game's; gone when the scenario ends, whatever its
// outcome: a name too long for the tools' buffers would hide every key after it from
// the later scenarios.
class ExtraKeys {
public:
    ExtraKeys() { RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &software_); }
    ~ExtraKeys()
    {
        for (const std::string &name : names_) {
            RegDeleteTreeA(software_, name.c_str());
            RegDeleteKeyA(software_, name.c_str());
        }
        RegCloseKey(software_);
    }
    ExtraKeys(const ExtraKeys &) = delete;
    ExtraKeys &operator=(const ExtraKeys &) = delete;

    HKEY software() const { return software_; }
    void Own(const std::string &topName) { names_.push_back(topName); }

private:
    HKEY software_ = nullptr;
    std::vector<std::string> names_;
};

// Installs the game a second time, under `regName`, with the same installer values
// and save folder as the one NewGame made.
bool CopyGameKey(HKEY software, const std::string &regName)
{
    HKEY source, target;
    if (RegOpenKeyExA(software, kRegName, 0, KEY_READ, &source) != ERROR_SUCCESS) return false;
    LONG status = RegCreateKeyExA(software, regName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                                  nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegCopyTreeA(source, nullptr, target);
        RegCloseKey(target);
    }
    RegCloseKey(source);
    return status == ERROR_SUCCESS;
}

// Position of the subkey (or value) among the key's as the platform enumerates them;
// -1 if absent. Key names compare without case, value names with it.
int ListedIndex(HKEY key, const std::string &name, bool value = false)
{
    for (DWORD index = 0;; ++index) {
        char found[1024];
        DWORD length = sizeof found;
        if ((value ? RegEnumValueA(key, index, found, &length, nullptr, nullptr, nullptr, nullptr)
                   : RegEnumKeyExA(key, index, found, &length, nullptr, nullptr, nullptr, nullptr)) != ERROR_SUCCESS)
            return -1;
        if ((value ? strcmp(found, name.c_str()) : _stricmp(found, name.c_str())) == 0)
            return static_cast<int>(index);
    }
}

// Stores exactly `bytes` as REG_SZ. The platform adds a terminator that the caller
// "forgot" when the byte after the data is zero, so the byte after is not.
bool SetRawString(const std::string &keyPath, const char *name, const std::string &bytes)
{
    const std::string guarded = bytes + "#";
    return SetUserValue(keyPath, name, REG_SZ, guarded.data(), static_cast<DWORD>(bytes.size()));
}

// How a registry snapshot holds those bytes: REG_SZ as UTF-16, nothing added.
std::string RawEntry(const std::string &bytes)
{
    std::string entry(1, static_cast<char>(REG_SZ));
    for (char c : bytes) {
        entry += c;
        entry += '\0';
    }
    return entry;
}

// A REG_NAME of exactly `length` bytes naming a key below kMaker, so that no single
// component exceeds what the registry allows.
std::string NestedName(size_t length)
{
    std::string name = std::string(kMaker) + "\\KzE2EGame";
    for (char digit = '0'; name.size() < length; digit = digit == '9' ? '0' : digit + 1) name += digit;
    return name;
}

// --- Working the tools ---------------------------------------------------------------

// 決定 where the key path does not fit the writer: a warning box owned by the dialog,
// which stays open with the user's choice once the box is dismissed.
void ExpectNotSaved(Scenario &s, const Tool &tool, Process &process, HWND window, WORD shown)
{
    // Posted: the box's modal loop keeps a sent click from returning.
    PostMessageA(GetDlgItem(window, tool.decideId), BM_CLICK, 0, 0);
    Appearance seen = WaitForWindowOrBox(process, nullptr, true, kAppearMs);
    if (!s.Check(seen.box != nullptr, seen.exited ? "the tool ended on 決定 without a warning"
                                                  : "no warning box after 決定"))
        return;
    ExpectBox(s, seen.box, kTextNotSaved, window);
    s.Check(!IsWindowEnabled(window), "the dialog takes input while the box is up");
    PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 250 && IsWindow(seen.box); ++i) Sleep(20);
    s.Check(!IsWindow(seen.box), "the box stays after OK");
    Sync(window);
    s.Check(IsWindow(window) && IsWindowVisible(window), "the dialog closed after the warning");
    s.Check(WaitForSingleObject(process.handle, 200) == WAIT_TIMEOUT, "the tool ended after the warning");
    ExpectChecked(s, tool, window, shown, "after the warning");
}

// The game installed only under `regName`, which SETUP.INI names as `iniName`.
void InstallOnlyUnder(Scenario &s, ExtraKeys &keys, const Game &game, const std::string &regName,
                      const std::string &iniName)
{
    s.Check(CopyGameKey(keys.software(), regName), "cannot install the game under " + regName);
    DeleteKeyTree(kGameKey);
    s.Check(WriteFileBytes(game.Ini(), SetupIniText(iniName)), "cannot write " + game.Ini());
}

// --- SETUP.INI -----------------------------------------------------------------------

void IniScenarios()
{
    struct JunkCase {
        const char *name;
        const Tool *tool;
        const char *prefix;  // a byte-order mark makes the profile reader decode otherwise
    };
    const JunkCase junkCases[] = {
        {"hostile: SETUP.INI of binary junk", &kCalc, ""},
        {"hostile: SETUP.INI of binary junk behind a UTF-16 byte-order mark", &kRender, "\xFF\xFE"},
        {"hostile: SETUP.INI of binary junk behind a UTF-8 byte-order mark", &kPlayer, "\xEF\xBB\xBF"},
    };
    unsigned seed = 1;
    for (const JunkCase &c : junkCases) {
        Run(c.name, [&](Scenario &s) {
            Game game = NewGame(s, "hostilejunk");
            Junk junk(seed++);
            std::string bytes = c.prefix + junk.Bytes(65536);
            // Runs of zero bytes and line ends among the junk, as a damaged file has them.
            for (size_t i = 4; i + 8 < bytes.size(); i += 997)
                bytes.replace(i, 8, i % 2 ? std::string(8, '\0') : std::string("\r\n\0\0=\r\n[", 8));
            std::string folded = bytes;
            for (char &c : folded) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
            s.Check(folded.find("REG_NAME") == std::string::npos, "the junk holds REG_NAME; change the seed");
            s.Check(WriteFileBytes(game.Ini(), bytes), "cannot write " + game.Ini());
            ExpectWarning(s, *c.tool, game.Exe(*c.tool), game.folder, kTextNoRegName);
        });
    }

    // The platform's profile reader takes the first section of the name and, in it, the
    // first key; a later section of the same name is never looked at. The wrong names
    // are installed with another setting, so taking one shows and writes elsewhere.
    Run("hostile: SETUP.INI of 1 MB, junk lines and duplicate sections around REG_NAME", [&](Scenario &s) {
        Game game = NewGame(s, "hostilebigini");
        ExtraKeys keys;
        const char *wrong[] = {"KzE2EHostileWrongA", "KzE2EHostileWrongB", "KzE2EHostileWrongC"};
        for (const char *name : wrong) {
            keys.Own(name);
            s.Check(CopyGameKey(keys.software(), name), std::string("cannot install ") + name);
            SetSetting(kPlayer, "2", name);
        }
        SetSetting(kPlayer, "1");
        Junk junk(7);
        std::string ini = "; written by no installer\r\n";
        for (int i = 0; i < 8; ++i)
            ini += "[Junk" + std::to_string(i) + "]\r\nREG_NAME=" + wrong[0] + "\r\n" + junk.Line(48000);
        for (const char *lookalike : {"[Setup Initialx]", "[XSetup Initial]", "[Setup  Initial]", "[Setup_Initial]"})
            ini += std::string(lookalike) + "\r\nREG_NAME=" + wrong[0] + "\r\n";
        ini += "[Setup Initial]\r\n" + junk.Line(40000) + junk.Line(40000) + junk.Line(40000) +
               "XREG_NAME=" + wrong[0] + "\r\nREG_NAMEX=" + wrong[0] + "\r\nREG_NAME=" + kRegName +
               "\r\nREG_NAME=" + wrong[1] + "\r\n" + junk.Line(30000);
        while (ini.size() < 1024 * 1024) {
            ini += "[setup initial]\r\nREG_NAME=" + std::string(wrong[2]) + "\r\n";
            ini += junk.Line(60000);
        }
        s.Check(WriteFileBytes(game.Ini(), ini), "cannot write " + game.Ini());
        s.Note("SETUP.INI of " + std::to_string(ini.size()) + " bytes, REG_NAME at byte " +
               std::to_string(ini.find(std::string("REG_NAME=") + kRegName)));
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerDirectShow, "1");
    });
    Run("hostile: REG_NAME only in a second [Setup Initial] section", [&](Scenario &s) {
        Game game = NewGame(s, "hostiledupsection");
        WriteFileBytes(game.Ini(), "[Setup Initial]\r\nINSTALL_TYPE=1\r\n[Other]\r\nREG_NAME=KzE2EGame\r\n"
                                   "[Setup Initial]\r\nREG_NAME=KzE2EGame\r\n");
        ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNoRegName);
    });
}

// --- REG_NAME lengths and forms --------------------------------------------------------

void RegNameScenarios()
{
    // The longest name whose key path fits the writer's working copy with its terminator.
    const size_t longestWritable = kWriterCopySize - 1 - kKeyPrefixLength;
    const size_t longestReadable = kKeyPathSize - 1 - kKeyPrefixLength;
    // A name within the writer's copy is written; a longer one is shown but not stored.
    struct Length {
        size_t length;
        const Tool *tool;
        const char *stored;
        WORD shown;
        WORD clicked;
        const char *written;  // null: 決定 warns instead
    };
    const Length lengths[] = {
        {longestWritable, &kRender, "1", kRenderEnable, kRenderDisable, "0"},
        {longestWritable + 1, &kPlayer, "2", kPlayerWmp, kPlayerDirectShow, nullptr},
        {longestReadable, &kCalc, "0", kCalcDisable, kCalcEnable, nullptr},
    };
    for (const Length &c : lengths) {
        const Tool &tool = *c.tool;
        Run("hostile: REG_NAME of " + std::to_string(c.length) + " bytes, installed: " +
                (c.written ? std::string("決定 writes")
                           : ToolName(tool) + " shows the setting, 決定 warns and keeps the dialog, キャンセル closes"),
            [&](Scenario &s) {
                Game game = NewGame(s, c.written ? "hostilename227" : "hostilenamelong");
                ExtraKeys keys;
                keys.Own(kMaker);
                std::string name = NestedName(c.length);
                InstallOnlyUnder(s, keys, game, name, name);
                SetSetting(tool, c.stored, name);
                Opened o;
                if (!OpenWatched(s, tool, game, &o)) return;
                ExpectChecked(s, tool, o.window, c.shown, "on opening");
                Click(o.window, c.clicked);
                if (c.written) {
                    DecideAndExpectExit(s, tool, o.process, o.window);
                    ExpectWritten(s, o.before, tool, c.written, name);
                    return;
                }
                ExpectNotSaved(s, tool, o.process, o.window, c.clicked);
                ExpectNothingChanged(s, o.before);
                Click(o.window, tool.cancelId);
                ExpectExitZero(s, o.process, "キャンセル");
                ExpectNothingChanged(s, o.before);
            });
    }
    // Beyond the key path's own buffer the name cannot be used at all, installed or not.
    Run("hostile: REG_NAME of " + std::to_string(longestReadable + 1) + " bytes, installed: REG_NAME warning",
        [&](Scenario &s) {
            Game game = NewGame(s, "hostilename232");
            ExtraKeys keys;
            keys.Own(kMaker);
            std::string name = NestedName(longestReadable + 1);
            InstallOnlyUnder(s, keys, game, name, name);
            ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNoRegName);
        });
    Run("hostile: REG_NAME of one 255-character key name, installed: REG_NAME warning", [&](Scenario &s) {
        Game game = NewGame(s, "hostilename255");
        ExtraKeys keys;
        std::string name = "KzE2EHostile" + std::string(255 - 12, 'n');
        keys.Own(name);
        InstallOnlyUnder(s, keys, game, name, name);
        s.Check(ListedIndex(keys.software(), name) >= 0, "the 255-character key was not made");
        ExpectWarning(s, kPlayer, game.Exe(kPlayer), game.folder, kTextNoRegName);
    });

    // Registry keys have no "." or ".." entries: ".." is a name like any other, and no
    // key of that name exists below the maker's key.
    Run("hostile: REG_NAME Maker\\..\\Game with the game at Maker\\Game: not installed", [&](Scenario &s) {
        Game game = NewGame(s, "hostiledotdot");
        ExtraKeys keys;
        keys.Own(kMaker);
        InstallOnlyUnder(s, keys, game, std::string(kMaker) + "\\KzE2EGame",
                         std::string(kMaker) + "\\..\\KzE2EGame");
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNotInstalled);
    });
    Run("hostile: REG_NAME \\\\Maker\\\\\\Game\\ addresses Maker\\Game: 決定 writes there", [&](Scenario &s) {
        Game game = NewGame(s, "hostileseparators");
        ExtraKeys keys;
        keys.Own(kMaker);
        std::string name = std::string(kMaker) + "\\KzE2EGame";
        InstallOnlyUnder(s, keys, game, name, std::string("\\\\") + kMaker + "\\\\\\KzE2EGame\\");
        SetSetting(kPlayer, "2", name);
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerWmp, "2", name);
    });
}

// --- Crowded and oversized registry entries ---------------------------------------------

void RegistryScenarios()
{
    Run("hostile: 5,000 sibling keys before the game's key: 決定 writes", [&](Scenario &s) {
        Game game = NewGame(s, "hostilesiblings");
        ExtraKeys keys;
        DWORD start = GetTickCount();
        bool made = true;
        for (int i = 0; i < 5000 && made; ++i) {
            char name[32];
            snprintf(name, sizeof name, "KzE2EAHostileSib%04d", i);
            keys.Own(name);
            made = CreateBelowSoftware(keys.software(), name);
        }
        s.Check(made, "cannot make the sibling keys");
        s.Note("5,000 keys made in " + std::to_string(GetTickCount() - start) + " ms");
        s.Check(ListedIndex(keys.software(), kRegName) >= 5000,
                "the platform does not list the game's key after the 5,000 siblings");
        SetSetting(kPlayer, "1");
        DWORD toolStart = GetTickCount();
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerDirectShow, "1");
        s.Note("start, 決定 and the registry compare took " + std::to_string(GetTickCount() - toolStart) + " ms");
    });

    // The reader enumerates subkeys into 255-character name and class buffers; a sibling
    // that does not fit ends the search, and every key listed after it is not found.
    struct Sibling {
        const char *what;
        std::string name;
        const char *className;
        bool hides;
    };
    const Sibling siblings[] = {
        {"a 254-character name", "KzE2EA" + std::string(254 - 6, 's'), nullptr, false},
        {"a 255-character name", "KzE2EA" + std::string(255 - 6, 's'), nullptr, true},
        {"a 255-character class name", "KzE2EAHostileClass", "KzE2EHostile", true},
    };
    for (const Sibling &c : siblings) {
        Run(std::string("hostile: a sibling before the game's key with ") + c.what +
                (c.hides ? " hides the game: not installed" : ": 決定 writes"),
            [&](Scenario &s) {
                Game game = NewGame(s, "hostilelongsibling");
                ExtraKeys keys;
                keys.Own(c.name);
                std::string className = c.className ? c.className + std::string(255 - strlen(c.className), 'c') : "";
                s.Check(CreateBelowSoftware(keys.software(), c.name, c.className ? className.c_str() : nullptr),
                        "cannot make the sibling");
                int sibling = ListedIndex(keys.software(), c.name);
                s.Check(sibling >= 0 && sibling < ListedIndex(keys.software(), kRegName),
                        "the platform does not list the sibling before the game's key");
                if (c.hides) {
                    ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNotInstalled);
                } else {
                    SetSetting(kRender, "1");
                    OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
                }
            });
    }

    // A REG_SZ value is text up to its first zero byte.
    // A setting stored without its terminator, "1" and then letters. Observed on Wine:
    // the value enumeration hands out all 255 bytes of a 255-byte text into a 255-byte
    // buffer (there is no room for a terminator and none is added), so the tool reads
    // it and counts it as 1. A 256-byte text does not fit: the enumeration answers
    // ERROR_MORE_DATA and the reader's search ends there. Wine lists values in name
    // order, without regard to case and with "_" before letters, so the setting comes
    // before some installer value (D3dUse before DAT_EXIST, MoviePlayType before
    // SAV_FOLDER), which the installation check then cannot find: the game counts as
    // not installed, and the row for an absent value is never seen.
    struct RawCase {
        const Tool *tool;
        std::string bytes;
        const char *what;
        WORD checked;  // 0: not installed
        const char *writtenOrHidden;  // what 決定 writes; when not installed, the value the setting hides
    };
    const std::string unterminated = "1" + std::string(254, 'a');
    const RawCase rawCases[] = {
        {&kPlayer, std::string("1\0" "7", 4), "stored as '1' 0 '7' 0 counts as the text before the zero",
         kPlayerDirectShow, "1"},
        {&kCalc, std::string("\0" "1", 3), "stored as 0 '1' 0 counts as the text before the zero", kCalcDisable, "0"},
        {&kRender, unterminated, "of 255 bytes without a terminator: counts as 1", kRenderEnable, "1"},
        {&kPlayer, unterminated, "of 255 bytes without a terminator: counts as 1", kPlayerDirectShow, "1"},
        {&kRender, unterminated + "a", "of 256 bytes without a terminator: hides installer values", 0, "DAT_EXIST"},
        {&kPlayer, unterminated + "a", "of 256 bytes without a terminator: hides installer values", 0, "SAV_FOLDER"},
    };
    for (const RawCase &c : rawCases) {
        const Tool &tool = *c.tool;
        Run("hostile: " + ToolName(tool) + " setting " + c.what, [&](Scenario &s) {
            Game game = NewGame(s, c.bytes.size() < 255 ? "hostilezero" : "hostileunterminated");
            s.Check(SetRawString(kGameKey, tool.valueName, c.bytes), "cannot store the value");
            s.Check(SnapshotSoftware()[RegEntryName(kGameKey, tool.valueName)] == RawEntry(c.bytes),
                    "the value is not stored as those bytes");
            if (c.checked != 0) {
                OpenDecideExpect(s, tool, game, game.Exe(tool), c.checked, c.writtenOrHidden);
            } else {
                HKEY key = nullptr;
                RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_READ, &key);
                int setting = ListedIndex(key, tool.valueName, true);
                s.Check(setting >= 0 && setting < ListedIndex(key, c.writtenOrHidden, true),
                        std::string("the platform does not list ") + tool.valueName + " before " + c.writtenOrHidden);
                RegCloseKey(key);
                ExpectWarning(s, tool, game.Exe(tool), game.folder, kTextNotInstalled);
            }
        });
    }
}

// --- SAV_FOLDER patterns ---------------------------------------------------------------

void SaveFolderScenarios()
{
    // The installation check searches for SAV_FOLDER's text as it is; with wildcards
    // it is a pattern, and the first entry the platform finds decides.
    struct PatternCase {
        const char *what;
        const char *pattern;  // below the program folder
        const char *firstMatch;  // null: nothing matches
        bool installed;
        const char *file;  // made in the program folder first, if any
    };
    const PatternCase cases[] = {
        {"whose first match is the save folder, SETUP.INI second", "S*", "SAVE", true, nullptr},
        {"whose first match is a file, the save folder second", "SAV*", "SAVA.TXT", false, "SAVA.TXT"},
        {"that matches nothing", "NOSUCH*", nullptr, false, nullptr},
    };
    for (const PatternCase &c : cases) {
        Run(std::string("hostile: SAV_FOLDER pattern ") + c.what, [&](Scenario &s) {
            Game game = NewGame(s, "hostilepattern");
            if (c.file != nullptr)
                s.Check(WriteFileBytes(game.folder + "\\" + c.file, "not a folder"), "cannot write the file");
            std::string pattern = game.folder + "\\" + c.pattern;
            SetUserString(kGameKey, "SAV_FOLDER", pattern);
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(pattern.c_str(), &found);
            if (c.firstMatch == nullptr) {
                s.Check(search == INVALID_HANDLE_VALUE, "the pattern matches " + std::string(found.cFileName));
            } else if (s.Check(search != INVALID_HANDLE_VALUE, "the pattern matches nothing")) {
                s.Check(_stricmp(found.cFileName, c.firstMatch) == 0,
                        "the platform finds " + std::string(found.cFileName) + " first, not " + c.firstMatch);
            }
            if (search != INVALID_HANDLE_VALUE) FindClose(search);
            if (c.installed) {
                SetSetting(kCalc, "0");
                OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcDisable, "0");
            } else {
                ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNotInstalled);
            }
        });
    }
}

}  // namespace

void HostileScenarios()
{
    IniScenarios();
    RegNameScenarios();
    RegistryScenarios();
    SaveFolderScenarios();
}

}  // namespace e2e
