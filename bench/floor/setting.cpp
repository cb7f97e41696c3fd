// The plain floor's setting: the one radio button of its dialog, checked at start.
#include "floor.h"
#include "setting.h"

namespace {

const ChoiceRow kRows[] = {
    {IDC_FLOOR_RADIO, 0, "0"},
};

}  // namespace

extern const SettingDefinition FloorSetting = {FLOOR_CLASS_NAME, nullptr, kRows, 1, 0, 0, 0, 0};
