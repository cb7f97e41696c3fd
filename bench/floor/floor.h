/* Names that the plain floor's dialog resource and its setting share. */
#pragma once

#define FLOOR_CLASS_NAME "_kz_floor_Main"
#define IDC_FLOOR_RADIO 1001
