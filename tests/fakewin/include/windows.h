// The part of the Win32 API (ANSI, 32-bit) that the tools use, for the host build.
// DWORD and LONG keep their 32 bits; handles are pointer types so that mixing them up
// does not compile. fakewin.h drives the stand-in from tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef WORD ATOM;
typedef DWORD REGSAM;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#define TRUE 1
#define FALSE 0

typedef void *HANDLE;
#define DECLARE_FAKE_HANDLE(name) typedef struct name##__ { int unused; } *name
DECLARE_FAKE_HANDLE(HKEY);
DECLARE_FAKE_HANDLE(HWND);
DECLARE_FAKE_HANDLE(HINSTANCE);
DECLARE_FAKE_HANDLE(HICON);
DECLARE_FAKE_HANDLE(HBRUSH);
#undef DECLARE_FAKE_HANDLE
typedef HKEY *PHKEY;
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

#define MAX_PATH 260

#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(((DWORD)(WORD)(l)) | ((DWORD)(WORD)(h)) << 16))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

/* Error codes */
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L

/* Registry */
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003u)

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000L

#define KEY_READ 0x20019
#define KEY_ALL_ACCESS 0xF003F

// Arguments the tools pass as null only.
typedef struct _FILETIME *PFILETIME;
typedef struct _SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

LONG WINAPI RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
LONG WINAPI RegCreateKeyExA(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
LONG WINAPI RegEnumKeyExA(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME);
LONG WINAPI RegEnumValueA(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
LONG WINAPI RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
LONG WINAPI RegQueryInfoKeyA(HKEY, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD,
                             LPDWORD, PFILETIME);
LONG WINAPI RegCloseKey(HKEY);

/* Kernel: strings and code page, files, error mode, module, profile */
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOOPENFILEERRORBOX 0x8000

#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020

// What the stand-in reports of an entry found: the platform's other fields are never read.
typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    CHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

#define CP_ACP 0
// Only the largest character: the lead bytes come from IsDBCSLeadByte.
typedef struct _cpinfo { UINT MaxCharSize; } CPINFO, *LPCPINFO;

int WINAPI lstrlenA(LPCSTR);
BOOL WINAPI IsDBCSLeadByte(BYTE);
BOOL WINAPI GetCPInfo(UINT, LPCPINFO);
UINT WINAPI SetErrorMode(UINT);
HANDLE WINAPI FindFirstFileA(LPCSTR, LPWIN32_FIND_DATAA);
BOOL WINAPI FindClose(HANDLE);
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR, DWORD);
DWORD WINAPI GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD, LPCSTR);

/* User: windows, dialogs, messages */
typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagPOINT { LONG x, y; } POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_KEYDOWN 0x0100
#define WM_COMMAND 0x0111

#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BN_CLICKED 0

#define IDOK 1
#define IDCANCEL 2
#define VK_ESCAPE 0x1B

#define MB_ICONWARNING 0x00000030L

#define SW_SHOWNORMAL 1
#define SW_SHOWMAXIMIZED 3
#define SW_RESTORE 9

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define COLOR_BTNFACE 15
#define DLGWINDOWEXTRA 30
#define GCLP_HICON (-14)
#define GCLP_HICONSM (-34)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

LRESULT WINAPI SendMessageA(HWND, UINT, WPARAM, LPARAM);
BOOL WINAPI PostMessageA(HWND, UINT, WPARAM, LPARAM);
void WINAPI PostQuitMessage(int);
LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM);
LRESULT WINAPI DefDlgProcA(HWND, UINT, WPARAM, LPARAM);
HWND WINAPI GetDlgItem(HWND, int);
int WINAPI MessageBoxA(HWND, LPCSTR, LPCSTR, UINT);
HWND WINAPI FindWindowA(LPCSTR, LPCSTR);
BOOL WINAPI ShowWindow(HWND, int);
BOOL WINAPI SetForegroundWindow(HWND);
BOOL WINAPI UpdateWindow(HWND);
ATOM WINAPI RegisterClassA(const WNDCLASSA *);
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR);
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR);
HWND WINAPI CreateDialogParamA(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);
ULONG_PTR WINAPI SetClassLongPtrA(HWND, int, LONG_PTR);
BOOL WINAPI GetMessageA(LPMSG, HWND, UINT, UINT);
BOOL WINAPI IsDialogMessageA(HWND, LPMSG);
BOOL WINAPI TranslateMessage(const MSG *);
LRESULT WINAPI DispatchMessageA(const MSG *);
