// The dialogs worked from the keyboard alone: real key strokes (SendInput) typed into
// the tool once it is the foreground window, the road a player's keys take through
// the tool's message loop and the platform's dialog handling.
#include <string.h>

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

namespace {

// A sequence typed into a freshly opened tool and what follows it. Controls are named
// by role: D 決定, C キャンセル, 0-2 the radio buttons in template order, "-" once the
// tool has ended. The trace holds the control with the focus at open, then after
// each key.
//
// The expectations are the platform's documented dialog keyboard interface
// (Microsoft: "Dialog Box Keyboard Interface", and the IsDialogMessage, DefDlgProc
// and Button pages): the focus starts on the first tab stop; Tab and Shift+Tab go
// from tab stop to tab stop in template order, and into a group of radio buttons
// at its checked button; the arrow keys move within the group, checking automatic
// radio buttons as they go, and wrap at its ends; Space clicks the focused button;
// Enter clicks the focused push button, and elsewhere sends IDOK, which the tools
// (having no default push button) ignore, as they ignore Esc's IDCANCEL; Alt+F4 is
// the close command.
//
// Where Wine differs: a push button becomes the default, and so takes Enter, only
// when a key brought the focus to it. The focus that the dialog's creation puts on
// the first tab stop does not, so Enter at open sends IDOK even where that is 決定.
// The guidelines' "a button the user navigates to temporarily becomes the default"
// do not say what the first focus does; the row holds what Wine does.
struct KeyCase {
    const char *tools;   // first letters of the tools the row is for
    const char *stored;  // the setting before the tool opens
    const char *keys;    // typed one by one: Tab S-Tab Up Down Space Enter Esc A-F4
    const char *trace;
    char checked;        // the row checked at the end, while the tool is still open
    const char *written; // what the tool stored; null: nothing
};

const KeyCase kKeyCases[] = {
    // CalcSwitch and RenderSwitch: the push buttons come first, "0" shows row 1.
    {"CR", "0", "Tab Tab Tab", "D C 1 D", '1', nullptr},            // Tab cycles
    {"CR", "0", "S-Tab S-Tab S-Tab", "D 1 C D", '1', nullptr},      // and back
    {"CR", "0", "S-Tab Down Down", "D 1 0 1", '1', nullptr},        // the arrows wrap in the group
    {"CR", "0", "S-Tab Up Tab Space", "D 1 0 D -", 0, "1"},         // Space on 決定 stores the arrow's row
    {"CR", "0", "Tab Space", "D C -", 0, nullptr},                  // Space on キャンセル
    {"CR", "0", "Tab S-Tab Enter", "D C D -", 0, "0"},              // Enter on 決定
    {"CR", "0", "Enter", "D D", '1', nullptr},                      // the same at open: Wine's IDOK, see above
    {"CR", "0", "Tab Enter", "D C -", 0, nullptr},                  // Enter on キャンセル
    {"CR", "0", "S-Tab Enter Esc Tab", "D 1 1 1 D", '1', nullptr},  // Enter on a radio button, Esc
    {"CR", "0", "Esc Space", "D D -", 0, "0"},                      // Esc changes nothing
    {"CR", "0", "A-F4", "D -", 0, nullptr},                         // Alt+F4 closes, stores nothing
    // PlayerSwitch: the radio buttons come first, "1" shows row 1.
    {"P", "1", "Tab Tab Tab", "1 D C 1", '1', nullptr},
    {"P", "1", "S-Tab S-Tab S-Tab", "1 C D 1", '1', nullptr},
    {"P", "1", "Down Down Up", "1 2 0 2", '2', nullptr},
    {"P", "1", "Up Tab Space", "1 0 D -", 0, "0"},
    {"P", "1", "Tab Tab Space", "1 D C -", 0, nullptr},
    {"P", "1", "Down Tab Enter", "1 2 D -", 0, "2"},
    {"P", "1", "S-Tab Enter", "1 C -", 0, nullptr},
    {"P", "1", "Enter Esc Tab", "1 1 1 D", '1', nullptr},
    {"P", "1", "Esc Tab Space", "1 1 D -", 0, "1"},
    {"P", "1", "Down A-F4", "1 2 -", 0, nullptr},
};

struct KeyName {
    const char *name;
    WORD key;
    WORD modifier;  // held around the key; 0: none
};

const KeyName kKeys[] = {
    {"Tab", VK_TAB, 0},     {"S-Tab", VK_TAB, VK_SHIFT}, {"Up", VK_UP, 0},       {"Down", VK_DOWN, 0},
    {"Space", VK_SPACE, 0}, {"Enter", VK_RETURN, 0},     {"Esc", VK_ESCAPE, 0}, {"A-F4", VK_F4, VK_MENU},
};

bool Type(const std::string &name)
{
    for (const KeyName &k : kKeys) {
        if (name != k.name)
            continue;
        INPUT input[4] = {};
        UINT count = 0;
        auto stroke = [&](WORD key, DWORD flags) {
            input[count].type = INPUT_KEYBOARD;
            input[count].ki.wVk = key;
            input[count].ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
            input[count++].ki.dwFlags = flags;
        };
        if (k.modifier)
            stroke(k.modifier, 0);
        stroke(k.key, 0);
        stroke(k.key, KEYEVENTF_KEYUP);
        if (k.modifier)
            stroke(k.modifier, KEYEVENTF_KEYUP);
        return SendInput(count, input, sizeof input[0]) == count;
    }
    return false;
}

// Typed keys go to the foreground window's thread.
bool BringToFront(HWND window)
{
    SetForegroundWindow(window);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(20)) {
        if (GetForegroundWindow() == window)
            return true;
    }
    return false;
}

