/* Names that RenderSwitch's dialog resource and its setting definition share. */
#pragma once

#include "resource_ids.h"

/* The window class that the dialog template names and a second copy looks for. */
#define TOOL_CLASS_NAME "_kz_support_tool_RenderSwitchMain"
/* The value under the game's key that holds the setting. */
#define TOOL_VALUE_NAME "D3dUse"

#define IDC_ENABLE 1001
#define IDC_DISABLE 1002
#define IDC_CANCEL 1003
#define IDC_DECIDE 1004
#define IDC_DESCRIPTION 20435
#define IDC_REQUIREMENTS 20436
