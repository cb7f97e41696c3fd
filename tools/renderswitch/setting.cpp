// RenderSwitch: the game's Direct3D processing on ("1") or off ("0"); off when unset.
#include "resource.h"
#include "settings.h"

namespace {

const ChoiceRow kRows[] = {
    {IDC_ENABLE, 1, "1"},
    {IDC_DISABLE, 0, "0"},
};

}  // namespace

const SettingDefinition RenderSwitchSetting = {
    "_kz_support_tool_RenderSwitchMain", "D3dUse", kRows, 2, IDC_DECIDE, IDC_CANCEL,
    0,  // other numbers: enabled
    1,  // absent: disabled
};
