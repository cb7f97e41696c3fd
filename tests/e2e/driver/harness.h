// The scenarios' common ground: the three tools as the driver knows them, game
// installations, starting a tool and working its windows, and proving afterwards
// what a run changed in HKCU\Software and on disk.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "install_values.h"
#include "support.h"
#include "tool_facts.h"

namespace e2e {

// --- The tools as a user and the game see them ---------------------------------------

using Tool = ToolFacts;  // kCalc, kRender, kPlayer; kToolFacts holds them all

const char kBoxTitle[] = "PlayerSwitch ﾒｯｾｰｼﾞ";
const char kTextNoIni[] = "[ Setup.ini ] が見つかりません。";
const char kTextNoRegName[] = "[ Setup.ini ] に [REG_NAME] の設定が見つかりません。";
const char kTextNotInstalled[] = "先にゲームをセットアップして下さい。";

const char kRoot[] = "C:\\kze2e";
const char kRegName[] = "KzE2EGame";
const char kGameKey[] = "Software\\KzE2EGame";
// A SETUP.INI in the tools' current folder that names a game with other settings:
// a tool that looked there instead of beside itself would show and write those.
const char kDecoyFolder[] = "C:\\kze2e\\decoy";
const char kDecoyRegName[] = "KzE2EDecoy";

const DWORD kAppearMs = 20000;
const DWORD kExitMs = 10000;

// The run's tally and its name filter; the folder the tools are copied from.
extern int Passed;
extern int Failed;
extern const char *Filter;
// Entries of HKCU\Software and of the watched folders compared after a scenario, and
// the scenarios that compared any; printed as the run's "compared" line.
struct Comparisons {
    long scenarios = 0, entries = 0, differing = 0;
};
extern Comparisons Compared;
extern std::string ToolsFolder;

// --- One scenario: its checks and its report line ---------------------------------

class Scenario {
public:
    explicit Scenario(std::string name) : name_(std::move(name)), start_(GetTickCount()) {}

    bool Check(bool condition, const std::string &what)
    {
        if (!condition) failures_.push_back(what);
        return condition;
    }
    // A failure because the tool showed neither its dialog nor a box.
    void NothingAppeared(const std::string &what)
    {
        Check(false, what);
        nothingAppeared_ = true;
    }
    bool SawNothing() const { return nothingAppeared_; }

    // What the scenario measured, printed under its report line.
    void Note(const std::string &what) { notes_.push_back(what); }

    void Report();

private:
    std::string name_;
    DWORD start_;
    std::vector<std::string> failures_;
    std::vector<std::string> notes_;
    bool nothingAppeared_ = false;
};

// --- Game installations ------------------------------------------------------------

struct Game {
    std::string folder;  // the program folder
    std::string saveFolder;
    std::string Exe(const Tool &tool) const { return folder + "\\" + tool.name + ".exe"; }
    std::string Ini() const { return folder + "\\SETUP.INI"; }
};

// --- Proving what a run changed ----------------------------------------------------

struct Before {
    RegistrySnapshot registry;
    FolderSnapshot files;
    FolderSnapshot decoy;
    std::string folder;
};

struct Write {
    std::string regName;
    const Tool *tool;
    const char *text;
};

std::string KeyOf(const std::string &regName);  // REG_NAME -> its key below HKCU
// The values that the game's installer leaves, with its save folder created.
void InstallGame(const std::string &regName, const std::string &saveFolder);
void CopyTool(Scenario &s, const Tool &tool, const std::string &folder, const char *asName = nullptr);
// A fresh, complete installation: the three tools with SETUP.INI beside them, the
// installer's values and the save folder; the tools' own values are absent.
Game NewGame(Scenario &s, const std::string &name, const std::string &folderName = "");
// A null text deletes the value.
void SetSetting(const Tool &tool, const char *text, const std::string &regName = kRegName);

Before Watch(const std::string &folder);
// The registry must equal the snapshot plus exactly `writes`; the folders must be
// byte for byte as they were.
void ExpectOnly(Scenario &s, const Before &before, const std::vector<Write> &writes);
void ExpectNothingChanged(Scenario &s, const Before &before);
void ExpectWritten(Scenario &s, const Before &before, const Tool &tool, const char *text,
                   const std::string &regName = kRegName);

// --- Working a tool's windows ------------------------------------------------------

std::string BoxSummary(HWND box);
// Starts the tool (with an environment block: through Wine's loader, see
// StartThroughWine) and waits for its dialog; a message box or an early exit instead
// is a failure (the box is closed so that the process can end).
bool OpenDialog(Scenario &s, const Tool &tool, const std::string &exe, Process *process, HWND *window,
                int showCommand = -1, const char *environment = nullptr);
// The one checked radio button is `expected` (0: none); more than one is a failure.
void ExpectChecked(Scenario &s, const Tool &tool, HWND window, WORD expected, const char *when);
bool Click(HWND window, WORD id);
void ExpectExitZero(Scenario &s, Process &process, const char *after);
// 決定 ends the tool with exit code 0 and its dialog is gone.
void DecideAndExpectExit(Scenario &s, const Tool &tool, Process &process, HWND window);
// The tools' one kind of box: its title, the text, one button, and the owner.
void ExpectBox(Scenario &s, HWND box, const char *text, HWND owner);
// Starts the tool where a start-up check must fail: one warning box with the text,
// no owner and one button, no dialog; OK ends the tool with 0; nothing changes.
void ExpectWarning(Scenario &s, const Tool &tool, const std::string &exe, const std::string &folder,
                   const char *text);
// A tool's dialog opened on a game, with what the run is to be compared with.
struct Opened {
    Game game;
    Before before;
    Process process;
    HWND window = nullptr;
};
// Watches the game's folder from here and opens the tool's dialog from exe (the game's
// copy when empty); false when it did not open, the failure noted.
bool OpenWatched(Scenario &s, const Tool &tool, const Game &game, Opened *opened, const std::string &exe = "",
                 int showCommand = -1);
// A fresh game (NewGame) with the tool's setting stored (null: absent), then OpenWatched.
bool OpenFresh(Scenario &s, const Tool &tool, const std::string &name, const char *stored, Opened *opened,
               int showCommand = -1);
// Opens the tool and expects `checked`, then decides and expects `written` under `regName`.
void OpenDecideExpect(Scenario &s, const Tool &tool, const Game &game, const std::string &exe, WORD checked,
                      const char *written, const std::string &regName = kRegName);

// Runs the body as one scenario unless the filter leaves it out or the run has
// stopped, and reports it.
void Run(const std::string &name, const std::function<void(Scenario &)> &body);
// True once the first scenarios all failed for want of any window: the tools do not
// start up here, and every further scenario would only wait kAppearMs to say so.
bool Stopped();
inline std::string ToolName(const Tool &tool) { return tool.name; }

// Scenario groups, each in its own file.
void HostileScenarios();
void KeyboardScenarios();

}  // namespace e2e
