// End-to-end scenarios: each one lays out a game installation, starts the real tool
// programs, works their windows as a user would and then proves what changed in
// HKCU\Software and on disk. Usage: e2e_driver TOOLS_FOLDER [NAME_FILTER]
// Prints one line per scenario and ends with "N passed, N failed"; exits 3 when it
// stopped early because the tools showed no window at all.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "startup_failures.h"

using namespace e2e;

namespace {

std::string Shown(const char *stored)
{
    return stored == nullptr ? "absent" : "'" + std::string(stored) + "'";
}

void TableScenarios()
{
    for (const Tool &tool : kToolFacts) {
        for (int c = 0; c < kStoredCount; ++c) {
            const char *stored = kStoredTexts[c];
            const WORD checked = tool.rows[tool.checked[c]];
            const char *written = tool.rowWrites[tool.checked[c]];
            Run(ToolName(tool) + " table: " + tool.valueName + " " + Shown(stored) + " -> " +
                    std::to_string(checked) + ", decide writes '" + written + "'",
                [&](Scenario &s) {
                    Opened o;
                    if (!OpenFresh(s, tool, "table", stored, &o)) return;
                    s.Check(WindowText(o.window) == tool.caption, "caption " + Quote(WindowText(o.window)));
                    int missing = CaptionGlyphsMissing(tool.caption);
                    s.Check(missing == 0, "caption font lacks " + std::to_string(missing) + " of its glyphs");
                    // Windows' dialog code keeps its state in a dialog class's extra bytes;
                    // Wine keeps it elsewhere, so only this check sees their lack.
                    s.Check(GetClassLongA(o.window, GCL_CBWNDEXTRA) >= DLGWINDOWEXTRA, "class lacks a dialog's extra bytes");
                    s.Check(WindowText(GetDlgItem(o.window, tool.decideId)) == "決定", "decide button text");
                    s.Check(WindowText(GetDlgItem(o.window, tool.cancelId)) == "キャンセル", "cancel button text");
                    ExpectChecked(s, tool, o.window, checked, "on opening");
                    DecideAndExpectExit(s, tool, o.process, o.window);
                    ExpectWritten(s, o.before, tool, written);
                });
        }
    }
}

// The stored value that makes the first row checked, and a row to click away to.
struct DismissCase {
    const Tool *tool;
    const char *stored;
    WORD shown;
    WORD other;
};

const DismissCase kDismiss[] = {
    {&kCalc, "0", kCalcDisable, kCalcEnable},
    {&kRender, "1", kRenderEnable, kRenderDisable},
    {&kPlayer, "2", kPlayerWmp, kPlayerDirectShow},
};

void DismissScenarios()
{
    for (const DismissCase &c : kDismiss) {
        const Tool &tool = *c.tool;
        struct Way {
            const char *name;
            std::function<void(HWND)> close;
        };
        const Way ways[] = {
            {"キャンセル", [&](HWND w) { Click(w, tool.cancelId); }},
            {"the close box", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
            {"WM_CLOSE", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
        };
        for (const Way &way : ways) {
            Run(ToolName(tool) + ": a click, then " + way.name + " writes nothing", [&](Scenario &s) {
                Opened o;
                if (!OpenFresh(s, tool, "dismiss", c.stored, &o)) return;
                ExpectChecked(s, tool, o.window, c.shown, "on opening");
                Click(o.window, c.other);
                ExpectChecked(s, tool, o.window, c.other, "after the click");
                way.close(o.window);
                ExpectExitZero(s, o.process, way.name);
                ExpectNothingChanged(s, o.before);
            });
        }
    }
}

struct ClickCase {
    const Tool *tool;
    const char *stored;
    std::vector<WORD> clicks;
    const char *written;
};

const ClickCase kClicks[] = {
    {&kPlayer, nullptr, {kPlayerDirectShow, kPlayerWmp}, "2"},  // the road through both
    {&kPlayer, "2", {kPlayerDirectShow}, "1"},
    {&kPlayer, "1", {kPlayerMci}, "0"},
    {&kCalc, nullptr, {kCalcDisable}, "0"},
    {&kCalc, "0", {kCalcEnable}, "1"},
    {&kCalc, "1", {kCalcDisable, kCalcEnable, kCalcDisable}, "0"},
    {&kRender, nullptr, {kRenderEnable}, "1"},
    {&kRender, "1", {kRenderDisable}, "0"},
};

void ClickScenarios()
{
    for (const ClickCase &c : kClicks) {
        const Tool &tool = *c.tool;
        std::string path;
        for (WORD id : c.clicks) path += std::to_string(id) + " ";
        Run(ToolName(tool) + ": from " + Shown(c.stored) + ", clicks " + path + "then 決定 write '" + c.written +
                "'",
            [&](Scenario &s) {
                Opened o;
                if (!OpenFresh(s, tool, "clicks", c.stored, &o)) return;
                for (WORD id : c.clicks) {
                    s.Check(Click(o.window, id), "click on " + std::to_string(id) + " did not answer");
                    ExpectChecked(s, tool, o.window, id, ("after clicking " + std::to_string(id)).c_str());
                }
                ExpectNothingChanged(s, o.before);
                DecideAndExpectExit(s, tool, o.process, o.window);
                ExpectWritten(s, o.before, tool, c.written);
            });
    }
}

const Tool &ToolFor(size_t i)
{
    return kToolFacts[i % kToolCount];
}

const char *const kWarnings[] = {kTextNoIni, kTextNoRegName, kTextNotInstalled};

void ApplySpoil(const Game &g, const StartupFailure &row)
{
    switch (row.spoil) {
    case Spoil::kNoIni: DeleteFileA(g.Ini().c_str()); break;
    case Spoil::kIniIsFolder: DeleteFileA(g.Ini().c_str()); MakeFolder(g.Ini()); break;
    case Spoil::kSetupDataIniFolder: DeleteFileA(g.Ini().c_str()); MakeFolder(g.folder + "\\SETUPDATA\\SETUP.INI"); break;
    case Spoil::kIniText: WriteFileBytes(g.Ini(), row.text); break;
    case Spoil::kNoGameKey: DeleteKeyTree(kGameKey); break;
    case Spoil::kSaveFolderPlus: SetUserString(kGameKey, "SAV_FOLDER", g.saveFolder + row.text); break;
    case Spoil::kSaveFolderText: SetUserString(kGameKey, "SAV_FOLDER", row.text); break;
    case Spoil::kSaveFolderGone: RemoveTree(g.saveFolder); break;
    }
}

void StartupFailureScenarios()
{
    for (const StartupFailure &row : kStartupFailures) {
        for (const Tool &tool : kToolFacts) {
            if (row.tool >= 0 && &kToolFacts[row.tool] != &tool) continue;
            Run(ToolName(tool) + ": " + row.what, [&](Scenario &s) {
                Game game = NewGame(s, row.tag);
                ApplySpoil(game, row);
                ExpectWarning(s, tool, game.Exe(tool), game.folder, kWarnings[row.warning]);
            });
        }
    }
    for (size_t i = 0; i < sizeof kInstallValues / sizeof kInstallValues[0]; ++i) {
        const Tool &tool = ToolFor(i);
        Run(ToolName(tool) + ": installer value " + kInstallValues[i] + " missing", [&](Scenario &s) {
            Game game = NewGame(s, "novalue");
            DeleteRegValue(kGameKey, kInstallValues[i]);
            ExpectWarning(s, tool, game.Exe(tool), game.folder, kTextNotInstalled);
        });
    }
}

// SETUP.INI naming regName in the game's SETUPDATA folder.
void WriteSetupData(const Game &game, const std::string &regName)
{
    MakeFolder(game.folder + "\\SETUPDATA");
    WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", SetupIniText(regName));
}

void LocationScenarios()
{
    Run("CalcSwitch: SETUP.INI only in SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "setupdata");
        DeleteFileA(game.Ini().c_str());
        WriteSetupData(game, kRegName);
        SetSetting(kCalc, "0");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcDisable, "0");
    });
    Run("RenderSwitch: a SETUP.INI folder beside, the file in SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "inidirfallback");
        DeleteFileA(game.Ini().c_str());
        MakeFolder(game.Ini());
        WriteSetupData(game, kRegName);
        SetSetting(kRender, "1");
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
    });
    Run("PlayerSwitch: SETUP.INI beside wins over SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "precedence");
        const char *other = "KzE2EOther";
        InstallGame(other, game.folder + "\\OTHERSAVE");
        SetSetting(kPlayer, "1", other);
        SetSetting(kPlayer, "2");
        WriteSetupData(game, other);
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerWmp, "2");
        DeleteKeyTree(KeyOf(other));
    });
    Run("CalcSwitch: an empty REG_NAME beside is not passed over for SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "precedenceempty");
        WriteFileBytes(game.Ini(), SetupIniText(""));
        WriteSetupData(game, kRegName);
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNoRegName);
    });
    Run("RenderSwitch: REG_NAME found in any case, blanks and quotes around it dropped", [&](Scenario &s) {
        Game game = NewGame(s, "profilenames");
        WriteFileBytes(game.Ini(), "; written by the installer\r\n[setup initial]\r\nreg_name =  \"KzE2EGame\"  \r\n");
        SetSetting(kRender, "1");
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
    });
    Run("PlayerSwitch: REG_NAME naming a nested key", [&](Scenario &s) {
        Game game = NewGame(s, "nested");
        const char *nested = "KzE2EMaker\\KzE2EGame";
        InstallGame(nested, game.saveFolder);
        DeleteKeyTree(kGameKey);
        WriteFileBytes(game.Ini(), SetupIniText(nested));
        SetSetting(kPlayer, "1", nested);
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerDirectShow, "1", nested);
        DeleteKeyTree("Software\\KzE2EMaker");
    });
    Run("CalcSwitch: installer values stored as numbers or empty text still count", [&](Scenario &s) {
        Game game = NewGame(s, "valuetypes");
        SetUserDword(kGameKey, "DAT_EXIST", 1);
        SetUserDword(kGameKey, "CD_DRIVE", 4);
        SetUserString(kGameKey, "DISK_MARK", "");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcEnable, "1");
    });
    // ソ is 0x83 0x5C and 表 is 0x95 0x5C: a byte-wise search for the last "\" cuts
    // inside them.
    Run("CalcSwitch: program folder named with ソ and 表", [&](Scenario &s) {
        Game game = NewGame(s, "sjis1", "ソフト表示");
        SetSetting(kCalc, "0");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcDisable, "0");
    });
    Run("PlayerSwitch: program named 表示ソ.exe in folder 表", [&](Scenario &s) {
        Game game = NewGame(s, "sjis2", "表");
        CopyTool(s, kPlayer, game.folder, "表示ソ.exe");
        SetSetting(kPlayer, "2");
        OpenDecideExpect(s, kPlayer, game, game.folder + "\\表示ソ.exe", kPlayerWmp, "2");
    });
    Run("RenderSwitch: SETUPDATA below folder ソ表", [&](Scenario &s) {
        Game game = NewGame(s, "sjis3", "ソ表");
        DeleteFileA(game.Ini().c_str());
        WriteSetupData(game, kRegName);
        CopyTool(s, kRender, game.folder, "ソ.exe");
        OpenDecideExpect(s, kRender, game, game.folder + "\\ソ.exe", kRenderDisable, "0");
    });
    Run("RenderSwitch: SAV_FOLDER named in Shift-JIS with 0x5C bytes", [&](Scenario &s) {
        Game game = NewGame(s, "sjissave");
        std::string save = game.folder + "\\セーブ表ソ";
        MakeFolder(save);
        SetUserString(kGameKey, "SAV_FOLDER", save);
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderDisable, "0");
    });
    Run("CalcSwitch: 決定 changes nothing but MmxUse in a crowded key", [&](Scenario &s) {
        Game game = NewGame(s, "crowded");
        SetSetting(kRender, "1");
        SetSetting(kPlayer, "2");
        SetSetting(kCalc, "7");
        SetUserString(kGameKey, "mmxuse_old", "0");
        SetUserDword(kGameKey, "MmxUseCount", 3);
        SetUserString(kGameKey + std::string("\\MmxUse"), "MmxUse", "0");
        SetUserString("Software\\KzE2EGameOther", "MmxUse", "0");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcEnable, "1");
        DeleteKeyTree("Software\\KzE2EGameOther");
    });
}

