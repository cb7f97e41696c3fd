// CalcSwitch: the game's MMX arithmetic on ("1") or off ("0"); on when unset.
#include "resource.h"
#include "settings.h"

namespace {

const ChoiceRow kRows[] = {
    {IDC_ENABLE, 1, "1"},
    {IDC_DISABLE, 0, "0"},
};

}  // namespace

const SettingDefinition CalcSwitchSetting = {
    TOOL_CLASS_NAME, TOOL_VALUE_NAME, kRows, sizeof kRows / sizeof kRows[0], IDC_DECIDE, IDC_CANCEL,
    0,  // other numbers: enabled
    0,  // absent: enabled
};
