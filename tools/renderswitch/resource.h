/* Resource and control ids of RenderSwitch. */
#pragma once

#include "resource_ids.h"

#define IDC_ENABLE 1001
#define IDC_DISABLE 1002
#define IDC_CANCEL 1003
#define IDC_DECIDE 1004
#define IDC_DESCRIPTION 20435
#define IDC_REQUIREMENTS 20436
