// The setting definition of each tool program.
#pragma once

#include "setting.h"

extern const SettingDefinition CalcSwitchSetting;
extern const SettingDefinition RenderSwitchSetting;
extern const SettingDefinition PlayerSwitchSetting;
