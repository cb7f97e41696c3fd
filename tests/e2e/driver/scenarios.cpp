// End-to-end scenarios: each one lays out a game installation, starts the real tool
// programs, works their windows as a user would and then proves what changed in
// HKCU\Software and on disk. Usage: e2e_driver TOOLS_FOLDER [NAME_FILTER]
// Prints one line per scenario and ends with "N passed, N failed".
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "support.h"

using namespace e2e;

namespace {

// --- The tools as a user and the game see them ---------------------------------------

struct Tool {
    const char *exe;
    const char *className;
    const char *caption;
    const char *valueName;
    WORD decideId;
    WORD cancelId;
    std::vector<WORD> rows;  // radio buttons in template order
};

const WORD kCalcEnable = 1001, kCalcDisable = 1002;
const WORD kRenderEnable = 1001, kRenderDisable = 1002;
const WORD kPlayerMci = 1043, kPlayerDirectShow = 1044, kPlayerWmp = 1048;

const Tool kCalc = {"CalcSwitch.exe", "_kz_support_tool_CalcSwitchMain", "ＭＭＸの設定", "MmxUse",
                    1004, 1003, {kCalcEnable, kCalcDisable}};
const Tool kRender = {"RenderSwitch.exe", "_kz_support_tool_RenderSwitchMain", "Direct3Dの設定", "D3dUse",
                      1004, 1003, {kRenderEnable, kRenderDisable}};
const Tool kPlayer = {"PlayerSwitch.exe", "_kz_support_tool_PlayerSwitchMain", "ムービーの再生方式を変更する",
                      "MoviePlayType", 1045, 1046, {kPlayerMci, kPlayerDirectShow, kPlayerWmp}};
const Tool *const kTools[] = {&kCalc, &kRender, &kPlayer};

const char kBoxTitle[] = "PlayerSwitch ﾒｯｾｰｼﾞ";
const char kTextNoIni[] = "[ Setup.ini ] が見つかりません。";
const char kTextNoRegName[] = "[ Setup.ini ] に [REG_NAME] の設定が見つかりません。";
const char kTextNotInstalled[] = "先にゲームをセットアップして下さい。";

// The installer's values in the order the tools check them.
const char *const kInstallValues[] = {"DAT_EXIST",  "BGM_EXIST",  "KOE_EXIST",  "MOV_EXIST",
                                      "SAV_FOLDER", "DAT_FOLDER", "BGM_FOLDER", "KOE_FOLDER",
                                      "MOV_FOLDER", "CD_DRIVE",   "DISK_MARK"};

const char kRoot[] = "C:\\kze2e";
const char kRegName[] = "KzE2EGame";
const char kGameKey[] = "Software\\KzE2EGame";
// A SETUP.INI in the tools' current folder that names a game with other settings:
// a tool that looked there instead of beside itself would show and write those.
const char kDecoyFolder[] = "C:\\kze2e\\decoy";
const char kDecoyRegName[] = "KzE2EDecoy";

const DWORD kAppearMs = 20000;
const DWORD kExitMs = 10000;

int Passed = 0;
int Failed = 0;
const char *Filter = nullptr;

// --- One scenario: its checks and its report line ---------------------------------

class Scenario {
public:
    explicit Scenario(std::string name) : name_(std::move(name)), start_(GetTickCount()) {}

    bool Check(bool condition, const std::string &what)
    {
        if (!condition)
            failures_.push_back(what);
        return condition;
    }
    bool Ok() const { return failures_.empty(); }

