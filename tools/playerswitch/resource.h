/* Names that PlayerSwitch's dialog resource and its setting definition share. */
#pragma once

#include "resource_ids.h"

/* The window class that the dialog template names and a second copy looks for. */
#define TOOL_CLASS_NAME "_kz_support_tool_PlayerSwitchMain"
/* The value under the game's key that holds the setting. */
#define TOOL_VALUE_NAME "MoviePlayType"

#define IDC_MCI 1043
#define IDC_DIRECTSHOW 1044
#define IDC_DECIDE 1045
#define IDC_CANCEL 1046
#define IDC_TEXT_INTRO 1047
#define IDC_WMP 1048
#define IDC_TEXT_DIRECTSHOW 1049
#define IDC_TEXT_WMP 1050
#define IDC_TEXT_METHOD 1051
