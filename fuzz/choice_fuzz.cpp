// The stored value of a setting, of any bytes and type, through the dialog's decisions:
// the row shown is the one the tests' table gives for the stored number, and "決定"
// stores that row's text and changes nothing else.
#include <fuzzer/FuzzedDataProvider.h>

#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "install.h"
#include "installed_game.h"
#include "setting.h"
#include "tool_facts.h"
#include "tool_settings.h"

namespace {

static_assert(kStoredTexts[0] == nullptr && tool_facts_detail::Same(kStoredTexts[kStoredCount - 1], "7"),
              "absent first, another number last");

const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_DWORD, REG_BINARY, REG_EXPAND_SZ};

// The index of the row a tool shows, by the tests' table: a number that one of the
// tool's texts stands for shows that row, any other the row of "7"; a value absent, or
// too long for the enumeration's 255 bytes, the row of the absent value.
int ExpectedRow(int tool, bool stored, DWORD type, const std::string &bytes)
{
    const bool isString = type == REG_SZ || type == REG_EXPAND_SZ;
    const bool terminated = !bytes.empty() && bytes.back() == '\0';
    if (!stored || bytes.size() + (isString && !bytes.empty() && !terminated ? 1 : 0) > 255)
        return kToolFacts[tool].checked[0];
    // A value of another type than REG_SZ is found but gives no text: the empty text.
    const int number = fuzz::ReferenceDecimal(type == REG_SZ ? std::string(bytes.c_str()) : std::string());
    for (int i = 0; i < kToolFacts[tool].rowCount; ++i) {
        if (fuzz::ReferenceDecimal(kToolFacts[tool].rowWrites[i]) == number) return i;
    }
    return kToolFacts[tool].checked[kStoredCount - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const int tool = data.ConsumeIntegralInRange<int>(0, static_cast<int>(std::size(kToolSettings)) - 1);
    const SettingDefinition &setting = *kToolSettings[tool];
    const bool stored = data.ConsumeIntegralInRange<int>(0, 7) != 0;
    const DWORD type = kTypes[data.ConsumeIntegralInRange<int>(0, 5)];
    const std::string value = data.ConsumeRemainingBytesAsString();
    const std::string valuePath = installed_game::KeyOf("Maker\\Game");

    installed_game::Install("Maker\\Game");
    FUZZ_CHECK(BuildGameKeyPath("Maker\\Game"));
    if (stored)
        fakewin::SetValue(valuePath, setting.valueName, type, value.data(), static_cast<DWORD>(value.size()));
    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    const int expected = ExpectedRow(tool, stored, type, value);

    const ChoiceRow &shown = StoredRow(setting);
    FUZZ_CHECK(shown.controlId == kToolFacts[tool].rows[expected]);
    FUZZ_CHECK(SaveChoice(setting, shown.value) == nullptr);
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
    FUZZ_CHECK(storedType == REG_SZ && storedData == std::string(kToolFacts[tool].rowWrites[expected]) + '\0');
    return 0;
}
