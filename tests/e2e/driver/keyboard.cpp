// The dialogs worked from the keyboard alone: real key strokes (SendInput) typed into
// the tool once it is the foreground window, the road a player's keys take through
// the tool's message loop and the platform's dialog handling.

#include <iterator>
#include <sstream>
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
// The expectations are the documented dialog keyboard interface (Microsoft's "Dialog
// Box Keyboard Interface", IsDialogMessage, DefDlgProc and Button pages): the focus
// starts on the first tab stop, in a radio group its checked button; Tab and Shift+Tab go from tab stop to tab stop in
// template order, into a radio group at its checked button; the arrows move, and
// check, within the group and wrap at its ends; Space clicks the focused button;
// Enter clicks the default push button, which a push button becomes when the focus
// moves to it, else sends IDOK; the tools ignore IDOK and Esc's IDCANCEL; Alt+F4 is
// the close command. Where Wine differs: the focus that the dialog's creation puts
// on 決定 does not make it the default, so Enter at open sends IDOK.
struct KeyCase {
    Layout layout;       // the tools the row is for: those whose dialog is so laid out
    const char *stored;  // the setting before the tool opens
    const char *keys;    // typed one by one: Tab S-Tab Up Down Space Enter Esc A-F4
    const char *trace;
    char checked;        // the row checked at the end, while the tool is still open
    const char *written; // what the tool stored; null: nothing
};

constexpr Layout kButtonsFirst = Layout::kPushButtonsFirst, kRadiosFirst = Layout::kRadioGroupFirst;

const KeyCase kKeyCases[] = {
    // Push buttons first: "0" shows row 1.
    {kButtonsFirst, "0", "Tab Tab Tab", "D C 1 D", '1', nullptr},            // Tab cycles
    {kButtonsFirst, "0", "S-Tab S-Tab S-Tab", "D 1 C D", '1', nullptr},      // and back
    {kButtonsFirst, "0", "S-Tab Down Down", "D 1 0 1", '1', nullptr},        // the arrows wrap in the group
    {kButtonsFirst, "0", "S-Tab Up Tab Space", "D 1 0 D -", 0, "1"},         // Space on 決定 stores the arrow's row
    {kButtonsFirst, "0", "Tab Space", "D C -", 0, nullptr},                  // Space on キャンセル
    {kButtonsFirst, "0", "Tab S-Tab Enter", "D C D -", 0, "0"},              // Enter on 決定
    {kButtonsFirst, "0", "Enter", "D D", '1', nullptr},                      // the same at open: Wine's IDOK, see above
    {kButtonsFirst, "0", "Tab Enter", "D C -", 0, nullptr},                  // Enter on キャンセル
    {kButtonsFirst, "0", "S-Tab Enter Esc Tab", "D 1 1 1 D", '1', nullptr},  // Enter on a radio button, Esc
    {kButtonsFirst, "0", "Esc Space", "D D -", 0, "0"},                      // Esc changes nothing
    {kButtonsFirst, "0", "A-F4", "D -", 0, nullptr},                         // Alt+F4 closes, stores nothing
    // Radio group first: "1" shows row 1.
    {kRadiosFirst, "1", "Tab Tab Tab", "1 D C 1", '1', nullptr},             // at open on the checked button; Tab cycles
    {kRadiosFirst, "1", "S-Tab S-Tab S-Tab", "1 C D 1", '1', nullptr},       // and back
    {kRadiosFirst, "1", "Down Down Up", "1 2 0 2", '2', nullptr},            // the arrows wrap in the group
    {kRadiosFirst, "1", "Up Tab Space", "1 0 D -", 0, "0"},                  // Space on 決定 stores the arrow's row
    {kRadiosFirst, "1", "Tab Tab Space", "1 D C -", 0, nullptr},             // Space on キャンセル
    {kRadiosFirst, "1", "Down Tab Enter", "1 2 D -", 0, "2"},                // Enter on 決定
    {kRadiosFirst, "1", "S-Tab Enter", "1 C -", 0, nullptr},                 // Enter on キャンセル
    {kRadiosFirst, "1", "Enter Esc Tab", "1 1 1 D", '1', nullptr},           // Enter on a radio button, Esc
    {kRadiosFirst, "1", "Esc Tab Space", "1 1 D -", 0, "1"},                 // Esc changes nothing
    {kRadiosFirst, "1", "Down A-F4", "1 2 -", 0, nullptr},                   // Alt+F4 closes, stores nothing
};

// Presses the key, with the modifier held around it where there is one.
bool Type(const std::string &name)
{
    const struct {
        const char *name;
        WORD key, modifier;
    } keys[] = {{"Tab", VK_TAB, 0},     {"S-Tab", VK_TAB, VK_SHIFT}, {"Up", VK_UP, 0},       {"Down", VK_DOWN, 0},
                {"Space", VK_SPACE, 0}, {"Enter", VK_RETURN, 0},     {"Esc", VK_ESCAPE, 0}, {"A-F4", VK_F4, VK_MENU}};
    for (const auto &k : keys) {
        INPUT input[4] = {};
        UINT count = 0;
        const WORD strokes[] = {k.modifier, k.key, k.key, k.modifier};  // down, down, up, up
        for (int i = 0; i < 4; ++i) {
            input[count].type = INPUT_KEYBOARD;
            input[count].ki.wVk = strokes[i];
            input[count].ki.wScan = static_cast<WORD>(MapVirtualKeyA(strokes[i], MAPVK_VK_TO_VSC));
            input[count].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
            count += strokes[i] != 0;
        }
        if (name == k.name)
            return SendInput(count, input, sizeof input[0]) == count;
    }
    return false;
}

// The role of the control with the focus in the tool's thread, "-" once it has ended.
std::string Focused(const Tool &tool, const Process &process, HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0)
        return "-";
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr)
        return "none";
    const int id = GetDlgCtrlID(info.hwndFocus);
    for (int i = 0; i < tool.rowCount; ++i) {
        if (id == tool.rows[i])
            return std::to_string(i);
    }
    return id == tool.decideId ? "D" : id == tool.cancelId ? "C" : "#" + std::to_string(id);
}

// Keys go through the tool's queue in the order typed, but nothing tells when one has
// been handled: wait for the expected focus, then a while longer for a late change.
std::string Settled(const Tool &tool, const Process &process, HWND window, const std::string &expected)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < kExitMs / 2; Sleep(20)) {
        if (Focused(tool, process, window) == expected)
            break;
    }
    Sleep(150);
    return Focused(tool, process, window);
}

std::vector<std::string> Words(const char *list)
{
    std::istringstream in(list);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

}  // namespace

void KeyboardScenarios()
{
    for (const KeyCase &c : kKeyCases) {
        for (const Tool &tool : kToolFacts) {
            if (tool.layout != c.layout)
                continue;
            Run(ToolName(tool) + " keys from '" + c.stored + "': " + c.keys + " -> " + c.trace +
                    (c.written ? std::string(", stores '") + c.written + "'" : ", stores nothing"),
                [&](Scenario &s) {
                    Opened o;
                    if (!OpenFresh(s, tool, "keys", c.stored, &o))
                        return;
                    // Typed keys go to the foreground window's thread.
                    SetForegroundWindow(o.window);
                    for (DWORD start = GetTickCount(); GetForegroundWindow() != o.window; Sleep(20)) {
                        if (!s.Check(GetTickCount() - start < 3000, "the tool never came to the front"))
                            return KillAndClose(o.process);
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
