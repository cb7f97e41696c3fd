// The process-wide window state, in an object of its own: the benchmark's floor program
// shares it without linking the start-up's checks and their imports.
#include "startup.h"

HINSTANCE AppInstance;
HWND MainWindow;
