// Times program start-up under Wine: from CreateProcess until a visible window of the
// program exists with a radio button checked. Programs are run in turn, alternating, so
// that drifts of the machine fall on all of them alike.
//   startup_timer RUNS LABEL=PROGRAM [LABEL=PROGRAM ...]
// Prints one line per run: "LABEL MILLISECONDS".
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Program {
    char label[64];
    char path[MAX_PATH];
};

BOOL CALLBACK FindChecked(HWND child, LPARAM found)
{
    if (SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        *reinterpret_cast<bool *>(found) = true;
        return FALSE;
    }
    return TRUE;
}

struct Search {
    DWORD processId;
    bool checked;
};

BOOL CALLBACK FindReady(HWND window, LPARAM param)
{
    Search *search = reinterpret_cast<Search *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        EnumChildWindows(window, FindChecked, reinterpret_cast<LPARAM>(&search->checked));
    return !search->checked;
}

bool IsReady(DWORD processId)
{
    Search search = {processId, false};
    EnumWindows(FindReady, reinterpret_cast<LPARAM>(&search));
    return search.checked;
}

// Milliseconds until ready, or a negative number when the program never got there.
double TimeOne(const Program &program)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char commandLine[MAX_PATH + 2];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", program.path);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    double elapsed = -1;
    for (;;) {
        if (IsReady(process.dwProcessId)) {
            QueryPerformanceCounter(&now);
            elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
            break;
        }
        QueryPerformanceCounter(&now);
        if (now.QuadPart - start.QuadPart > 20 * frequency.QuadPart ||
            WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    // Only the start is timed; a closed window takes Wine about two seconds more to
    // end its process, which would stretch every run for nothing. The pause lets the
    // display and the server finish with the ended process before the next start.
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
    Sleep(150);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const int runs = atoi(argv[1]);
    Program programs[16];
    int count = 0;
    for (int i = 2; i < argc; ++i, ++count) {
        Program &p = programs[count];
        if (count == 16 || sscanf(argv[i], "%63[^=]=%259s", p.label, p.path) != 2)
            return 2;
    }
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        for (int i = 0; i < count; ++i) {
            // Rotate the order each run so no program always follows the same one.
            const Program &program = programs[(i + run) % count];
            double ms = TimeOne(program);
            if (ms < 0)
                ++failures;
            printf("%s %.2f\n", program.label, ms);
            fflush(stdout);
        }
    }
    return failures == 0 ? 0 : 1;
}
