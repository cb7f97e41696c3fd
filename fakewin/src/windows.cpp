// Window classes, dialogs made from templates that tests register, automatic radio
// buttons, the thread's message queue and the calls that show, find and activate
// windows. Messages reach a window's class procedure synchronously, as on the platform.
#include <deque>
#include <map>
#include <memory>
#include <utility>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

namespace {

struct Window {
    HWND handle = nullptr;
    std::string className;
    WNDPROC proc = nullptr;  // null for controls and for windows of other processes
    bool alive = true;
    bool visible = false;
    HWND parent = nullptr;
    int id = 0;
    ControlKind kind = ControlKind::kStatic;
    int check = BST_UNCHECKED;
    std::vector<HWND> children;
};

struct ClassRecord {
    WNDCLASSA wndClass;
    std::string name;
    HICON smallIcon = nullptr;
};

struct DialogTemplate {
    std::string className;
    std::vector<ControlSpec> controls;
};

// Handle ranges apart from each other and from the registry's, so a handle passed to
// the wrong kind of call is never mistaken for a valid one.
const ULONG_PTR kFirstWindow = 0x10000;
const ULONG_PTR kFirstIcon = 0x100000;
const ULONG_PTR kFirstCursor = 0x200000;
const ATOM kFirstAtom = 0xC000;
// LoadIconA/LoadCursorA without an instance know only the system's own resources.
const ULONG_PTR kFirstSystemResource = 32512;
const ULONG_PTR kLastSystemResource = 32651;

// What a test builds and what it reads back; Reset() starts from a new one.
struct State {
    std::map<ULONG_PTR, std::unique_ptr<Window>> windows;
    ULONG_PTR nextWindow = kFirstWindow;
    std::vector<std::unique_ptr<ClassRecord>> classes;
    std::map<WORD, DialogTemplate> templates;
    bool failRegisterClass = false;
    bool failCreateDialog = false;

    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    std::function<void()> userAction;
    int stuckCount = 0;
    int failingGets = 0;
    // Bumped by every delivered or posted message: tells a user action that did
    // something (and may have more to do) from one that has run out of steps.
    unsigned long activity = 0;

