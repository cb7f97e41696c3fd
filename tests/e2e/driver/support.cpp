// Helpers of the end-to-end driver. Texts read from the tools' windows are made CP932
// bytes whatever the driver's own code page, to compare with its CP932 literals.
#include "support.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace e2e {

namespace {

const DWORD kPollMs = 20;
const DWORD kStartMs = 20000;
const UINT kSendTimeoutMs = 5000;

std::string Hex(const std::string &bytes)
{
    std::string out;
    char two[4];
    for (unsigned char c : bytes) {
        snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

void SnapshotFolderInto(const std::string &root, const std::string &relative, FolderSnapshot &out)
{
    WIN32_FIND_DATAA found;
    std::string base = relative.empty() ? root : root + "\\" + relative;
    HANDLE search = FindFirstFileA((base + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[child] = "<dir>";
            SnapshotFolderInto(root, child, out);
        } else {
            std::string bytes;
            HANDLE file = CreateFileA((root + "\\" + child).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                bytes = "<unreadable>";
            } else {
                char chunk[65536];
                DWORD got = 0;
                while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
                CloseHandle(file);
            }
            out[child] = bytes;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Wine keeps run-time system parameters in this volatile key and fills it when the
// first window of a session appears; it is the platform's state, not the tools'.
const char kWineRuntimeKey[] = "Software\\Wine\\Temporary System Parameters";

std::string Narrow(const wchar_t *text, int length, UINT codePage = 932)
{
    int bytes = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    WideCharToMultiByte(codePage, 0, text, length, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string &cp932)
{
    int chars = MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
    std::wstring out(chars, L'\0');
    MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), &out[0], chars);
    return out;
}

// Through the W functions: the registry holds texts as UTF-16, and the A functions
// add a terminator on the way out that may not be stored, which would hide a tool
// that stores its text without one.
void SnapshotKey(HKEY key, const std::string &path, RegistrySnapshot &out)
{
    if (path == kWineRuntimeKey) return;
    out[path] = "<key>";
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxValueName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values,
                         &maxValueName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(maxValueName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status = RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status != ERROR_SUCCESS) break;
        std::string entry(1, static_cast<char>(type));
        entry.append(reinterpret_cast<const char *>(data.data()), dataSize);
        out[path + "|" + Narrow(name.data(), static_cast<int>(nameSize))] = entry;
    }
    std::vector<wchar_t> subName(maxSubkey + 2);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(subName.size());
        if (RegEnumKeyExW(key, i, subName.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string child = path + "\\" + Narrow(subName.data(), static_cast<int>(size));
        HKEY sub;
        if (RegOpenKeyExW(key, std::wstring(subName.data(), size).c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            SnapshotKey(sub, child, out);
            RegCloseKey(sub);
        } else {
            out[child] = "<unopenable>";
        }
    }
}

std::string Describe(const std::string &value)
{
    if (value.empty() || value[0] == '<') return value;
    DWORD type = static_cast<unsigned char>(value[0]);
    std::string data = value.substr(1);
    if (type == REG_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t *>(data.data()), data.size() / sizeof(wchar_t));
        bool terminated = !text.empty() && text.back() == L'\0';
        if (terminated) text.pop_back();
        return "REG_SZ " + Quote(Narrow(text.data(), static_cast<int>(text.size()))) +
               (terminated ? "" : " without its terminator") + " (" + std::to_string(data.size()) + " bytes)";
    }
    if (type == REG_DWORD && data.size() == 4)
        return "REG_DWORD " + std::to_string(*reinterpret_cast<const DWORD *>(data.data()));
    return "type " + std::to_string(type) + " " + Hex(data);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context)
{
    reinterpret_cast<std::vector<HWND> *>(context)->push_back(child);
    return TRUE;
}

struct ClassSearch {
    const char *className;
    std::vector<HWND> found;
};

BOOL CALLBACK FindByClass(HWND window, LPARAM context)
{
    ClassSearch *search = reinterpret_cast<ClassSearch *>(context);
    if (ClassOf(window) == search->className) search->found.push_back(window);
    return TRUE;
}

}  // namespace

bool MakeFolder(const std::string &path)
{
    // Byte-wise search would split a Shift-JIS character whose second byte is 0x5C.
    for (const char *p = path.c_str(); *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' && p - path.c_str() > 2) CreateDirectoryA(path.substr(0, p - path.c_str()).c_str(), nullptr);
    }
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

FolderSnapshot SnapshotFolder(const std::string &root)
{
    FolderSnapshot out;
    SnapshotFolderInto(root, "", out);
    return out;
}

void DeleteKeyTree(const std::string &path)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

bool DeleteRegValue(const std::string &keyPath, const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    LONG status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

RegistrySnapshot SnapshotSoftware()
{
    RegistrySnapshot out;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        SnapshotKey(key, "Software", out);
        RegCloseKey(key);
    }
    return out;
}

std::string RegEntryName(const std::string &keyPath, const std::string &valueName)
{
    return keyPath + "|" + valueName;
}

std::string RegStringEntry(const std::string &text)
{
    std::wstring wide = Widen(text);
    std::string entry(1, static_cast<char>(REG_SZ));
    entry.append(reinterpret_cast<const char *>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
    return entry;
}

std::string DiffSnapshots(const std::map<std::string, std::string> &expected,
                          const std::map<std::string, std::string> &actual, int limit)
{
    std::string out;
    int count = 0;
    auto note = [&](const std::string &line) {
        if (count++ < limit) out += (out.empty() ? "" : "; ") + line;
    };
    for (const auto &entry : expected) {
        auto other = actual.find(entry.first);
        if (other == actual.end())
            note(entry.first + " missing (wanted " + Describe(entry.second) + ")");
        else if (other->second != entry.second)
            note(entry.first + " is " + Describe(other->second) + ", wanted " + Describe(entry.second));
    }
    for (const auto &entry : actual) {
        if (expected.find(entry.first) == expected.end())
            note(entry.first + " appeared: " + Describe(entry.second));
    }
    if (count > limit) out += "; and " + std::to_string(count - limit) + " more";
    return out;
}

bool StartProgram(const std::string &exe, const std::string &workDir, int showCommand, Process *out)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION info = {};
    std::string commandLine = "\"" + exe + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(),
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    out->handle = info.hProcess;
    out->id = info.dwProcessId;
    return true;
}

bool StartThroughWine(const std::string &exe, const std::string &workDir, const std::string &assignment,
                      const char *className, Process *out)
{
    char loader[MAX_PATH] = "";
    if (GetEnvironmentVariableA("WINELOADER", loader, sizeof loader) == 0 || !FindAllWindows(className).empty())
        return false;
    std::string name = assignment.substr(0, assignment.find('=') + 1), block = assignment + '\0';
    char *own = GetEnvironmentStringsA();
    for (const char *entry = own; *entry != '\0'; entry += strlen(entry) + 1)
        if (_strnicmp(entry, name.c_str(), name.size()) != 0) block.append(entry, strlen(entry) + 1);
    FreeEnvironmentStringsA(own);
    // The loader finds the rest of Wine from its argv[0]: its Unix name goes first.
    std::string dosLoader = "Z:" + std::string(loader), line = "\"" + std::string(loader) + "\" \"" + exe + "\"";
    std::replace(dosLoader.begin(), dosLoader.end(), '/', '\\');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(dosLoader.c_str(), &line[0], nullptr, nullptr, FALSE, 0, &block[0], workDir.c_str(),
                        &startup, &info))
        return false;
    // Wine hands out no handle to a Unix program: the tool is found by its window.
    for (DWORD start = GetTickCount(); GetTickCount() - start < kStartMs; Sleep(kPollMs)) {
        std::vector<HWND> windows = FindAllWindows(className);
        if (!windows.empty()) {
            GetWindowThreadProcessId(windows[0], &out->id);
            out->handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, out->id);
            return out->handle != nullptr;
        }
    }
    return false;
}

bool WaitExit(Process &process, DWORD timeoutMs, DWORD *exitCode)
{
    if (process.handle == nullptr) return false;
    if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
    *exitCode = code;
    return true;
}

void KillAndClose(Process &process)
{
    if (process.handle == nullptr) return;
    if (WaitForSingleObject(process.handle, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.handle, 99);
        WaitForSingleObject(process.handle, 5000);
    }
    CloseProcess(process);
}

void CloseProcess(Process &process)
{
    if (process.handle != nullptr) CloseHandle(process.handle);
    process.handle = nullptr;
    process.id = 0;
}

HWND FindProcessWindow(const char *className, DWORD processId)
{
    for (HWND window : FindAllWindows(className)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

std::vector<HWND> FindAllWindows(const char *className)
{
    ClassSearch search = {className, {}};
    EnumWindows(FindByClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Appearance WaitForWindowOrBox(Process &process, const char *className, bool requireVisible, DWORD timeoutMs)
{
    Appearance seen;
    DWORD start = GetTickCount();
    for (;;) {
        HWND box = FindProcessWindow("#32770", process.id);
        if (box != nullptr && IsWindowVisible(box)) {
            seen.box = box;
            Sync(box);
            return seen;
        }
        if (className != nullptr) {
            HWND window = FindProcessWindow(className, process.id);
            if (window != nullptr && (!requireVisible || IsWindowVisible(window))) {
                seen.window = window;
                // The window may still be between its creation and its first
                // ShowWindow; what it shows counts only once its loop is running.
                if (!requireVisible) Sleep(300);
                Sync(window);
                return seen;
            }
        }
        if (WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0) {
            seen.exited = true;
            return seen;
        }
        if (GetTickCount() - start > timeoutMs) return seen;
        Sleep(kPollMs);
    }
}

bool SendTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    DWORD_PTR answer = 0;
    bool ok = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &answer) != 0;
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return ok;
}

bool Sync(HWND window) { return SendTimeout(window, WM_NULL, 0, 0); }

std::string WindowText(HWND window)
{
    wchar_t text[2048] = L"";
    // WM_GETTEXT through a timeout: GetWindowTextW would hang on a stuck tool. The
    // window's own (UTF-16) text, made CP932 here, so that what a tool showed does
    // not depend on the driver's code page.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             kSendTimeoutMs, &length))
        return "<no answer>";
    return Narrow(text, static_cast<int>(length < ARRAYSIZE(text) ? length : ARRAYSIZE(text) - 1));
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Draws one character as the system would, font linking included (which
// GetGlyphIndicesW does not follow: Wine's captions are Tahoma, linked to the Japanese
// face), in black and white.
static std::string Drawn(HDC dc, wchar_t character)
{
    RECT all = {0, 0, 64, 64};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TextOutW(dc, 0, 0, &character, 1);
    char bits[64 * 64 / 8];
    GetBitmapBits(static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP)), sizeof bits, bits);
    return std::string(bits, sizeof bits);
}

int CaptionGlyphsMissing(const std::string &cp932)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return -1;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(64, 64, 1, 1, nullptr);
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HGDIOBJ previousFont = SelectObject(dc, font);
    // No font has U+FFFF: what it draws is the box a missing glyph shows as. Spaces are
    // left out, as a font's missing glyph may be as blank as they are.
    std::string box = Drawn(dc, 0xFFFF);
    int missing = 0;
    for (wchar_t character : Widen(cp932)) missing += character != L' ' && Drawn(dc, character) == box;
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return missing;
}

MessageBoxContents ReadMessageBox(HWND box)
{
    MessageBoxContents contents;
    contents.title = WindowText(box);
    contents.owner = GetWindow(box, GW_OWNER);
    std::vector<HWND> children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        std::string kind = ClassOf(child);
        std::string text = WindowText(child);
        if (_stricmp(kind.c_str(), "Static") == 0 && !text.empty())
            contents.text += text;
        else if (_stricmp(kind.c_str(), "Button") == 0)
            contents.buttons.push_back(text);
    }
    return contents;
}

std::string Utf8(const std::string &cp932)
{
    const std::wstring wide = Widen(cp932);
    return Narrow(wide.data(), static_cast<int>(wide.size()), CP_UTF8);
}

std::string Quote(const std::string &cp932) { return "\"" + cp932 + "\""; }

}  // namespace e2e
