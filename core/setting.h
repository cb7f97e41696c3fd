// The one setting a tool edits, and the window procedure of its dialog.
#pragma once

#include <windows.h>

struct ChoiceRow {
    WORD controlId;    // its automatic radio button
    int value;         // the number the game reads
    const char *text;  // what "決定" stores: the decimal text of value
};

// Everything that makes one tool out of the common dialog; one per program.
struct SettingDefinition {
    const char *className;  // window class named by the dialog template
    const char *valueName;  // value under GameKeyPath
    const ChoiceRow *rows;  // in template order
    int rowCount;
    WORD decideId;
    WORD cancelId;
    int otherRow;   // index of the row for a stored number that matches no row
    int absentRow;  // index of the row when the value cannot be read
};

// The definition MainWndProc works with; set by ToolWinMain before any window exists.
extern const SettingDefinition *ActiveSetting;
extern int CurrentChoice;
extern int InitDone;

extern const char kTextWarningTitle[];
extern const char kTextNotSaved[];

// Makes `setting` the active one and resets the dialog state to its start.
void UseSetting(const SettingDefinition &setting);

// What the dialog decides, apart from its window: the row that the value stored under
// GameKeyPath shows, the row of a choice (whose text "決定" stores), and the store
// itself, which answers null when saved, else the warning to show with the dialog kept open.
const ChoiceRow &StoredRow(const SettingDefinition &setting);
const ChoiceRow &RowForValue(const SettingDefinition &setting, int value);
const char *SaveChoice(const SettingDefinition &setting, int choice);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