    std::vector<ShowCall> showCalls;
    std::vector<HWND> foregroundCalls;
    std::vector<SentMessage> delivered;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<LoadCall> iconLoads;
    std::vector<LoadCall> cursorLoads;
};
State ui;
// A user action that keeps acting without ever posting a message is cut off here.
const int kMaxUserActions = 1000;

Window *Find(HWND handle)
{
    auto found = ui.windows.find(reinterpret_cast<ULONG_PTR>(handle));
    return found == ui.windows.end() ? nullptr : found->second.get();
}

Window *Alive(HWND handle)
{
    Window *window = Find(handle);
    return window && window->alive ? window : nullptr;
}

Window *NewWindow()
{
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(ui.nextWindow);
    ui.nextWindow += 4;
    Window *added = window.get();
    ui.windows[reinterpret_cast<ULONG_PTR>(added->handle)] = std::move(window);
    return added;
}

ClassRecord *FindClass(const std::string &name)
{
    for (auto &record : ui.classes) {
        if (internal::SameName(record->name, name))
            return record.get();
    }
    return nullptr;
}

Window *Control(HWND dialog, int id)
{
    Window *window = Alive(dialog);
    if (window == nullptr)
        return nullptr;
    for (HWND child : window->children) {
        Window *control = Alive(child);
        if (control && control->id == id)
            return control;
    }
    return nullptr;
}

void ClickControl(Window *control);

LRESULT ControlMessage(Window *control, UINT message, WPARAM wParam)
{
    // Push buttons and static texts have no check state: theirs stays unchecked.
    if (message == BM_SETCHECK && control->kind == ControlKind::kAutoRadio)
        control->check = static_cast<int>(wParam);
    return message == BM_GETCHECK ? control->check : 0;
}

LRESULT Deliver(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *window = Alive(handle);
    if (window == nullptr)
        return 0;
    ui.delivered.push_back({handle, message, wParam, lParam});
    ++ui.activity;
    if (window->parent != nullptr)
        return ControlMessage(window, message, wParam);
    if (window->proc == nullptr)
        return 0;
    return window->proc(handle, message, wParam, lParam);
}

void ClickControl(Window *control)
{
    if (control->kind == ControlKind::kStatic)
        return;
    if (control->kind == ControlKind::kAutoRadio) {
        // One group per dialog: the templates of the tools put all radio buttons in one.
        for (HWND sibling : Find(control->parent)->children) {
            Window *other = Find(sibling);
            if (other->kind == ControlKind::kAutoRadio)
                other->check = other == control ? BST_CHECKED : BST_UNCHECKED;
        }
    }
    Deliver(control->parent, WM_COMMAND, MAKEWPARAM(control->id, BN_CLICKED),
            reinterpret_cast<LPARAM>(control->handle));
}

void Destroy(Window *window)
{
    if (!window->alive)
        return;
    Deliver(window->handle, WM_DESTROY, 0, 0);
    for (HWND child : window->children)
        Find(child)->alive = false;
    window->alive = false;
    window->visible = false;
    // Messages posted to a window that no longer exists are never retrieved.
    for (auto it = ui.queue.begin(); it != ui.queue.end();) {
        Window *target = Find(it->hwnd);
        if (target != nullptr && !target->alive)
            it = ui.queue.erase(it);
        else
            ++it;
    }
}

// The same resource gives the same shared handle each time; without an instance only
// the system's own resources are known.
HANDLE LoadResource(HINSTANCE instance, LPCSTR name, ULONG_PTR base, std::vector<LoadCall> *log)
{
    const ULONG_PTR id = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
    const bool known = id != 0 && (instance != nullptr || (id >= kFirstSystemResource && id <= kLastSystemResource));
    HANDLE result = known ? reinterpret_cast<HANDLE>(base + 4 * id) : nullptr;
    log->push_back({instance, id, result});
    return result;
}

}  // namespace

namespace internal {

void ResetWindows()
{
    ui = State();
}

}  // namespace internal

void AddDialogTemplate(WORD id, const std::string &className, const std::vector<ControlSpec> &controls)
{
    ui.templates[id] = {className, controls};
}

void FailRegisterClass(bool fail)
{
    ui.failRegisterClass = fail;
}

void FailCreateDialog(bool fail)
{
    ui.failCreateDialog = fail;
}

HWND AddForeignWindow(const std::string &className, bool visible)
{
    Window *window = NewWindow();
    window->className = className;
    window->visible = visible;
    return window->handle;
}

const WNDCLASSA *RegisteredClass(const std::string &className)
{
    ClassRecord *record = FindClass(className);
    return record ? &record->wndClass : nullptr;
}

HICON ClassSmallIcon(const std::string &className)
{
    ClassRecord *record = FindClass(className);
    return record ? record->smallIcon : nullptr;
}

bool IsWindowAlive(HWND window)
{
    return Alive(window) != nullptr;
}

bool IsWindowVisible(HWND window)
{
    Window *found = Alive(window);
    return found && found->visible;
}

int CheckState(HWND dialog, int id)
{
    Window *control = Control(dialog, id);
    return control ? control->check : -1;
}

void Click(HWND dialog, int id)
{
    if (Window *control = Control(dialog, id))
        ClickControl(control);
}

void PressKey(HWND dialog, WPARAM virtualKey)
{
    ui.queue.push_back(MSG{dialog, WM_KEYDOWN, virtualKey, 0, 0, {0, 0}});
    ++ui.activity;
}

