// The scenarios' common ground; see harness.h.
#include "harness.h"

#include <stdio.h>

namespace e2e {

int Passed = 0;
int Failed = 0;
const char *Filter = nullptr;
Comparisons Compared;

// --- One scenario: its checks and its report line ---------------------------------

void Scenario::Report()
{
    double seconds = (GetTickCount() - start_) / 1000.0;
    if (failures_.empty()) {
        ++Passed;
        printf("PASS %s (%.1f s)\n", Utf8(name_).c_str(), seconds);
    } else {
        ++Failed;
        printf("FAIL %s (%.1f s)\n", Utf8(name_).c_str(), seconds);
        for (const std::string &failure : failures_) printf("     - %s\n", Utf8(failure).c_str());
    }
    for (const std::string &note : notes_) printf("     . %s\n", Utf8(note).c_str());
    fflush(stdout);
}

// --- Game installations ------------------------------------------------------------

std::string ToolsFolder;

std::string KeyOf(const std::string &regName) { return "Software\\" + regName; }

void InstallGame(const std::string &regName, const std::string &saveFolder)
{
    std::string key = KeyOf(regName);
    DeleteKeyTree(key);
    MakeFolder(saveFolder);
    WriteInstallValues(saveFolder, [&](const char *name, const std::string &text) { SetUserString(key, name, text); });
}

void CopyTool(Scenario &s, const Tool &tool, const std::string &folder, const char *asName)
{
    const std::string exe = ToolName(tool) + ".exe";
    std::string target = folder + "\\" + (asName ? asName : exe);
    bool copied = CopyFileA((ToolsFolder + "\\" + exe).c_str(), target.c_str(), FALSE);
    DWORD error = GetLastError();
    s.Check(copied, "cannot copy the program to " + target + ", error " + std::to_string(error));
}

Game NewGame(Scenario &s, const std::string &name, const std::string &folderName)
{
    Game game;
    game.folder = std::string(kRoot) + "\\" + (folderName.empty() ? name : folderName);
    RemoveTree(game.folder);
    s.Check(MakeFolder(game.folder), "cannot make " + game.folder);
    for (const Tool &tool : kToolFacts) CopyTool(s, tool, game.folder);
    s.Check(WriteFileBytes(game.Ini(), SetupIniText(kRegName)), "cannot write " + game.Ini());
    MakeFolder(game.folder + "\\DATA");
    WriteFileBytes(game.folder + "\\DATA\\game.dat", std::string("KZDATA\0\x01\x02", 9));
    game.saveFolder = game.folder + "\\SAVE";
    InstallGame(kRegName, game.saveFolder);
    WriteFileBytes(game.saveFolder + "\\save01.dat", "slot 1");
    return game;
}

void SetSetting(const Tool &tool, const char *text, const std::string &regName)
{
    if (text == nullptr)
        DeleteRegValue(KeyOf(regName), tool.valueName);
    else
        SetUserString(KeyOf(regName), tool.valueName, text);
}

// --- Proving what a run changed ----------------------------------------------------

// Diffs as DiffSnapshots does, and counts every entry of either side and those that
// differ: the run's measured answer to "did anything change but the decided value".
static std::string Compare(const std::map<std::string, std::string> &expected,
                           const std::map<std::string, std::string> &actual)
{
    Compared.entries += expected.size();
    for (const auto &entry : actual) {
        auto wanted = expected.find(entry.first);
        Compared.entries += wanted == expected.end();
        Compared.differing += wanted == expected.end() || wanted->second != entry.second;
    }
    for (const auto &entry : expected) Compared.differing += actual.find(entry.first) == actual.end();
    return DiffSnapshots(expected, actual);
}

Before Watch(const std::string &folder)
{
    return {SnapshotSoftware(), SnapshotFolder(folder), SnapshotFolder(kDecoyFolder), folder};
}

void ExpectOnly(Scenario &s, const Before &before, const std::vector<Write> &writes)
{
    RegistrySnapshot expected = before.registry;
    for (const Write &write : writes)
        expected[RegEntryName(KeyOf(write.regName), write.tool->valueName)] = RegStringEntry(write.text);
    std::string registryDiff = Compare(expected, SnapshotSoftware());
    s.Check(registryDiff.empty(), "registry: " + registryDiff);
    std::string fileDiff = Compare(before.files, SnapshotFolder(before.folder));
    s.Check(fileDiff.empty(), "files: " + fileDiff);
    std::string decoyDiff = Compare(before.decoy, SnapshotFolder(kDecoyFolder));
    s.Check(decoyDiff.empty(), "decoy files: " + decoyDiff);
}

void ExpectNothingChanged(Scenario &s, const Before &before) { ExpectOnly(s, before, {}); }

void ExpectWritten(Scenario &s, const Before &before, const Tool &tool, const char *text,
                   const std::string &regName)
{
    ExpectOnly(s, before, {{regName, &tool, text}});
}

// --- Working a tool's windows ------------------------------------------------------

std::string BoxSummary(HWND box)
{
    MessageBoxContents contents = ReadMessageBox(box);
    return "box " + Quote(contents.title) + ": " + Quote(contents.text);
}

bool OpenDialog(Scenario &s, const Tool &tool, const std::string &exe, Process *process, HWND *window,
                int showCommand, const char *environment)
{
    *window = nullptr;
    bool started = environment == nullptr
                       ? StartProgram(exe, kDecoyFolder, showCommand, process)
                       : StartThroughWine(exe, kDecoyFolder, environment, tool.className, process);
    DWORD error = GetLastError();
    if (!s.Check(started, "cannot start " + exe + ", error " + std::to_string(error))) return false;
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
        s.NothingAppeared("exited without a window");
        CloseProcess(*process);
        return false;
    }
    if (seen.window == nullptr) {
        s.NothingAppeared("no dialog window within the time");
        KillAndClose(*process);
        return false;
    }
    *window = seen.window;
    return true;
}

