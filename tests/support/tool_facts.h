// What the suites expect of each tool, written apart from the tools' own sources so
// that those are checked against it: the window class, caption and value, the
// controls, and the row that a stored setting text checks. Which tools there are
// comes from the build (tool_list.h); the table must describe each, in that order.
// Texts are UTF-8 here; the end-to-end driver compiles them to Shift-JIS.
#pragma once

#include "tool_list.h"

// Control ids of the dialog templates, named for the cases that click them.
constexpr unsigned short kCalcEnable = 1001, kCalcDisable = 1002;
constexpr unsigned short kRenderEnable = 1001, kRenderDisable = 1002;
constexpr unsigned short kPlayerMci = 1043, kPlayerDirectShow = 1044, kPlayerWmp = 1048;

constexpr int kMaxRows = 3;

// The stored setting texts that each tool is checked with; a tool's row of kToolFacts
// says which of its rows each one checks, and 決定 then stores that row's text.
inline constexpr const char *kStoredTexts[] = {
    nullptr,  // the value does not exist
    "0", "1",
    "2",      // a row of PlayerSwitch's, another number to the others
    " 1",     // leading blank skipped
    "1abc",   // trailing letters ignored
    "abc",    // no digits: 0
    "",       // empty: 0
    "-1",     // negative: another number
    "7",      // another number, written back normalised
};
constexpr int kStoredCount = sizeof kStoredTexts / sizeof kStoredTexts[0];

// Which controls open the dialog's tab order: the keyboard's road through it follows.
enum class Layout { kPushButtonsFirst, kRadioGroupFirst };

struct ToolFacts {
    const char *name;  // as the build names the tool; the program is <name>.exe
    const char *className;
    const char *caption;
    const char *valueName;
    unsigned short decideId;
    unsigned short cancelId;
    unsigned short textId;  // a static text with an id of its own; 0: none
    int rowCount;
    unsigned short rows[kMaxRows];  // radio buttons, in template order
    const char *rowTexts[kMaxRows];
    const char *rowWrites[kMaxRows];  // what 決定 stores with the row checked
    Layout layout;
    int checked[kStoredCount];  // the row that each of kStoredTexts checks
};

inline constexpr ToolFacts kToolFacts[] = {
    {"CalcSwitch", "_kz_support_tool_CalcSwitchMain", "ＭＭＸの設定", "MmxUse", 1004, 1003, 0, 2,
     {kCalcEnable, kCalcDisable}, {"有効", "無効"}, {"1", "0"}, Layout::kPushButtonsFirst,
     {0, 1, 0, 0, 0, 0, 1, 1, 0, 0}},  // absent, other numbers: enabled
    {"RenderSwitch", "_kz_support_tool_RenderSwitchMain", "Direct3Dの設定", "D3dUse", 1004, 1003, 20435, 2,
     {kRenderEnable, kRenderDisable}, {"有効", "無効"}, {"1", "0"}, Layout::kPushButtonsFirst,
     {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}},  // absent: disabled; other numbers: enabled
    {"PlayerSwitch", "_kz_support_tool_PlayerSwitchMain", "ムービーの再生方式を変更する", "MoviePlayType", 1045,
     1046, 1047, 3, {kPlayerMci, kPlayerDirectShow, kPlayerWmp},
     {"ＭＣＩ 命令 （通常）", "DirectShow", "WindowsMediaPlayer"}, {"0", "1", "2"}, Layout::kRadioGroupFirst,
     {0, 0, 1, 2, 1, 1, 0, 0, 0, 0}},  // absent, other numbers: MCI
};
constexpr int kToolCount = sizeof kToolFacts / sizeof kToolFacts[0];

namespace tool_facts_detail {

constexpr bool Same(const char *a, const char *b)
{
    return *a == *b && (*a == '\0' || Same(a + 1, b + 1));
}

#define TOOL_FACTS_MATCH(Name) &&Same(kToolFacts[i++].name, #Name)
constexpr bool DescribesTheBuild(int i = 0)
{
    return true TOOL_LIST(TOOL_FACTS_MATCH) && i == kToolCount;
}
#undef TOOL_FACTS_MATCH

// A name the table lacks indexes past its end, which no constant expression may.
constexpr const ToolFacts &Named(const char *name, int i = 0)
{
    return Same(kToolFacts[i].name, name) ? kToolFacts[i] : Named(name, i + 1);
}

}  // namespace tool_facts_detail

static_assert(tool_facts_detail::DescribesTheBuild(),
              "kToolFacts must describe the tools of tools/CMakeLists.txt, in its order");

inline constexpr const ToolFacts &kCalc = tool_facts_detail::Named("CalcSwitch");
inline constexpr const ToolFacts &kRender = tool_facts_detail::Named("RenderSwitch");
inline constexpr const ToolFacts &kPlayer = tool_facts_detail::Named("PlayerSwitch");