// The role of the control with the focus in the tool's thread, "-" once it has ended.
std::string Focused(const Tool &tool, const Process &process, HWND window)
{
    if (WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0)
        return "-";
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr)
        return "none";
    const int id = GetDlgCtrlID(info.hwndFocus);
    if (id == tool.decideId)
        return "D";
    if (id == tool.cancelId)
        return "C";
    for (int i = 0; i < tool.rowCount; ++i) {
        if (id == tool.rows[i])
            return std::to_string(i);
    }
    return "#" + std::to_string(id);
}

// Keys go through the tool's queue in the order typed, but nothing tells when one has
// been handled: wait for the expected focus, then a while longer for a late change.
std::string Settled(const Tool &tool, const Process &process, HWND window, const std::string &expected)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000;) {
        if (Focused(tool, process, window) == expected)
            break;
        Sleep(20);
    }
    Sleep(150);
    return Focused(tool, process, window);
}

std::vector<std::string> Words(const char *list)
{
    std::vector<std::string> words;
    std::string rest = list;
    for (size_t space; !rest.empty(); rest = space == std::string::npos ? "" : rest.substr(space + 1)) {
        space = rest.find(' ');
        words.push_back(rest.substr(0, space));
    }
    return words;
}

}  // namespace

void KeyboardScenarios()
{
    for (const KeyCase &c : kKeyCases) {
        for (const Tool &tool : kToolFacts) {
            if (strchr(c.tools, tool.name[0]) == nullptr)
                continue;
            Run(ToolName(tool) + " keys from '" + c.stored + "': " + c.keys + " -> " + c.trace +
                    (c.written ? std::string(", stores '") + c.written + "'" : ", stores nothing"),
                [&](Scenario &s) {
                    Opened o;
                    if (!OpenFresh(s, tool, "keys", c.stored, &o))
                        return;
                    if (!s.Check(BringToFront(o.window), "the tool never became the foreground window")) {
                        KillAndClose(o.process);
                        return;
                    }
                    const std::vector<std::string> keys = Words(c.keys), expected = Words(c.trace);
                    std::string trace;
                    for (size_t i = 0; i <= keys.size(); ++i) {
                        if (i > 0)
                            s.Check(Type(keys[i - 1]), "SendInput refused " + keys[i - 1]);
                        trace += (i > 0 ? " " : "") +
                                 Settled(tool, o.process, o.window, i < expected.size() ? expected[i] : "");
                    }
                    s.Check(trace == c.trace, "focus " + trace);
                    if (trace.back() != '-') {
                        if (c.checked)
                            ExpectChecked(s, tool, o.window, tool.rows[c.checked - '0'], "after the keys");
                        PostMessageA(o.window, WM_CLOSE, 0, 0);
                    }
                    ExpectExitZero(s, o.process, "the keys");
                    if (c.written)
                        ExpectWritten(s, o.before, tool, c.written);
                    else
                        ExpectNothingChanged(s, o.before);
                });
        }
    }
}

}  // namespace e2e
