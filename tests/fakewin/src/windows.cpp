// The window calls as a recorder: each records its arguments and answers what the test
// set. Nothing reaches a window procedure: a host test calls MainWndProc itself.
#include "fakewin.h"
#include "internal.h"

namespace fakewin {
namespace {

struct State {
    WindowAnswers answers;
    std::vector<WindowCall> calls;
    WNDCLASSA registered = {};
    std::string registeredName;
    size_t nextMessage = 0;
    BOOL lastForDialog = FALSE;
    int quitCode = 0;
};
State ui;

void Record(const char *function, HWND window, ULONG_PTR what = 0, WPARAM wParam = 0, LPARAM lParam = 0,
            const char *text = nullptr, const char *title = nullptr)
{
    internal::LogCall(function);
    ui.calls.push_back({function, window, what, wParam, lParam, text ? text : "", title ? title : ""});
}

// The instance and the id alone make the handle, as the platform's shared icons' do.
ULONG_PTR Resource(const char *function, HINSTANCE instance, LPCSTR name, ULONG_PTR base)
{
    const ULONG_PTR id = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
    Record(function, nullptr, id, reinterpret_cast<WPARAM>(instance));
    return id == 0 ? 0 : base + reinterpret_cast<ULONG_PTR>(instance) + id;
}

}  // namespace

void internal::ResetWindows() { ui = State(); }
const std::vector<WindowCall> &WindowCalls() { return ui.calls; }
WindowAnswers &Answers() { return ui.answers; }
const WNDCLASSA &RegisteredClass() { return ui.registered; }

HWND ControlOf(HWND dialog, int id)
{
    return dialog ? reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(dialog) * 0x10000 + id) : nullptr;
}

}  // namespace fakewin

using namespace fakewin;

// The calls that only pass a message on are recorded and answer `answer`.
#define RECORDED_MESSAGE(Result, Name, answer)                                  \
    Result WINAPI Name(HWND window, UINT message, WPARAM wParam, LPARAM lParam) \
    {                                                                           \
        Record(#Name, window, message, wParam, lParam);                         \
        return answer;                                                          \
    }
RECORDED_MESSAGE(LRESULT, SendMessageA, 0)
RECORDED_MESSAGE(BOOL, PostMessageA, TRUE)
RECORDED_MESSAGE(LRESULT, DefWindowProcA, 0)
RECORDED_MESSAGE(LRESULT, DefDlgProcA, 0)

void WINAPI PostQuitMessage(int exitCode)
{
    Record("PostQuitMessage", nullptr, 0, static_cast<WPARAM>(exitCode));
    ui.quitCode = exitCode;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    Record("GetDlgItem", dialog, static_cast<ULONG_PTR>(id));
    return ControlOf(dialog, id);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR title, UINT style)
{
    Record("MessageBoxA", owner, style, 0, 0, text, title);
    return IDOK;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR title)
{
    Record("FindWindowA", nullptr, 0, 0, 0, className, title);
    return ui.answers.running;
}

BOOL WINAPI ShowWindow(HWND window, int command)
{
    Record("ShowWindow", window, static_cast<ULONG_PTR>(command));
    return FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    Record("SetForegroundWindow", window);
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window)
{
    Record("UpdateWindow", window);
    return TRUE;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass)
{
    Record("RegisterClassA", nullptr, 0, 0, 0, windowClass->lpszClassName);
    ui.registered = *windowClass;
    ui.registeredName = windowClass->lpszClassName;
    ui.registered.lpszClassName = ui.registeredName.c_str();
    return ui.answers.atom;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return reinterpret_cast<HICON>(Resource("LoadIconA", instance, name, 0x1000000));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return reinterpret_cast<HCURSOR>(Resource("LoadCursorA", instance, name, 0x2000000));
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                               LPARAM param)
{
    Record("CreateDialogParamA", owner, reinterpret_cast<ULONG_PTR>(templateName),
           reinterpret_cast<WPARAM>(instance), param, dialogProc ? "with a dialog procedure" : "");
    return ui.answers.dialog;
}

ULONG_PTR WINAPI SetClassLongPtrA(HWND window, int index, LONG_PTR value)
{
    Record("SetClassLongPtrA", window, static_cast<ULONG_PTR>(index), static_cast<WPARAM>(value));
    return 0;
}

BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT first, UINT last)
{
    Record("GetMessageA", window, first, last);
    if (ui.nextMessage >= ui.answers.messages.size()) {
        *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(ui.quitCode), 0, 0, {0, 0}};
        return FALSE;
    }
    const QueuedMessage &next = ui.answers.messages[ui.nextMessage++];
    if (next.result != -1) *message = next.message;
    ui.lastForDialog = next.forDialog;
    return next.result;
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG message)
{
    Record("IsDialogMessageA", dialog, message->message, message->wParam, message->lParam);
    return ui.lastForDialog;
}

BOOL WINAPI TranslateMessage(const MSG *message)
{
    Record("TranslateMessage", message->hwnd, message->message, message->wParam, message->lParam);
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *message)
{
    Record("DispatchMessageA", message->hwnd, message->message, message->wParam, message->lParam);
    return 0;
}
