// Finding the game: SETUP.INI beside the program or in SETUPDATA, the registry key
// name it gives, and the values and save folder that the game's installer leaves.
#include "install.h"

#include <string.h>

#include "keypath.h"
#include "text.h"

char GameKeyPath[kPathBufferSize];

// "[ Setup.ini ] が見つかりません。"
const char kTextNoSetupIni[] = "[ Setup.ini ] \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// "[ Setup.ini ] に [REG_NAME] の設定が見つかりません。"
const char kTextNoRegName[] = "[ Setup.ini ] \x82\xC9 [REG_NAME] \x82\xCC\x90\xDD\x92\xE8\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// "先にゲームをセットアップして下さい。"
const char kTextNotInstalled[] = "\x90\xE6\x82\xC9\x83Q\x81[\x83\x80\x82\xF0\x83Z\x83" "b\x83g\x83" "A\x83" "b\x83v\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81" "B";

namespace {

const char kGameKeyPrefix[] = "\\HKEY_CURRENT_USER\\Software\\";

// Candidates relative to the program's folder, in order of precedence.
const char *const kSetupIniCandidates[] = {
    "\\SETUP.INI",
    "\\SETUPDATA\\SETUP.INI",
};

struct InstallValue {
    const char *name;
    bool namesSaveFolder;  // its text must name an existing directory
};

// Written by the game's installer; only their presence is checked, in this order.
const InstallValue kInstallValues[] = {
    {"DAT_EXIST", false},  {"BGM_EXIST", false},  {"KOE_EXIST", false},
    {"MOV_EXIST", false},  {"SAV_FOLDER", true},  {"DAT_FOLDER", false},
    {"BGM_FOLDER", false}, {"KOE_FOLDER", false}, {"MOV_FOLDER", false},
    {"CD_DRIVE", false},   {"DISK_MARK", false},
};

}  // namespace

PathKind ProbePath(const char *path)
{
    // A drive without a medium must answer "nothing" rather than ask the user.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    PathKind kind = kPathNothing;
    if (path != nullptr) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(path, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kPathDirectory : kPathFile;
        }
    }
    SetErrorMode(previousMode);
    return kind;
}

int FindLastCharDbcs(const char *text, char ch)
{
    int last = -1;
    for (int i = 0; text[i] != '\0'; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            if (text[i + 1] == '\0')
                break;
            ++i;
        } else if (text[i] == ch) {
            last = i;
        }
    }
    return last;
}

int LocateSetupIni(char (&iniPath)[kPathBufferSize])
{
    iniPath[0] = '\0';
    char folder[kPathBufferSize];
    DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    // A truncated module path names another folder (and on XP is not even terminated).
    if (length == 0 || length >= sizeof folder)
        return 0;
    int separator = FindLastCharDbcs(folder, '\\');
    if (separator >= 0)
        folder[separator] = '\0';
    for (const char *candidate : kSetupIniCandidates) {
        if (JoinText(iniPath, sizeof iniPath, folder, candidate) && ProbePath(iniPath) == kPathFile)
            return 1;
    }
    iniPath[0] = '\0';
    return 0;
}

int ReadRegName(const char *iniPath, char (&name)[kPathBufferSize])
{
    GetPrivateProfileStringA("Setup Initial", "REG_NAME", "", name, sizeof name, iniPath);
    return name[0] != '\0';
}

int BuildGameKeyPath(const char *name)
{
    return JoinText(GameKeyPath, sizeof GameKeyPath, kGameKeyPrefix, name);
}

int IsGameInstalled(const char *keyPath)
{
    // One walk of the key path for all eleven values: each walk enumerates subkeys
    // (every sibling before the game's key, where it cannot search), and every call is
    // a server round trip under Wine.
    enum { kCount = sizeof kInstallValues / sizeof kInstallValues[0] };
    char scratch[kRegTextSize];
    // Cleared first: a value stored with another type leaves the text untouched.
    char saveFolder[kRegTextSize] = "";
    RegistryRequest requests[kCount];
    for (int i = 0; i < kCount; ++i)
        requests[i] = {kInstallValues[i].name,
                       kInstallValues[i].namesSaveFolder ? saveFolder : scratch, kValueString, 0};
    if (!ReadRegistryValues(keyPath, requests, kCount))
        return 0;
    for (const RegistryRequest &request : requests) {
        if (!request.found)
            return 0;
    }
    return ProbePath(saveFolder) == kPathDirectory;
}