void CloseBox(HWND window)
{
    Deliver(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::vector<MSG> QueuedMessages()
{
    return std::vector<MSG>(ui.queue.begin(), ui.queue.end());
}

void SetUserAction(std::function<void()> action)
{
    ui.userAction = std::move(action);
}

void FailGetMessage(int count)
{
    ui.failingGets = count;
}

int StuckCount()
{
    return ui.stuckCount;
}

const std::vector<ShowCall> &ShowCalls()
{
    return ui.showCalls;
}

const std::vector<HWND> &ForegroundCalls()
{
    return ui.foregroundCalls;
}

const std::vector<SentMessage> &DeliveredMessages()
{
    return ui.delivered;
}

const std::vector<MessageBoxCall> &MessageBoxes()
{
    return ui.messageBoxes;
}

const std::vector<LoadCall> &IconLoads()
{
    return ui.iconLoads;
}

const std::vector<LoadCall> &CursorLoads()
{
    return ui.cursorLoads;
}

}  // namespace fakewin

using namespace fakewin;

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    internal::LogCall("SendMessageA");
    return Deliver(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    internal::LogCall("PostMessageA");
    if (window != nullptr && Alive(window) == nullptr)
        return FALSE;
    ui.queue.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    ++ui.activity;
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
    internal::LogCall("PostQuitMessage");
    ui.quitPending = true;
    ui.quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    internal::LogCall("DefWindowProcA");
    if (message == WM_CLOSE) {
        if (Window *found = Alive(window))
            Destroy(found);
    } else if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        Deliver(window, WM_CLOSE, 0, 0);
    }
    return 0;
}

// The Esc key's command, as the platform's dialog handling sends it.
static void SendCancelCommand(HWND dialog)
{
    Window *cancel = Control(dialog, IDCANCEL);
    Deliver(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(cancel ? cancel->handle : nullptr));
}

// Only what the tools rely on, or must not: WM_CLOSE becomes the Esc command, IDCANCEL,
// as the platform's does, and closes nothing; every other message gets DefWindowProcA's
// handling here. The focus and Tab, Enter and arrow keys are left to the Wine suites.
LRESULT WINAPI DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    internal::LogCall("DefDlgProcA");
    if (message != WM_CLOSE)
        return DefWindowProcA(dialog, message, wParam, lParam);
    SendCancelCommand(dialog);
    return 0;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    internal::LogCall("GetDlgItem");
    Window *control = Control(dialog, id);
    return control ? control->handle : nullptr;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR title, UINT style)
{
    internal::LogCall("MessageBoxA");
    ui.messageBoxes.push_back({owner, text ? text : "", title ? title : "", style});
    return IDOK;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR)
{
    internal::LogCall("FindWindowA");
    if (className == nullptr)
        return nullptr;
    // The most recently created window is the topmost one.
    for (auto it = ui.windows.rbegin(); it != ui.windows.rend(); ++it) {
        const Window &window = *it->second;
        if (window.alive && window.parent == nullptr && internal::SameName(window.className, className))
            return window.handle;
    }
    return nullptr;
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    internal::LogCall("ShowWindow");
    ui.showCalls.push_back({handle, command});
    Window *window = Alive(handle);
    if (window == nullptr)
        return FALSE;
    bool wasVisible = window->visible;
    bool visible = command != SW_HIDE;
    // WM_SHOWWINDOW is sent only when the visibility changes, before it does.
    if (visible != wasVisible) {
        Deliver(handle, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
        window->visible = visible;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    internal::LogCall("SetForegroundWindow");
    ui.foregroundCalls.push_back(window);
    return Alive(window) ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND window)
{
    internal::LogCall("UpdateWindow");
    return Alive(window) ? TRUE : FALSE;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass)
{
    internal::LogCall("RegisterClassA");
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName) || ui.failRegisterClass ||
        FindClass(windowClass->lpszClassName) != nullptr)
        return 0;
    auto record = std::make_unique<ClassRecord>();
    record->wndClass = *windowClass;
    record->name = windowClass->lpszClassName;
    record->wndClass.lpszClassName = record->name.c_str();
    ui.classes.push_back(std::move(record));
    return static_cast<ATOM>(kFirstAtom + ui.classes.size() - 1);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    internal::LogCall("LoadIconA");
    return static_cast<HICON>(LoadResource(instance, name, kFirstIcon, &ui.iconLoads));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    internal::LogCall("LoadCursorA");
    return static_cast<HCURSOR>(LoadResource(instance, name, kFirstCursor, &ui.cursorLoads));
}

