// The stored text of a setting, of any bytes and type, through the dialog: exactly one
// radio button is checked, the row that the stored number selects; "決定" stores that
// row's text and nothing else changes.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "installed_game.h"
#include "startup.h"
#include "tool_settings.h"

namespace {

const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_DWORD, REG_BINARY, REG_EXPAND_SZ};

// The row the dialog must show, worked out from the stored bytes as the walk sees them.
const ChoiceRow &ExpectedRow(const SettingDefinition &setting, bool stored, DWORD type,
                             const std::string &bytes)
{
    const bool isString = type == REG_SZ || type == REG_EXPAND_SZ;
    const bool terminated = !bytes.empty() && bytes.back() == '\0';
    // An entry the enumeration cannot hand over in 255 bytes hides the value.
    const bool fits = bytes.size() + (isString && !bytes.empty() && !terminated ? 1 : 0) <= 255;
    if (!stored || !fits)
        return setting.rows[setting.absentRow];
    // A value of another type than REG_SZ is found but gives no text: the empty text.
    const std::string text = type == REG_SZ ? std::string(bytes.c_str()) : std::string();
    const int number = fuzz::ReferenceDecimal(text);
    for (int i = 0; i < setting.rowCount; ++i) {
        if (setting.rows[i].value == number)
            return setting.rows[i];
    }
    return setting.rows[setting.otherRow];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const int tools = static_cast<int>(std::size(kToolSettings));
    const SettingDefinition &setting = *kToolSettings[data.ConsumeIntegralInRange<int>(0, tools - 1)];
    const bool stored = data.ConsumeIntegralInRange<int>(0, 7) != 0;
    const DWORD type = kTypes[data.ConsumeIntegralInRange<int>(0, 5)];
    const std::string value = data.ConsumeRemainingBytesAsString();
    const std::string valuePath = installed_game::KeyOf("Maker\\Game");

    installed_game::Install(setting, "Maker\\Game");
    if (stored)
        fakewin::SetValue(valuePath, setting.valueName, type, value.data(), static_cast<DWORD>(value.size()));
    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    const ChoiceRow &expected = ExpectedRow(setting, stored, type, value);

    int checkedRows = -1;
    bool decided = false;
    fakewin::SetUserAction([&] {
        HWND dialog = FindWindowA(setting.className, nullptr);
        if (dialog == nullptr || decided)
            return;
        checkedRows = 0;
        for (int i = 0; i < setting.rowCount; ++i) {
            const int state = fakewin::CheckState(dialog, setting.rows[i].controlId);
            FUZZ_CHECK(state == (setting.rows[i].controlId == expected.controlId ? BST_CHECKED : BST_UNCHECKED));
            checkedRows += state == BST_CHECKED;
        }
        FUZZ_CHECK(CurrentChoice == expected.value);
        decided = true;
        fakewin::Click(dialog, setting.decideId);
    });
    const int exitCode = ToolWinMain(setting, fakewin::ProgramInstance(), nullptr, const_cast<char *>(""),
                                     SW_SHOWNORMAL);
    fakewin::SetUserAction(nullptr);
    FUZZ_CHECK(exitCode == 0);
    FUZZ_CHECK(checkedRows == 1);
    FUZZ_CHECK(fakewin::MessageBoxes().empty());
    fuzz::CheckHandles();

    // Only the setting changed, to the shown row's text as a REG_SZ with its terminator.
    fuzz::Snapshot added, removed;
    fuzz::Diff(before, fakewin::SnapshotRegistry(), &added, &removed);
    FUZZ_CHECK(added.size() <= 1 && removed.size() <= 1);
    for (const fakewin::RegistryEntry &entry : removed)
        FUZZ_CHECK(entry.isValue && entry.valueName == setting.valueName);
    DWORD storedType = 0;
    std::string storedData;
    FUZZ_CHECK(fakewin::GetValue(valuePath, setting.valueName, &storedType, &storedData));
    FUZZ_CHECK(storedType == REG_SZ && storedData == std::string(expected.text) + '\0');
    return 0;
}