    void Report()
    {
        double seconds = (GetTickCount() - start_) / 1000.0;
        if (failures_.empty()) {
            ++Passed;
            printf("PASS %s (%.1f s)\n", Utf8(name_).c_str(), seconds);
        } else {
            ++Failed;
            printf("FAIL %s (%.1f s)\n", Utf8(name_).c_str(), seconds);
            for (const std::string &failure : failures_)
                printf("     - %s\n", Utf8(failure).c_str());
        }
        fflush(stdout);
    }

private:
    std::string name_;
    DWORD start_;
    std::vector<std::string> failures_;
};

// --- Game installations ------------------------------------------------------------

std::string ToolsFolder;

std::string IniText(const std::string &regName)
{
    return "[Setup Initial]\r\nREG_NAME=" + regName + "\r\nINSTALL_TYPE=1\r\n";
}

std::string KeyOf(const std::string &regName)
{
    return "Software\\" + regName;
}

// The values that the game's installer leaves, with its save folder created.
void InstallGame(const std::string &regName, const std::string &saveFolder)
{
    std::string key = KeyOf(regName);
    DeleteKeyTree(key);
    MakeFolder(saveFolder);
    for (const char *name : kInstallValues) {
        std::string text = strstr(name, "_EXIST") ? "1" : std::string("C:\\Game\\") + name;
        if (strcmp(name, "SAV_FOLDER") == 0)
            text = saveFolder;
        else if (strcmp(name, "CD_DRIVE") == 0)
            text = "Q:\\";
        else if (strcmp(name, "DISK_MARK") == 0)
            text = "KZDISK01";
        SetRegString(key, name, text);
    }
}

struct Game {
    std::string folder;  // the program folder
    std::string saveFolder;
    std::string Exe(const Tool &tool) const { return folder + "\\" + tool.exe; }
    std::string Ini() const { return folder + "\\SETUP.INI"; }
};

void CopyTool(Scenario &s, const Tool &tool, const std::string &folder, const char *asName = nullptr)
{
    std::string target = folder + "\\" + (asName ? asName : tool.exe);
    bool copied = CopyFileA((ToolsFolder + "\\" + tool.exe).c_str(), target.c_str(), FALSE);
    DWORD error = GetLastError();
    s.Check(copied, "cannot copy the program to " + target + ", error " + std::to_string(error));
}

// A fresh, complete installation: the three tools with SETUP.INI beside them, the
// installer's values and the save folder; the tools' own values are absent.
Game NewGame(Scenario &s, const std::string &name, const std::string &folderName = "")
{
    Game game;
    game.folder = std::string(kRoot) + "\\" + (folderName.empty() ? name : folderName);
    RemoveTree(game.folder);
    s.Check(MakeFolder(game.folder), "cannot make " + game.folder);
    for (const Tool *tool : kTools)
        CopyTool(s, *tool, game.folder);
    s.Check(WriteFileBytes(game.Ini(), IniText(kRegName)), "cannot write " + game.Ini());
    MakeFolder(game.folder + "\\DATA");
    WriteFileBytes(game.folder + "\\DATA\\game.dat", std::string("KZDATA\0\x01\x02", 9));
    game.saveFolder = game.folder + "\\SAVE";
    InstallGame(kRegName, game.saveFolder);
    WriteFileBytes(game.saveFolder + "\\save01.dat", "slot 1");
    return game;
}

void SetSetting(const Tool &tool, const char *text, const std::string &regName = kRegName)
{
    if (text == nullptr)
        DeleteRegValue(KeyOf(regName), tool.valueName);
    else
        SetRegString(KeyOf(regName), tool.valueName, text);
}

// --- Proving what a run changed ----------------------------------------------------

struct Before {
    RegistrySnapshot registry;
    FolderSnapshot files;
    FolderSnapshot decoy;
    std::string folder;
};

Before Watch(const std::string &folder)
{
    return {SnapshotSoftware(), SnapshotFolder(folder), SnapshotFolder(kDecoyFolder), folder};
}

struct Write {
    std::string regName;
    const Tool *tool;
    const char *text;
};

// The registry must equal the snapshot plus exactly `writes`; the folders must be
// byte for byte as they were.
void ExpectOnly(Scenario &s, const Before &before, const std::vector<Write> &writes)
{
    RegistrySnapshot expected = before.registry;
    for (const Write &write : writes)
        expected[RegEntryName(KeyOf(write.regName), write.tool->valueName)] = RegStringEntry(write.text);
    std::string registryDiff = DiffSnapshots(expected, SnapshotSoftware());
    s.Check(registryDiff.empty(), "registry: " + registryDiff);
    std::string fileDiff = DiffSnapshots(before.files, SnapshotFolder(before.folder));
    s.Check(fileDiff.empty(), "files: " + fileDiff);
    std::string decoyDiff = DiffSnapshots(before.decoy, SnapshotFolder(kDecoyFolder));
    s.Check(decoyDiff.empty(), "decoy files: " + decoyDiff);
}

void ExpectNothingChanged(Scenario &s, const Before &before)
{
    ExpectOnly(s, before, {});
}

void ExpectWritten(Scenario &s, const Before &before, const Tool &tool, const char *text,
                   const std::string &regName = kRegName)
{
    ExpectOnly(s, before, {{regName, &tool, text}});
}

// --- Working a tool's windows ------------------------------------------------------

std::string BoxSummary(HWND box)
{
    MessageBoxContents contents = ReadMessageBox(box);
    return "box " + Quote(contents.title) + ": " + Quote(contents.text);
}

// Starts the tool and waits for its dialog; a message box or an early exit instead is
// a failure (the box is closed so that the process can end).
bool OpenDialog(Scenario &s, const Tool &tool, const std::string &exe, Process *process, HWND *window,
                int showCommand = -1)
{
    *window = nullptr;
    bool started = StartProgram(exe, kDecoyFolder, showCommand, process);
    DWORD error = GetLastError();
    if (!s.Check(started, "cannot start " + exe + ", error " + std::to_string(error)))
        return false;
    Appearance seen = WaitForWindowOrBox(*process, tool.className, showCommand != SW_HIDE, kAppearMs);
    if (seen.box != nullptr) {
        s.Check(false, "expected the dialog, got " + BoxSummary(seen.box));
        PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
        DWORD code;
        WaitExit(*process, kExitMs, &code);
        KillAndClose(*process);
        return false;
    }
    if (seen.exited) {
        s.Check(false, "exited without a window");
        CloseProcess(*process);
        return false;
    }
    if (!s.Check(seen.window != nullptr, "no dialog window within the time")) {
        KillAndClose(*process);
        return false;
    }
    *window = seen.window;
    return true;
}

// The one checked radio button: 0 when none, and a failure when more than one.
WORD CheckedRow(Scenario &s, const Tool &tool, HWND window)
{
    WORD checked = 0;
    int count = 0;
    for (WORD id : tool.rows) {
        LRESULT state = 0;
        SendTimeout(GetDlgItem(window, id), BM_GETCHECK, 0, 0, &state);
        if (state == BST_CHECKED) {
            checked = id;
            ++count;
        }
    }
    s.Check(count <= 1, std::to_string(count) + " radio buttons checked at once");
    return checked;
}

void ExpectChecked(Scenario &s, const Tool &tool, HWND window, WORD expected, const char *when)
{
    WORD checked = CheckedRow(s, tool, window);
    s.Check(checked == expected, std::string(when) + ": checked " + std::to_string(checked) + ", wanted " +
                                     std::to_string(expected));
}

bool Click(HWND window, WORD id)
{
    return SendTimeout(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

void ExpectExitZero(Scenario &s, Process &process, const char *after)
{
    DWORD code = 0;
    bool ended = WaitExit(process, kExitMs, &code);
    if (s.Check(ended, std::string("still running after ") + after)) {
        s.Check(code == 0, std::string("exit code ") + std::to_string(code) + " after " + after);
    } else {
        HWND box = nullptr;
        // A box the tool raised on the way out explains the hang.
        for (HWND candidate : FindAllWindows("#32770")) {
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            if (owner == process.id)
                box = candidate;
        }
        if (box != nullptr)
            s.Check(false, "it shows " + BoxSummary(box));
    }
    KillAndClose(process);
}

// The dialog opens with `expected` checked; 決定 then ends the tool with exit code 0.
void DecideAndExpectExit(Scenario &s, const Tool &tool, Process &process, HWND window)
{
    s.Check(Click(window, tool.decideId), "決定 did not answer");
    ExpectExitZero(s, process, "決定");
    s.Check(!IsWindow(window), "dialog still exists after 決定");
}

// Starts the tool where a start-up check must fail: one warning box with the text,
// no owner and one button, no dialog; OK ends the tool with 0; nothing changes.
void ExpectWarning(Scenario &s, const Tool &tool, const std::string &exe, const std::string &folder,
                   const char *text)
{
    Before before = Watch(folder);
    Process process;
    bool started = StartProgram(exe, kDecoyFolder, -1, &process);
    DWORD error = GetLastError();
    if (!s.Check(started, "cannot start " + exe + ", error " + std::to_string(error)))
        return;
    Appearance seen = WaitForWindowOrBox(process, tool.className, true, kAppearMs);
    if (seen.window != nullptr) {
        s.Check(false, "the dialog opened instead of the warning " + Quote(text));
        PostMessageA(seen.window, WM_CLOSE, 0, 0);
    } else if (s.Check(seen.box != nullptr, seen.exited ? "exited without a box" : "no box within the time")) {
        MessageBoxContents box = ReadMessageBox(seen.box);
        s.Check(box.title == kBoxTitle, "box title " + Quote(box.title));
        s.Check(box.text == text, "box text " + Quote(box.text) + ", wanted " + Quote(text));
        s.Check(box.buttons.size() == 1, std::to_string(box.buttons.size()) + " buttons in the box");
        s.Check(box.owner == nullptr, "the box has an owner window");
        s.Check(FindProcessWindow(tool.className, process.id) == nullptr, "a dialog exists beside the box");
        PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
    }
    ExpectExitZero(s, process, "the warning");
    ExpectNothingChanged(s, before);
}

// --- Scenarios ---------------------------------------------------------------------

void Run(const std::string &name, const std::function<void(Scenario &)> &body)
{
    if (Filter != nullptr && name.find(Filter) == std::string::npos)
        return;
    Scenario s(name);
    body(s);
    s.Report();
}

struct TableRow {
    const Tool *tool;
    const char *stored;  // null: the value is absent
    WORD checked;
    const char *written;
};

// Stored text → checked button → what 決定 writes without a click.
const TableRow kTable[] = {
    {&kCalc, nullptr, kCalcEnable, "1"},    // absent: enabled
    {&kCalc, "0", kCalcDisable, "0"},       //
    {&kCalc, "1", kCalcEnable, "1"},        //
    {&kCalc, "2", kCalcEnable, "1"},        // other number: enabled, normalised
    {&kCalc, " 1", kCalcEnable, "1"},       // leading blank skipped
    {&kCalc, "1abc", kCalcEnable, "1"},     // trailing letters ignored
    {&kCalc, "abc", kCalcDisable, "0"},     // no digits: 0
    {&kCalc, "", kCalcDisable, "0"},        // empty: 0
    {&kCalc, "-1", kCalcEnable, "1"},       // other number
    {&kCalc, "7", kCalcEnable, "1"},        // other number
    {&kRender, nullptr, kRenderDisable, "0"},  // absent: disabled, unlike CalcSwitch
    {&kRender, "0", kRenderDisable, "0"},      //
    {&kRender, "1", kRenderEnable, "1"},       //
    {&kRender, "2", kRenderEnable, "1"},       // other number: enabled
    {&kRender, " 1", kRenderEnable, "1"},      //
    {&kRender, "1abc", kRenderEnable, "1"},    //
    {&kRender, "abc", kRenderDisable, "0"},    // no digits: 0
    {&kRender, "", kRenderDisable, "0"},       //
    {&kRender, "-1", kRenderEnable, "1"},      //
    {&kRender, "7", kRenderEnable, "1"},       //
    {&kPlayer, nullptr, kPlayerMci, "0"},        // absent: MCI
    {&kPlayer, "0", kPlayerMci, "0"},            //
    {&kPlayer, "1", kPlayerDirectShow, "1"},     //
    {&kPlayer, "2", kPlayerWmp, "2"},            //
    {&kPlayer, " 1", kPlayerDirectShow, "1"},    //
    {&kPlayer, "1abc", kPlayerDirectShow, "1"},  //
    {&kPlayer, "abc", kPlayerMci, "0"},          // no digits: 0 = MCI
    {&kPlayer, "", kPlayerMci, "0"},             //
    {&kPlayer, "-1", kPlayerMci, "0"},           // other number: MCI
    {&kPlayer, "7", kPlayerMci, "0"},            // other number: MCI, normalised
};

std::string Shown(const char *stored)
{
    return stored == nullptr ? "absent" : "'" + std::string(stored) + "'";
}

std::string ToolName(const Tool &tool)
{
    return std::string(tool.exe, strlen(tool.exe) - 4);
}

void TableScenarios()
{
    for (const TableRow &row : kTable) {
        const Tool &tool = *row.tool;
        Run(ToolName(tool) + " table: " + tool.valueName + " " + Shown(row.stored) + " -> " +
                std::to_string(row.checked) + ", decide writes '" + row.written + "'",
            [&](Scenario &s) {
                Game game = NewGame(s, "table");
                SetSetting(tool, row.stored);
                Before before = Watch(game.folder);
                Process process;
                HWND window;
                if (!OpenDialog(s, tool, game.Exe(tool), &process, &window))
                    return;
                s.Check(WindowText(window) == tool.caption, "caption " + Quote(WindowText(window)));
                s.Check(WindowText(GetDlgItem(window, tool.decideId)) == "決定", "decide button text");
                s.Check(WindowText(GetDlgItem(window, tool.cancelId)) == "キャンセル", "cancel button text");
                ExpectChecked(s, tool, window, row.checked, "on opening");
                DecideAndExpectExit(s, tool, process, window);
                ExpectWritten(s, before, tool, row.written);
            });
    }
}

// The stored value that makes the first row checked, and a row to click away to.
struct DismissCase {
    const Tool *tool;
    const char *stored;
    WORD shown;
    WORD other;
    const char *writtenAfterEsc;
};

const DismissCase kDismiss[] = {
    {&kCalc, "0", kCalcDisable, kCalcEnable, "0"},
    {&kRender, "1", kRenderEnable, kRenderDisable, "1"},
    {&kPlayer, "2", kPlayerWmp, kPlayerDirectShow, "2"},
};

// Posts the Esc key the way the keyboard delivers it, to the control with the focus,
// and returns once the tool's loop has handled it.
bool PressEscape(HWND window, WORD markerId)
{
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    // Posted messages are handled in order: once this pushed look shows, the key
    // has been through the dialog's keyboard handling.
    HWND marker = GetDlgItem(window, markerId);
    PostMessageA(marker, BM_SETSTATE, TRUE, 0);
    for (int i = 0; i < 250; ++i) {
        LRESULT state = 0;
        if (SendTimeout(marker, BM_GETSTATE, 0, 0, &state) && (state & BST_PUSHED)) {
            SendTimeout(marker, BM_SETSTATE, FALSE, 0);
            return true;
        }
        Sleep(20);
    }
    return false;
}

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
                Game game = NewGame(s, "dismiss");
                SetSetting(tool, c.stored);
                Before before = Watch(game.folder);
                Process process;
                HWND window;
                if (!OpenDialog(s, tool, game.Exe(tool), &process, &window))
                    return;
                ExpectChecked(s, tool, window, c.shown, "on opening");
                Click(window, c.other);
                ExpectChecked(s, tool, window, c.other, "after the click");
                way.close(window);
                ExpectExitZero(s, process, way.name);
                ExpectNothingChanged(s, before);
            });
        }
        Run(ToolName(tool) + ": Esc neither cancels nor closes; 決定 afterwards writes '" +
                c.writtenAfterEsc + "'",
            [&](Scenario &s) {
                Game game = NewGame(s, "escape");
                SetSetting(tool, c.stored);
                Before before = Watch(game.folder);
                Process process;
                HWND window;
                if (!OpenDialog(s, tool, game.Exe(tool), &process, &window))
                    return;
                s.Check(PressEscape(window, tool.cancelId), "the Esc key was never handled");
                s.Check(IsWindow(window) && IsWindowVisible(window), "the dialog went away on Esc");
                s.Check(WaitForSingleObject(process.handle, 200) == WAIT_TIMEOUT, "the tool ended on Esc");
                ExpectChecked(s, tool, window, c.shown, "after Esc");
                ExpectNothingChanged(s, before);
                before = Watch(game.folder);
                DecideAndExpectExit(s, tool, process, window);
                ExpectWritten(s, before, tool, c.writtenAfterEsc);
            });
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
        for (WORD id : c.clicks)
            path += std::to_string(id) + " ";
        Run(ToolName(tool) + ": from " + Shown(c.stored) + ", clicks " + path + "then 決定 write '" + c.written +
                "'",
            [&](Scenario &s) {
                Game game = NewGame(s, "clicks");
                SetSetting(tool, c.stored);
                Before before = Watch(game.folder);
                Process process;
                HWND window;
                if (!OpenDialog(s, tool, game.Exe(tool), &process, &window))
                    return;
                for (WORD id : c.clicks) {
                    s.Check(Click(window, id), "click on " + std::to_string(id) + " did not answer");
                    ExpectChecked(s, tool, window, id, ("after clicking " + std::to_string(id)).c_str());
                }
                ExpectNothingChanged(s, before);
                DecideAndExpectExit(s, tool, process, window);
                ExpectWritten(s, before, tool, c.written);
            });
    }
}

