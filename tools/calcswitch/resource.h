/* Resource and control ids of CalcSwitch. */
#pragma once

#include "resource_ids.h"

#define IDC_ENABLE 1001
#define IDC_DISABLE 1002
#define IDC_CANCEL 1003
#define IDC_DECIDE 1004
