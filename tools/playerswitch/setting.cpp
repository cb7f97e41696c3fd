// PlayerSwitch: how the game plays its movies; MCI commands when unset or unknown.
#include "resource.h"
#include "settings.h"

namespace {

const ChoiceRow kRows[] = {
    {IDC_MCI, 0, "0"},         // MCI commands (normal)
    {IDC_DIRECTSHOW, 1, "1"},  // DirectShow
    {IDC_WMP, 2, "2"},         // Windows Media Player
};

}  // namespace

const SettingDefinition PlayerSwitchSetting = {
    TOOL_CLASS_NAME, TOOL_VALUE_NAME, kRows, sizeof kRows / sizeof kRows[0], IDC_DECIDE, IDC_CANCEL,
    0,  // other numbers: MCI
    0,  // absent: MCI
};
