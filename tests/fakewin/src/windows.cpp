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

// A call that records what it was asked (Record's arguments after the name) and answers.
#define RECORDED(Result, Name, params, answer, ...) \
    Result WINAPI Name params                       \
    {                                               \
        Record(#Name, __VA_ARGS__);                 \
        return answer;                              \
    }
#define MESSAGE_PARAMS (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
RECORDED(LRESULT, SendMessageA, MESSAGE_PARAMS, 0, window, message, wParam, lParam)
RECORDED(BOOL, PostMessageA, MESSAGE_PARAMS, TRUE, window, message, wParam, lParam)
RECORDED(LRESULT, DefWindowProcA, MESSAGE_PARAMS, 0, window, message, wParam, lParam)
RECORDED(LRESULT, DefDlgProcA, MESSAGE_PARAMS, 0, window, message, wParam, lParam)
RECORDED(HWND, GetDlgItem, (HWND dialog, int id), ControlOf(dialog, id), dialog, static_cast<ULONG_PTR>(id))
RECORDED(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR title, UINT style), IDOK, owner, style, 0, 0, text,
         title)
RECORDED(HWND, FindWindowA, (LPCSTR className, LPCSTR title), ui.answers.running, nullptr, 0, 0, 0, className,
         title)
RECORDED(BOOL, ShowWindow, (HWND window, int command), FALSE, window, static_cast<ULONG_PTR>(command))
RECORDED(BOOL, SetForegroundWindow, (HWND window), TRUE, window)
RECORDED(BOOL, UpdateWindow, (HWND window), TRUE, window)
RECORDED(HWND, CreateDialogParamA, (HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure, LPARAM param),
         ui.answers.dialog, owner, reinterpret_cast<ULONG_PTR>(name), reinterpret_cast<WPARAM>(instance), param,
         procedure ? "with a dialog procedure" : "")
RECORDED(ULONG_PTR, SetClassLongPtrA, (HWND window, int index, LONG_PTR value), 0, window,
         static_cast<ULONG_PTR>(index), static_cast<WPARAM>(value))
#define MSG_FIELDS(m) (m)->message, (m)->wParam, (m)->lParam
RECORDED(BOOL, IsDialogMessageA, (HWND dialog, LPMSG message), ui.lastForDialog, dialog, MSG_FIELDS(message))
RECORDED(BOOL, TranslateMessage, (const MSG *message), FALSE, message->hwnd, MSG_FIELDS(message))
RECORDED(LRESULT, DispatchMessageA, (const MSG *message), 0, message->hwnd, MSG_FIELDS(message))

void WINAPI PostQuitMessage(int exitCode)
{
    Record("PostQuitMessage", nullptr, 0, static_cast<WPARAM>(exitCode));
    ui.quitCode = exitCode;
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
