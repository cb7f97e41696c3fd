/* Resource ids that every tool program has; also read by the resource compiler. */
#pragma once

#define IDI_MAIN 101
#define IDD_MAIN 106