HWND WINAPI CreateDialogParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC, LPARAM param)
{
    internal::LogCall("CreateDialogParamA");
    if (ui.failCreateDialog || !IS_INTRESOURCE(templateName))
        return nullptr;
    auto found = ui.templates.find(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(templateName)));
    ClassRecord *record = found == ui.templates.end() ? nullptr : FindClass(found->second.className);
    if (record == nullptr)
        return nullptr;
    Window *dialog = NewWindow();
    dialog->className = record->name;
    dialog->proc = record->wndClass.lpfnWndProc;
    HWND handle = dialog->handle;
    Deliver(handle, WM_CREATE, 0, 0);
    for (const ControlSpec &item : found->second.controls) {
        Window *control = NewWindow();
        control->parent = handle;
        control->id = item.id;
        control->kind = item.kind;
        control->visible = true;
        dialog->children.push_back(control->handle);
    }
    HWND first = dialog->children.empty() ? nullptr : dialog->children[0];
    Deliver(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    return Alive(handle) ? handle : nullptr;
}

ULONG_PTR WINAPI SetClassLongPtrA(HWND handle, int index, LONG_PTR value)
{
    internal::LogCall("SetClassLongPtrA");
    Window *window = Alive(handle);
    ClassRecord *record = window ? FindClass(window->className) : nullptr;
    if (record == nullptr)
        return 0;
    HICON *slot = index == GCLP_HICON ? &record->wndClass.hIcon : index == GCLP_HICONSM ? &record->smallIcon : nullptr;
    if (slot == nullptr)
        return 0;
    ULONG_PTR previous = reinterpret_cast<ULONG_PTR>(*slot);
    *slot = reinterpret_cast<HICON>(value);
    return previous;
}

BOOL WINAPI GetMessageA(LPMSG message, HWND, UINT, UINT)
{
    internal::LogCall("GetMessageA");
    if (ui.failingGets > 0) {
        --ui.failingGets;
        return -1;
    }
    int asked = 0;
    for (;;) {
        if (!ui.queue.empty()) {
            *message = ui.queue.front();
            ui.queue.pop_front();
            return message->message != WM_QUIT;
        }
        // The quit request is seen only once no posted message is left.
        if (ui.quitPending) {
            ui.quitPending = false;
            *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(ui.quitCode), 0, 0, {0, 0}};
            return FALSE;
        }
        // The user acts while the program waits; an action that only clicks (a sent
        // message, nothing posted) is followed by the next one.
        if (ui.userAction && asked < kMaxUserActions) {
            ++asked;
            unsigned long before = ui.activity;
            ui.userAction();
            if (ui.activity != before || !ui.queue.empty() || ui.quitPending)
                continue;
        }
        // Nothing will ever come: the real call would block for good.
        ++ui.stuckCount;
        *message = MSG{nullptr, WM_QUIT, kStuckQuitCode, 0, 0, {0, 0}};
        return FALSE;
    }
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG message)
{
    internal::LogCall("IsDialogMessageA");
    Window *window = Alive(dialog);
    if (window == nullptr || message == nullptr)
        return FALSE;
    Window *target = Alive(message->hwnd);
    bool forDialog = target != nullptr && (target == window || target->parent == dialog);
    if (!forDialog || message->message != WM_KEYDOWN || message->wParam != VK_ESCAPE)
        return FALSE;
    SendCancelCommand(dialog);
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG *)
{
    internal::LogCall("TranslateMessage");
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *message)
{
    internal::LogCall("DispatchMessageA");
    if (message == nullptr)
        return 0;
    return Deliver(message->hwnd, message->message, message->wParam, message->lParam);
}
