// The setting dialog: fills the radio buttons from the registry once, follows the
// user's clicks and stores the choice on "決定".
#include "setting.h"

#include "install.h"
#include "keypath.h"
#include "text.h"

const SettingDefinition *ActiveSetting;
int CurrentChoice;
int InitDone;

// "PlayerSwitch ﾒｯｾｰｼﾞ"
const char kTextWarningTitle[] = "PlayerSwitch \xD2\xAF\xBE\xB0\xBC\xDE";
// "設定を保存できませんでした。"
const char kTextNotSaved[] = "\x90\xDD\x92\xE8\x82\xF0\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81" "B";

// A number without a row of its own takes the row for other numbers. CurrentChoice
// only ever holds a row's value, so for it the fallback is never taken.
const ChoiceRow &RowForValue(const SettingDefinition &setting, int value)
{
    for (int i = 0; i < setting.rowCount; ++i) {
        if (setting.rows[i].value == value)
            return setting.rows[i];
    }
    return setting.rows[setting.otherRow];
}

const ChoiceRow &StoredRow(const SettingDefinition &setting)
{
    // Cleared first: a value stored with another type than REG_SZ is found but
    // leaves the text untouched, and then counts as the empty text.
    char text[kRegTextSize] = "";
    return ReadRegistryValue(GameKeyPath, setting.valueName, text, kValueString)
               ? RowForValue(setting, ParseDecimal(text))
               : setting.rows[setting.absentRow];
}

const char *SaveChoice(const SettingDefinition &setting, int choice)
{
    return WriteRegistryString(GameKeyPath, setting.valueName, RowForValue(setting, choice).text, 1)
               ? nullptr
               : kTextNotSaved;
}

namespace {

void SetCheck(HWND window, WORD controlId, WPARAM state)
{
    SendMessageA(GetDlgItem(window, controlId), BM_SETCHECK, state, 0);
}

void FillChoices(HWND window, const SettingDefinition &setting)
{
    for (int i = 0; i < setting.rowCount; ++i)
        SetCheck(window, setting.rows[i].controlId, BST_UNCHECKED);
    const ChoiceRow &row = StoredRow(setting);
    SetCheck(window, row.controlId, BST_CHECKED);
    CurrentChoice = row.value;
    InitDone = 1;
}

void Decide(HWND window, const SettingDefinition &setting)
{
    if (const char *warning = SaveChoice(setting, CurrentChoice)) {
        // Closing now would look like a save; the dialog stays for another try or cancel.
        MessageBoxA(window, warning, kTextWarningTitle, MB_ICONWARNING);
        return;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void OnCommand(HWND window, const SettingDefinition &setting, WORD id)
{
    if (id == setting.decideId) {
        Decide(window, setting);
    } else if (id == setting.cancelId) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        for (int i = 0; i < setting.rowCount; ++i) {
            if (setting.rows[i].controlId == id)
                CurrentChoice = setting.rows[i].value;
        }
    }
}

}  // namespace

void UseSetting(const SettingDefinition &setting)
{
    ActiveSetting = &setting;
    CurrentChoice = setting.rows[setting.absentRow].value;
    InitDone = 0;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const SettingDefinition &setting = *ActiveSetting;
    switch (message) {
    case WM_SHOWWINDOW:
        if (!InitDone)
            FillChoices(window, setting);
        break;
    case WM_COMMAND:
        OnCommand(window, setting, LOWORD(wParam));
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_CLOSE:
        // DefDlgProcA would turn the close box into the Esc command, which does nothing.
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        break;
    }
    // The dialog's keyboard interface (the focus at open, Tab, Enter) is DefDlgProcA's,
    // working in the class's DLGWINDOWEXTRA bytes; IsDialogMessageA only hands it keys.
    return DefDlgProcA(window, message, wParam, lParam);
}