const Tool &ToolFor(size_t i)
{
    return *kTools[i % 3];
}

void StartupFailureScenarios()
{
    for (const Tool *tool : kTools) {
        Run(ToolName(*tool) + ": no SETUP.INI anywhere", [&](Scenario &s) {
            Game game = NewGame(s, "noini");
            DeleteFileA(game.Ini().c_str());
            ExpectWarning(s, *tool, game.Exe(*tool), game.folder, kTextNoIni);
        });
        Run(ToolName(*tool) + ": REG_NAME empty", [&](Scenario &s) {
            Game game = NewGame(s, "emptyname");
            WriteFileBytes(game.Ini(), IniText(""));
            ExpectWarning(s, *tool, game.Exe(*tool), game.folder, kTextNoRegName);
        });
        Run(ToolName(*tool) + ": the game's key is missing", [&](Scenario &s) {
            Game game = NewGame(s, "nokey");
            DeleteKeyTree(kGameKey);
            ExpectWarning(s, *tool, game.Exe(*tool), game.folder, kTextNotInstalled);
        });
    }
    Run("RenderSwitch: SETUP.INI is a folder", [&](Scenario &s) {
        Game game = NewGame(s, "inidir");
        DeleteFileA(game.Ini().c_str());
        MakeFolder(game.Ini());
        ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNoIni);
    });
    Run("PlayerSwitch: SETUPDATA\\SETUP.INI is a folder", [&](Scenario &s) {
        Game game = NewGame(s, "setupdatadir");
        DeleteFileA(game.Ini().c_str());
        MakeFolder(game.folder + "\\SETUPDATA\\SETUP.INI");
        ExpectWarning(s, kPlayer, game.Exe(kPlayer), game.folder, kTextNoIni);
    });
    Run("CalcSwitch: SETUP.INI without the REG_NAME key", [&](Scenario &s) {
        Game game = NewGame(s, "nonamekey");
        WriteFileBytes(game.Ini(), "[Setup Initial]\r\nINSTALL_TYPE=1\r\n");
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNoRegName);
    });
    Run("RenderSwitch: SETUP.INI without the section", [&](Scenario &s) {
        Game game = NewGame(s, "nosection");
        WriteFileBytes(game.Ini(), "[Other]\r\nREG_NAME=KzE2EGame\r\n");
        ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNoRegName);
    });
    Run("PlayerSwitch: REG_NAME of blanks only", [&](Scenario &s) {
        Game game = NewGame(s, "blankname");
        WriteFileBytes(game.Ini(), IniText("   "));
        ExpectWarning(s, kPlayer, game.Exe(kPlayer), game.folder, kTextNoRegName);
    });
    Run("CalcSwitch: empty SETUP.INI", [&](Scenario &s) {
        Game game = NewGame(s, "emptyini");
        WriteFileBytes(game.Ini(), "");
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNoRegName);
    });
    for (size_t i = 0; i < sizeof kInstallValues / sizeof kInstallValues[0]; ++i) {
        const Tool &tool = ToolFor(i);
        Run(ToolName(tool) + ": installer value " + kInstallValues[i] + " missing", [&](Scenario &s) {
            Game game = NewGame(s, "novalue");
            DeleteRegValue(kGameKey, kInstallValues[i]);
            ExpectWarning(s, tool, game.Exe(tool), game.folder, kTextNotInstalled);
        });
    }
    Run("RenderSwitch: SAV_FOLDER names a file", [&](Scenario &s) {
        Game game = NewGame(s, "savfile");
        SetRegString(kGameKey, "SAV_FOLDER", game.saveFolder + "\\save01.dat");
        ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNotInstalled);
    });
    Run("PlayerSwitch: SAV_FOLDER's folder was deleted", [&](Scenario &s) {
        Game game = NewGame(s, "savgone");
        RemoveTree(game.saveFolder);
        ExpectWarning(s, kPlayer, game.Exe(kPlayer), game.folder, kTextNotInstalled);
    });
    Run("CalcSwitch: SAV_FOLDER ends in a separator", [&](Scenario &s) {
        Game game = NewGame(s, "savslash");
        SetRegString(kGameKey, "SAV_FOLDER", game.saveFolder + "\\");
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNotInstalled);
    });
    Run("RenderSwitch: SAV_FOLDER empty", [&](Scenario &s) {
        Game game = NewGame(s, "savempty");
        SetRegString(kGameKey, "SAV_FOLDER", "");
        ExpectWarning(s, kRender, game.Exe(kRender), game.folder, kTextNotInstalled);
    });
}

