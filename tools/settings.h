// The setting definition of each tool program: <name>Setting, for each tool of the build.
#pragma once

#include "setting.h"
#include "tool_list.h"

#define TOOL_SETTING_DECLARATION(Name) extern const SettingDefinition Name##Setting;
TOOL_LIST(TOOL_SETTING_DECLARATION)
#undef TOOL_SETTING_DECLARATION