// A second start of the tool: it must end by itself with exit code 0, showing no box.
void ExpectSecondStartEnds(Scenario &s, const Tool &tool, const Game &game)
{
    Process second;
    if (!s.Check(StartProgram(game.Exe(tool), kDecoyFolder, -1, &second), "cannot start the second")) return;
    Appearance seen = WaitForWindowOrBox(second, nullptr, true, kExitMs);
    if (seen.box != nullptr) {
        s.Check(false, "the second copy shows " + BoxSummary(seen.box));
        PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
    }
    ExpectExitZero(s, second, "the second start");
}

void SecondStartScenarios()
{
    Run("PlayerSwitch: a second start restores the minimised first and exits 0", [&](Scenario &s) {
        Opened o;
        if (!OpenFresh(s, kPlayer, "second", "1", &o)) return;
        SendTimeout(o.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        s.Check(IsIconic(o.window), "the first copy would not minimise");
        ExpectSecondStartEnds(s, kPlayer, o.game);
        Sync(o.window);
        s.Check(!IsIconic(o.window) && IsWindowVisible(o.window), "the first copy was not restored");
        s.Check(GetForegroundWindow() == o.window, "the first copy is not in front");
        s.Check(FindAllWindows(kPlayer.className).size() == 1, "more than one PlayerSwitch window");
        ExpectChecked(s, kPlayer, o.window, kPlayerDirectShow, "after the restore");
        ExpectNothingChanged(s, o.before);
        Click(o.window, kPlayerWmp);
        DecideAndExpectExit(s, kPlayer, o.process, o.window);
        ExpectWritten(s, o.before, kPlayer, "2");
    });
    Run("RenderSwitch: started hidden, unfilled until a second start shows and fills it", [&](Scenario &s) {
        Opened o;
        if (!OpenFresh(s, kRender, "hidden", "1", &o, SW_HIDE)) return;
        s.Check(!IsWindowVisible(o.window), "the dialog is visible although started hidden");
        ExpectChecked(s, kRender, o.window, 0, "while hidden");
        s.Check(WaitForSingleObject(o.process.handle, 0) == WAIT_TIMEOUT, "the hidden copy ended");
        ExpectSecondStartEnds(s, kRender, o.game);
        Sync(o.window);
        s.Check(IsWindowVisible(o.window), "the second start did not show the hidden copy");
        ExpectChecked(s, kRender, o.window, kRenderEnable, "once shown");
        ExpectNothingChanged(s, o.before);
        DecideAndExpectExit(s, kRender, o.process, o.window);
        ExpectWritten(s, o.before, kRender, "1");
    });
    Run("PlayerSwitch: hidden and shown again, the dialog keeps the user's click", [&](Scenario &s) {
        Opened o;
        if (!OpenFresh(s, kPlayer, "reshow", "1", &o)) return;
        Click(o.window, kPlayerWmp);
        ShowWindow(o.window, SW_HIDE);
        Sync(o.window);
        s.Check(!IsWindowVisible(o.window), "the dialog would not hide");
        // Another program changes the value meanwhile; showing must not read it again.
        SetSetting(kPlayer, "0");
        o.before = Watch(o.game.folder);
        ShowWindow(o.window, SW_SHOW);
        Sync(o.window);
        s.Check(IsWindowVisible(o.window), "the dialog would not show again");
        ExpectChecked(s, kPlayer, o.window, kPlayerWmp, "shown again");
        DecideAndExpectExit(s, kPlayer, o.process, o.window);
        ExpectWritten(s, o.before, kPlayer, "2");
    });
    Run("CalcSwitch: a second start after SETUP.INI has gone shows no warning", [&](Scenario &s) {
        Opened o;
        if (!OpenFresh(s, kCalc, "secondnoini", nullptr, &o)) return;
        DeleteFileA(o.game.Ini().c_str());
        o.before = Watch(o.game.folder);
        ExpectSecondStartEnds(s, kCalc, o.game);
        s.Check(IsWindow(o.window) && IsWindowVisible(o.window), "the first copy's dialog went away");
        Click(o.window, kCalc.cancelId);
        ExpectExitZero(s, o.process, "キャンセル");
        ExpectNothingChanged(s, o.before);
    });
    // Every other tool, from the first, changes its choice; the others decide what they show.
    Run("the tools open side by side and each stores its own value", [&](Scenario &s) {
        Game game = NewGame(s, "sidebyside");
        const int zero = 1;
        static_assert(tool_facts_detail::Same(kStoredTexts[zero], "0"), "the stored zero");
        for (const Tool &tool : kToolFacts) SetSetting(tool, kStoredTexts[zero]);
        Before before = Watch(game.folder);
        Process processes[kToolCount];
        HWND windows[kToolCount] = {};
        bool open = true;
        for (int i = 0; i < kToolCount && open; ++i)
            open = OpenDialog(s, kToolFacts[i], game.Exe(kToolFacts[i]), &processes[i], &windows[i]);
        if (!open) {
            for (Process &process : processes) KillAndClose(process);
            return;
        }
        std::vector<Write> writes;
        for (int i = 0; i < kToolCount; ++i) {
            const Tool &tool = kToolFacts[i];
            s.Check(IsWindowVisible(windows[i]), ToolName(tool) + " is not showing");
            ExpectChecked(s, tool, windows[i], tool.rows[tool.checked[zero]], tool.name);
            const int chosen = i % 2 == 0 ? (tool.checked[zero] + 1) % tool.rowCount : tool.checked[zero];
            if (chosen != tool.checked[zero]) Click(windows[i], tool.rows[chosen]);
            writes.push_back({kRegName, &tool, tool.rowWrites[chosen]});
        }
        for (int i = 0; i < kToolCount; ++i) DecideAndExpectExit(s, kToolFacts[i], processes[i], windows[i]);
        ExpectOnly(s, before, writes);
    });
}

// A system whose ANSI code page is not 932: each tool must still find SETUP.INI
// beside itself in a folder named in that code page, where bytes that Shift-JIS takes
// for lead bytes are single characters or lead other second bytes, and second bytes
// may be 0x5C. Written as bytes: the driver's literals are Shift-JIS.
struct ForeignFolder {
    UINT codePage;
    const char *name;
};
const ForeignFolder kForeignFolders[] = {
    {1252, "caf\xE9"},             // café
    {936, "\xDF\x5C\xB4\xE6"},  // 運存
    {949, "\xC0\xFA\xC0\xE5"},  // 저장
    {950, "\xA5\x5C\xA4\xE5"},  // 功文
};

int ForeignCodePageRun(UINT codePage)
{
    const ForeignFolder *folder = nullptr;
    for (const ForeignFolder &candidate : kForeignFolders) {
        if (candidate.codePage == codePage) folder = &candidate;
    }
    if (GetACP() != codePage || folder == nullptr) {
        printf("FAIL the ANSI code page is %u; asked for %u\n0 passed, 1 failed\n", GetACP(), codePage);
        return 1;
    }
    // No SETUP.INI above the game's folder to fall back on; the tools' current folder
    // names a game that is not installed, so a tool that looked there shows a warning.
    RemoveTree(kRoot);
    MakeFolder(kDecoyFolder);
    WriteFileBytes(std::string(kDecoyFolder) + "\\SETUP.INI", SetupIniText(kDecoyRegName));
    Run("code page " + std::to_string(codePage) + ": the three tools from a folder named in it", [&](Scenario &s) {
        Game game = NewGame(s, "foreign", folder->name);
        SetSetting(kCalc, "1");
        SetSetting(kRender, "1");
        SetSetting(kPlayer, "2");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcEnable, "1");
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerWmp, "2");
    });
    // What a player sees here: the dialog's Japanese through code page 1252 is "?". The
    // guide's remedy, "LC_ALL=ja_JP.UTF-8 wine CalcSwitch.exe", must show it as it is.
    if (codePage == 1252)
        Run("code page 1252: radio buttons read '?', and Japanese under LC_ALL=ja_JP.UTF-8", [&](Scenario &s) {
            Game game = NewGame(s, "guide");
            for (const Tool &tool : kToolFacts) {
                for (const char *environment : {static_cast<const char *>(nullptr), "LC_ALL=ja_JP.UTF-8"}) {
                    Process process;
                    HWND window;
                    if (!OpenDialog(s, tool, game.Exe(tool), &process, &window, -1, environment)) continue;
                    for (int i = 0; i < tool.rowCount; ++i) {
                        std::string shown = WindowText(GetDlgItem(window, tool.rows[i])), wanted = tool.rowTexts[i];
                        bool ascii = std::all_of(wanted.begin(), wanted.end(), [](char c) { return c > 0; });
                        s.Check(environment || ascii ? shown == wanted : shown.find('?') != std::string::npos,
                                ToolName(tool) + (environment ? " in Japanese" : " as started") + ": row " +
                                    std::to_string(tool.rows[i]) + " reads " + Quote(shown));
                    }
                    Click(window, tool.cancelId);
                    ExpectExitZero(s, process, "キャンセル");
                }
            }
        });
    DeleteKeyTree(kGameKey);
    RemoveTree(kRoot);
    printf("compared: %ld scenarios, %ld entries, %ld differing\n", Compared.scenarios, Compared.entries,
           Compared.differing);
    printf("%d passed, %d failed\n", Passed, Failed);
    return Failed == 0 && Passed > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "--code-page") == 0) {
        ToolsFolder = argv[3];
        return ForeignCodePageRun(static_cast<UINT>(atoi(argv[2])));
    }
    if (argc < 2) {
        fprintf(stderr, "usage: e2e_driver TOOLS_FOLDER [NAME_FILTER]\n"
                        "       e2e_driver --code-page CODE_PAGE TOOLS_FOLDER\n");
        return 2;
    }
    ToolsFolder = argv[1];
    if (argc > 2) Filter = argv[2];
    if (GetACP() != 932) {
        printf("FAIL the ANSI code page is %u, not 932: the tools' texts cannot be compared\n", GetACP());
        printf("0 passed, 1 failed\n");
        return 1;
    }
    for (const Tool &tool : kToolFacts) {
        const std::string exe = ToolName(tool) + ".exe";
        if (GetFileAttributesA((ToolsFolder + "\\" + exe).c_str()) == INVALID_FILE_ATTRIBUTES) {
            printf("FAIL %s not found in %s\n0 passed, 1 failed\n", exe.c_str(), ToolsFolder.c_str());
            return 1;
        }
    }
    RemoveTree(kRoot);
    MakeFolder(kDecoyFolder);
    WriteFileBytes(std::string(kDecoyFolder) + "\\SETUP.INI", SetupIniText(kDecoyRegName));
    InstallGame(kDecoyRegName, std::string(kDecoyFolder) + "\\SAVE");
    SetUserString(KeyOf(kDecoyRegName), kCalc.valueName, "0");
    SetUserString(KeyOf(kDecoyRegName), kRender.valueName, "1");
    SetUserString(KeyOf(kDecoyRegName), kPlayer.valueName, "2");

    DWORD start = GetTickCount();
    TableScenarios();
    DismissScenarios();
    KeyboardScenarios();
    ClickScenarios();
    StartupFailureScenarios();
    LocationScenarios();
    SecondStartScenarios();
    HostileScenarios();

    DeleteKeyTree(kGameKey);
    DeleteKeyTree(KeyOf(kDecoyRegName));
    RemoveTree(kRoot);
    printf("(%lu s)\n", static_cast<unsigned long>((GetTickCount() - start) / 1000));
    printf("compared: %ld scenarios, %ld entries, %ld differing\n", Compared.scenarios, Compared.entries,
           Compared.differing);
    printf("%d passed, %d failed\n", Passed, Failed);
    return Stopped() ? 3 : Failed == 0 && Passed > 0 ? 0 : 1;
}