// Opens the tool and expects `checked`, then decides and expects `written` under `regName`.
void OpenDecideExpect(Scenario &s, const Tool &tool, const Game &game, const std::string &exe, WORD checked,
                      const char *written, const std::string &regName = kRegName)
{
    Before before = Watch(game.folder);
    Process process;
    HWND window;
    if (!OpenDialog(s, tool, exe, &process, &window))
        return;
    ExpectChecked(s, tool, window, checked, "on opening");
    DecideAndExpectExit(s, tool, process, window);
    ExpectWritten(s, before, tool, written, regName);
}

void LocationScenarios()
{
    Run("CalcSwitch: SETUP.INI only in SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "setupdata");
        DeleteFileA(game.Ini().c_str());
        MakeFolder(game.folder + "\\SETUPDATA");
        WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", IniText(kRegName));
        SetSetting(kCalc, "0");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcDisable, "0");
    });
    Run("RenderSwitch: a SETUP.INI folder beside, the file in SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "inidirfallback");
        DeleteFileA(game.Ini().c_str());
        MakeFolder(game.Ini());
        MakeFolder(game.folder + "\\SETUPDATA");
        WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", IniText(kRegName));
        SetSetting(kRender, "1");
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
    });
    Run("PlayerSwitch: SETUP.INI beside wins over SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "precedence");
        const char *other = "KzE2EOther";
        InstallGame(other, game.folder + "\\OTHERSAVE");
        SetSetting(kPlayer, "1", other);
        SetSetting(kPlayer, "2");
        MakeFolder(game.folder + "\\SETUPDATA");
        WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", IniText(other));
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerWmp, "2");
        DeleteKeyTree(KeyOf(other));
    });
    Run("CalcSwitch: an empty REG_NAME beside is not passed over for SETUPDATA", [&](Scenario &s) {
        Game game = NewGame(s, "precedenceempty");
        WriteFileBytes(game.Ini(), IniText(""));
        MakeFolder(game.folder + "\\SETUPDATA");
        WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", IniText(kRegName));
        ExpectWarning(s, kCalc, game.Exe(kCalc), game.folder, kTextNoRegName);
    });
    Run("RenderSwitch: profile rules: any case, blanks and quotes around REG_NAME", [&](Scenario &s) {
        Game game = NewGame(s, "profilerules");
        WriteFileBytes(game.Ini(), "; written by the installer\r\n[setup initial]\r\nreg_name =  \"KzE2EGame\"  \r\n");
        SetSetting(kRender, "1");
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderEnable, "1");
    });
    Run("PlayerSwitch: REG_NAME naming a nested key", [&](Scenario &s) {
        Game game = NewGame(s, "nested");
        const char *nested = "KzE2EMaker\\KzE2EGame";
        InstallGame(nested, game.saveFolder);
        DeleteKeyTree(kGameKey);
        WriteFileBytes(game.Ini(), IniText(nested));
        SetSetting(kPlayer, "1", nested);
        OpenDecideExpect(s, kPlayer, game, game.Exe(kPlayer), kPlayerDirectShow, "1", nested);
        DeleteKeyTree("Software\\KzE2EMaker");
    });
    Run("CalcSwitch: installer values stored as numbers or empty text still count", [&](Scenario &s) {
        Game game = NewGame(s, "valuetypes");
        SetRegDword(kGameKey, "DAT_EXIST", 1);
        SetRegDword(kGameKey, "CD_DRIVE", 4);
        SetRegString(kGameKey, "DISK_MARK", "");
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
        MakeFolder(game.folder + "\\SETUPDATA");
        WriteFileBytes(game.folder + "\\SETUPDATA\\SETUP.INI", IniText(kRegName));
        CopyTool(s, kRender, game.folder, "ソ.exe");
        OpenDecideExpect(s, kRender, game, game.folder + "\\ソ.exe", kRenderDisable, "0");
    });
    Run("RenderSwitch: SAV_FOLDER named in Shift-JIS with 0x5C bytes", [&](Scenario &s) {
        Game game = NewGame(s, "sjissave");
        std::string save = game.folder + "\\セーブ表ソ";
        MakeFolder(save);
        SetRegString(kGameKey, "SAV_FOLDER", save);
        OpenDecideExpect(s, kRender, game, game.Exe(kRender), kRenderDisable, "0");
    });
    Run("CalcSwitch: 決定 changes nothing but MmxUse in a crowded key", [&](Scenario &s) {
        Game game = NewGame(s, "crowded");
        SetSetting(kRender, "1");
        SetSetting(kPlayer, "2");
        SetSetting(kCalc, "7");
        SetRegString(kGameKey, "mmxuse_old", "0");
        SetRegDword(kGameKey, "MmxUseCount", 3);
        SetRegString(kGameKey + std::string("\\MmxUse"), "MmxUse", "0");
        SetRegString("Software\\KzE2EGameOther", "MmxUse", "0");
        OpenDecideExpect(s, kCalc, game, game.Exe(kCalc), kCalcEnable, "1");
        DeleteKeyTree("Software\\KzE2EGameOther");
    });
}

