// The setting definition of each tool of the build, in the order of tool_list.h and
// of kToolFacts.
#pragma once

#include "settings.h"
#include "tool_list.h"

#define TOOL_SETTING_ADDRESS(Name) &Name##Setting,
inline constexpr const SettingDefinition *kToolSettings[] = {TOOL_LIST(TOOL_SETTING_ADDRESS)};
#undef TOOL_SETTING_ADDRESS
