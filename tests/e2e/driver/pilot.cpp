// Works one tool window for the demo, from inside the same Wine desktop:
//   e2e_pilot [--desktop NAME] wait  CLASS     waits until the dialog shows
//   e2e_pilot [--desktop NAME] click CLASS ID  clicks a control
//   e2e_pilot [--desktop NAME] close CLASS ID  clicks a control, waits until the dialog is gone
// NAME is the Wine desktop ("explorer /desktop=NAME") that the tool runs in: windows
// are found only within the caller's own desktop.
// Prints "rect L T R B" and "checked ID ..." lines; exits 1 when the window never came
// or would not go.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "support.h"

using namespace e2e;

namespace {

const DWORD kWaitMs = 30000;

HWND WaitForDialog(const char *className)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMs; Sleep(50)) {
        for (HWND window : FindAllWindows(className)) {
            if (IsWindowVisible(window) && Sync(window)) return window;
        }
    }
    return nullptr;
}

BOOL CALLBACK PrintChecked(HWND child, LPARAM)
{
    LRESULT state = 0;
    if (SendTimeout(child, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED) printf(" %d", GetDlgCtrlID(child));
    return TRUE;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && strcmp(argv[1], "--desktop") == 0) {
        // The desktop appears only once explorer, started just before, has made it.
        HDESK desktop = nullptr;
        for (DWORD start = GetTickCount(); desktop == nullptr && GetTickCount() - start < kWaitMs; Sleep(50))
            desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
        if (desktop == nullptr || !SetThreadDesktop(desktop)) {
            printf("cannot join desktop %s\n", argv[2]);
            return 1;
        }
        argc -= 2;
        argv += 2;
    }
    if (argc < 3 || (strcmp(argv[1], "wait") != 0 && argc < 4)) {
        fprintf(stderr, "usage: e2e_pilot wait|click|close CLASS [ID]\n");
        return 2;
    }
    std::string verb = argv[1];
    HWND window = WaitForDialog(argv[2]);
    if (window == nullptr) {
        printf("no visible window of class %s\n", argv[2]);
        return 1;
    }
    if (verb != "wait") {
        HWND control = GetDlgItem(window, atoi(argv[3]));
        if (control == nullptr || !SendTimeout(control, BM_CLICK, 0, 0)) {
            printf("no control %s\n", argv[3]);
            return 1;
        }
    }
    if (verb == "close") {
        for (DWORD start = GetTickCount(); IsWindow(window); Sleep(50)) {
            if (GetTickCount() - start > kWaitMs) {
                printf("the window stays\n");
                return 1;
            }
        }
        printf("closed\n");
        return 0;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    printf("rect %ld %ld %ld %ld\nchecked", rect.left, rect.top, rect.right, rect.bottom);
    EnumChildWindows(window, PrintChecked, 0);
    printf("\n");
    return 0;
}