void SecondStartScenarios()
{
    Run("PlayerSwitch: a second start restores the minimised first and exits 0", [&](Scenario &s) {
        Game game = NewGame(s, "second");
        SetSetting(kPlayer, "1");
        Before before = Watch(game.folder);
        Process first;
        HWND window;
        if (!OpenDialog(s, kPlayer, game.Exe(kPlayer), &first, &window))
            return;
        SendTimeout(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        s.Check(IsIconic(window), "the first copy would not minimise");
        Process second;
        if (s.Check(StartProgram(game.Exe(kPlayer), kDecoyFolder, -1, &second), "cannot start the second")) {
            DWORD code = 99;
            s.Check(WaitExit(second, kExitMs, &code), "the second copy keeps running");
            s.Check(code == 0, "the second copy's exit code " + std::to_string(code));
            KillAndClose(second);
        }
        Sync(window);
        s.Check(!IsIconic(window) && IsWindowVisible(window), "the first copy was not restored");
        s.Check(GetForegroundWindow() == window, "the first copy is not in front");
        s.Check(FindAllWindows(kPlayer.className).size() == 1, "more than one PlayerSwitch window");
        ExpectChecked(s, kPlayer, window, kPlayerDirectShow, "after the restore");
        ExpectNothingChanged(s, before);
        Click(window, kPlayerWmp);
        DecideAndExpectExit(s, kPlayer, first, window);
        ExpectWritten(s, before, kPlayer, "2");
    });
    Run("RenderSwitch: started hidden, unfilled until a second start shows and fills it", [&](Scenario &s) {
        Game game = NewGame(s, "hidden");
        SetSetting(kRender, "1");
        Before before = Watch(game.folder);
        Process first;
        HWND window;
        if (!OpenDialog(s, kRender, game.Exe(kRender), &first, &window, SW_HIDE))
            return;
        s.Check(!IsWindowVisible(window), "the dialog is visible although started hidden");
        ExpectChecked(s, kRender, window, 0, "while hidden");
        s.Check(WaitForSingleObject(first.handle, 0) == WAIT_TIMEOUT, "the hidden copy ended");
        Process second;
        if (s.Check(StartProgram(game.Exe(kRender), kDecoyFolder, -1, &second), "cannot start the second")) {
            DWORD code = 99;
            s.Check(WaitExit(second, kExitMs, &code), "the second copy keeps running");
            s.Check(code == 0, "the second copy's exit code " + std::to_string(code));
            KillAndClose(second);
        }
        Sync(window);
        s.Check(IsWindowVisible(window), "the second start did not show the hidden copy");
        ExpectChecked(s, kRender, window, kRenderEnable, "once shown");
        ExpectNothingChanged(s, before);
        DecideAndExpectExit(s, kRender, first, window);
        ExpectWritten(s, before, kRender, "1");
    });
    Run("PlayerSwitch: hidden and shown again, the dialog keeps the user's click", [&](Scenario &s) {
        Game game = NewGame(s, "reshow");
        SetSetting(kPlayer, "1");
        Process process;
        HWND window;
        if (!OpenDialog(s, kPlayer, game.Exe(kPlayer), &process, &window))
            return;
        Click(window, kPlayerWmp);
        ShowWindow(window, SW_HIDE);
        Sync(window);
        s.Check(!IsWindowVisible(window), "the dialog would not hide");
        // Another program changes the value meanwhile; showing must not read it again.
        SetSetting(kPlayer, "0");
        Before before = Watch(game.folder);
        ShowWindow(window, SW_SHOW);
        Sync(window);
        s.Check(IsWindowVisible(window), "the dialog would not show again");
        ExpectChecked(s, kPlayer, window, kPlayerWmp, "shown again");
        DecideAndExpectExit(s, kPlayer, process, window);
        ExpectWritten(s, before, kPlayer, "2");
    });
    Run("CalcSwitch: a second start after SETUP.INI has gone shows no warning", [&](Scenario &s) {
        Game game = NewGame(s, "secondnoini");
        Process first;
        HWND window;
        if (!OpenDialog(s, kCalc, game.Exe(kCalc), &first, &window))
            return;
        DeleteFileA(game.Ini().c_str());
        Before before = Watch(game.folder);
        Process second;
        if (s.Check(StartProgram(game.Exe(kCalc), kDecoyFolder, -1, &second), "cannot start the second")) {
            Appearance seen = WaitForWindowOrBox(second, nullptr, true, kExitMs);
            if (seen.box != nullptr) {
                s.Check(false, "the second copy shows " + BoxSummary(seen.box));
                PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
            }
            ExpectExitZero(s, second, "the second start");
        }
        s.Check(IsWindow(window) && IsWindowVisible(window), "the first copy's dialog went away");
        Click(window, kCalc.cancelId);
        ExpectExitZero(s, first, "キャンセル");
        ExpectNothingChanged(s, before);
    });
    Run("the three tools open side by side and each stores its own value", [&](Scenario &s) {
        Game game = NewGame(s, "sidebyside");
        SetSetting(kCalc, "0");
        SetSetting(kRender, "0");
        SetSetting(kPlayer, "0");
        Before before = Watch(game.folder);
        Process processes[3];
        HWND windows[3] = {};
        bool open = true;
        for (int i = 0; i < 3 && open; ++i)
            open = OpenDialog(s, *kTools[i], game.Exe(*kTools[i]), &processes[i], &windows[i]);
        if (!open) {
            for (Process &process : processes)
                KillAndClose(process);
            return;
        }
        for (int i = 0; i < 3; ++i)
            s.Check(IsWindowVisible(windows[i]), ToolName(*kTools[i]) + " is not showing");
        ExpectChecked(s, kCalc, windows[0], kCalcDisable, "CalcSwitch");
        ExpectChecked(s, kRender, windows[1], kRenderDisable, "RenderSwitch");
        ExpectChecked(s, kPlayer, windows[2], kPlayerMci, "PlayerSwitch");
        Click(windows[0], kCalcEnable);
        Click(windows[2], kPlayerDirectShow);
        for (int i = 0; i < 3; ++i)
            DecideAndExpectExit(s, *kTools[i], processes[i], windows[i]);
        ExpectOnly(s, before, {{kRegName, &kCalc, "1"}, {kRegName, &kRender, "0"}, {kRegName, &kPlayer, "1"}});
    });
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: e2e_driver TOOLS_FOLDER [NAME_FILTER]\n");
        return 2;
    }
    ToolsFolder = argv[1];
    if (argc > 2)
        Filter = argv[2];
    if (GetACP() != 932) {
        printf("FAIL the ANSI code page is %u, not 932: the tools' texts cannot be compared\n", GetACP());
        printf("0 passed, 1 failed\n");
        return 1;
    }
    for (const Tool *tool : kTools) {
        if (GetFileAttributesA((ToolsFolder + "\\" + tool->exe).c_str()) == INVALID_FILE_ATTRIBUTES) {
            printf("FAIL %s not found in %s\n0 passed, 1 failed\n", tool->exe, ToolsFolder.c_str());
            return 1;
        }
    }
    RemoveTree(kRoot);
    MakeFolder(kDecoyFolder);
    WriteFileBytes(std::string(kDecoyFolder) + "\\SETUP.INI", IniText(kDecoyRegName));
    InstallGame(kDecoyRegName, std::string(kDecoyFolder) + "\\SAVE");
    SetRegString(KeyOf(kDecoyRegName), kCalc.valueName, "0");
    SetRegString(KeyOf(kDecoyRegName), kRender.valueName, "1");
    SetRegString(KeyOf(kDecoyRegName), kPlayer.valueName, "2");

    DWORD start = GetTickCount();
    TableScenarios();
    DismissScenarios();
    ClickScenarios();
    StartupFailureScenarios();
    LocationScenarios();
    SecondStartScenarios();

    DeleteKeyTree(kGameKey);
    DeleteKeyTree(KeyOf(kDecoyRegName));
    RemoveTree(kRoot);
    printf("(%lu s)\n", static_cast<unsigned long>((GetTickCount() - start) / 1000));
    printf("%d passed, %d failed\n", Passed, Failed);
    return Failed == 0 && Passed > 0 ? 0 : 1;
}