void ExpectChecked(Scenario &s, const Tool &tool, HWND window, WORD expected, const char *when)
{
    WORD checked = 0;
    int count = 0;
    for (int i = 0; i < tool.rowCount; ++i) {
        LRESULT state = 0;
        SendTimeout(GetDlgItem(window, tool.rows[i]), BM_GETCHECK, 0, 0, &state);
        if (state == BST_CHECKED) {
            checked = tool.rows[i];
            ++count;
        }
    }
    s.Check(count <= 1, std::to_string(count) + " radio buttons checked at once");
    s.Check(checked == expected, std::string(when) + ": checked " + std::to_string(checked) + ", wanted " +
                                     std::to_string(expected));
}

bool Click(HWND window, WORD id) { return SendTimeout(GetDlgItem(window, id), BM_CLICK, 0, 0); }

void ExpectExitZero(Scenario &s, Process &process, const char *after)
{
    DWORD code = 0;
    bool ended = WaitExit(process, kExitMs, &code);
    if (s.Check(ended, std::string("still running after ") + after)) {
        s.Check(code == 0, std::string("exit code ") + std::to_string(code) + " after " + after);
    } else {
        // A box the tool raised on the way out explains the hang.
        HWND box = FindProcessWindow("#32770", process.id);
        if (box != nullptr) s.Check(false, "it shows " + BoxSummary(box));
    }
    KillAndClose(process);
}

void DecideAndExpectExit(Scenario &s, const Tool &tool, Process &process, HWND window)
{
    s.Check(Click(window, tool.decideId), "決定 did not answer");
    ExpectExitZero(s, process, "決定");
    s.Check(!IsWindow(window), "dialog still exists after 決定");
}

void ExpectBox(Scenario &s, HWND window, const char *text, HWND owner)
{
    MessageBoxContents box = ReadMessageBox(window);
    s.Check(box.title == kBoxTitle, "box title " + Quote(box.title));
    s.Check(box.text == text, "box text " + Quote(box.text) + ", wanted " + Quote(text));
    s.Check(box.buttons.size() == 1, std::to_string(box.buttons.size()) + " buttons in the box");
    s.Check(box.owner == owner, owner ? "the box is not owned by the dialog" : "the box has an owner window");
}

void ExpectWarning(Scenario &s, const Tool &tool, const std::string &exe, const std::string &folder,
                   const char *text)
{
    Before before = Watch(folder);
    Process process;
    bool started = StartProgram(exe, kDecoyFolder, -1, &process);
    DWORD error = GetLastError();
    if (!s.Check(started, "cannot start " + exe + ", error " + std::to_string(error))) return;
    Appearance seen = WaitForWindowOrBox(process, tool.className, true, kAppearMs);
    if (seen.window != nullptr) {
        s.Check(false, "the dialog opened instead of the warning " + Quote(text));
        PostMessageA(seen.window, WM_CLOSE, 0, 0);
    } else if (seen.box == nullptr) {
        s.NothingAppeared(seen.exited ? "exited without a box" : "no box within the time");
    } else {
        ExpectBox(s, seen.box, text, nullptr);
        s.Check(FindProcessWindow(tool.className, process.id) == nullptr, "a dialog exists beside the box");
        PostMessageA(seen.box, WM_COMMAND, IDOK, 0);
    }
    ExpectExitZero(s, process, "the warning");
    ExpectNothingChanged(s, before);
}

// How many scenarios must fail for want of a window, with none passed, before the run
// stops: more than one, so that one tool that hangs does not end the run.
const int kStopAfter = 3;
int windowless = 0;

bool Stopped() { return Passed == 0 && Failed == kStopAfter && windowless == kStopAfter; }

void Run(const std::string &name, const std::function<void(Scenario &)> &body)
{
    if (Stopped() || (Filter != nullptr && name.find(Filter) == std::string::npos)) return;
    Scenario s(name);
    long comparedBefore = Compared.entries;
    body(s);
    Compared.scenarios += Compared.entries > comparedBefore;
    s.Report();
    windowless += s.SawNothing();
    if (Stopped()) {
        printf("STOP the first %d scenarios all waited in vain for a tool's window: the tools do not start up "
               "here, and the other scenarios are not run\n",
               kStopAfter);
        fflush(stdout);
    }
}

bool OpenWatched(Scenario &s, const Tool &tool, const Game &game, Opened *opened, const std::string &exe,
                 int showCommand)
{
    opened->game = game;
    opened->before = Watch(game.folder);
    return OpenDialog(s, tool, exe.empty() ? opened->game.Exe(tool) : exe, &opened->process, &opened->window,
                      showCommand);
}

bool OpenFresh(Scenario &s, const Tool &tool, const std::string &name, const char *stored, Opened *opened,
               int showCommand)
{
    Game game = NewGame(s, name);
    SetSetting(tool, stored);
    return OpenWatched(s, tool, game, opened, "", showCommand);
}

void OpenDecideExpect(Scenario &s, const Tool &tool, const Game &game, const std::string &exe, WORD checked,
                      const char *written, const std::string &regName)
{
    Opened o;
    if (!OpenWatched(s, tool, game, &o, exe)) return;
    ExpectChecked(s, tool, o.window, checked, "on opening");
    DecideAndExpectExit(s, tool, o.process, o.window);
    ExpectWritten(s, o.before, tool, written, regName);
}

}  // namespace e2e
