// Counts the registry calls of a full start-up on the stand-in, against the number
// the key-path walk needs by its own rules, for growing numbers of sibling keys that
// sort before the game's key; and times IsGameInstalled at each size.
//   registry_calls [SIZES...]   prints a Markdown table; exit 1 on any excess call
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "fakewin.h"
#include "install.h"
#include "install_values.h"
#include "installed_game.h"
#include "settings.h"
#include "startup.h"

namespace {

const int kInstallCount = sizeof kInstallValues / sizeof kInstallValues[0];
const std::string kGameKey = installed_game::KeyOf("ZzGame");

// Heap allocations while counting is on: all of them, and those made while the
// stand-in's own code was not running, that is by the code under test.
bool counting;
long allAllocations;
long coreAllocations;

}  // namespace

// AddressSanitizer calls this on every allocation when the program defines it.
extern "C" void __sanitizer_malloc_hook(const volatile void *, size_t)
{
    if (!counting)
        return;
    ++allAllocations;
    if (!fakewin::InPlatformCall())
        ++coreAllocations;
}

namespace {

// The game's key after `siblings` keys under Software, and the setting stored last.
void Layout(int siblings)
{
    installed_game::Install(CalcSwitchSetting, "ZzGame");
    char name[32];
    for (int i = 0; i < siblings; ++i) {
        snprintf(name, sizeof name, "Aa%06d", i);
        fakewin::CreateKey("HKEY_CURRENT_USER\\Software\\" + std::string(name));
    }
    fakewin::SetString(kGameKey, CalcSwitchSetting.valueName, "0");
}

struct Calls {
    long enumKey, enumValue, open, create, setValue, close;
    long Total() const { return enumKey + enumValue + open + create + setValue + close; }
};

Calls Measured()
{
    return {fakewin::CallCount("RegEnumKeyExA"), fakewin::CallCount("RegEnumValueA"),
            fakewin::CallCount("RegOpenKeyExA"), fakewin::CallCount("RegCreateKeyExA"),
            fakewin::CallCount("RegSetValueExA"), fakewin::CallCount("RegCloseKey")};
}

// What the walk needs by its rules. A walk enumerates HKEY_CURRENT_USER (Software is
// its only key: one call) and Software (the game's key comes after every sibling:
// siblings + 1 calls), opens both keys and closes both. A pass over the game's values
// enumerates up to the last value it wants. The start-up walks twice: once for the
// eleven installation values (the first eleven created) and once for the setting
// (created after them); the decision's write creates two keys, sets one value and
// closes the root and both keys.
Calls Needed(int siblings)
{
    const long walks = 2;
    const long values = kInstallCount + (kInstallCount + 1);
    return {walks * (1 + siblings + 1), values, walks * 2, 2, 1, walks * 2 + 3};
}

// The same start-up with one walk per value read: the existence test, eleven values
// and the setting, thirteen walks.
long OneWalkPerValue(int siblings)
{
    const long walks = 1 + kInstallCount + 1;
    long values = 0;
    for (int position = 0; position <= kInstallCount; ++position)
        values += position + 1;
    return walks * (1 + siblings + 1) + values + walks * 2 + 2 + 1 + walks * 2 + 3;
}

double MicrosecondsPerCheck(int repeats)
{
    BuildGameKeyPath("ZzGame");
    auto start = std::chrono::steady_clock::now();
    int installed = 0;
    for (int i = 0; i < repeats; ++i)
        installed += IsGameInstalled(GameKeyPath);
    auto end = std::chrono::steady_clock::now();
    if (installed != repeats)
        return -1;
    return std::chrono::duration<double, std::micro>(end - start).count() / repeats;
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty())
        sizes = {10, 100, 1000, 10000};

    printf("| siblings | registry calls made | needed by the walk | excess | one walk per value | IsGameInstalled (µs) | µs per sibling | heap allocations: all / by the core |\n");
    printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    int failures = 0;
    for (int siblings : sizes) {
        Layout(siblings);
        fakewin::SetUserAction([] {
            HWND dialog = FindWindowA(CalcSwitchSetting.className, nullptr);
            fakewin::Click(dialog, CalcSwitchSetting.decideId);
        });
        allAllocations = coreAllocations = 0;
        counting = true;
        int exitCode = ToolWinMain(CalcSwitchSetting, fakewin::ProgramInstance(), nullptr,
                                   const_cast<char *>(""), SW_SHOWNORMAL);
        counting = false;
        Calls made = Measured();
        Calls needed = Needed(siblings);
        DWORD type = 0;
        std::string stored;
        bool saved = fakewin::GetValue(kGameKey, CalcSwitchSetting.valueName, &type, &stored) &&
                     stored == std::string("0", 2);
        if (exitCode != 0 || !saved || fakewin::OpenKeyCount() != 0) {
            fprintf(stderr, "start-up with %d siblings did not run to its end\n", siblings);
            ++failures;
        }
        if (made.enumKey != needed.enumKey || made.enumValue != needed.enumValue ||
            made.open != needed.open || made.create != needed.create ||
            made.setValue != needed.setValue || made.close != needed.close) {
            fprintf(stderr, "%d siblings: made %ld/%ld/%ld/%ld/%ld/%ld, needed %ld/%ld/%ld/%ld/%ld/%ld "
                    "(enum key/enum value/open/create/set/close)\n", siblings, made.enumKey,
                    made.enumValue, made.open, made.create, made.setValue, made.close, needed.enumKey,
                    needed.enumValue, needed.open, needed.create, needed.setValue, needed.close);
            ++failures;
        }
        fakewin::SetUserAction(nullptr);
        const int repeats = siblings >= 10000 ? 20 : siblings >= 1000 ? 200 : 2000;
        double us = MicrosecondsPerCheck(repeats);
        if (us < 0)
            ++failures;
        if (coreAllocations != 0) {
            fprintf(stderr, "%d siblings: the core made %ld heap allocations\n", siblings, coreAllocations);
            ++failures;
        }
        printf("| %d | %ld | %ld | %ld | %ld | %.1f | %.4f | %ld / %ld |\n", siblings, made.Total(),
               needed.Total(), made.Total() - needed.Total(), OneWalkPerValue(siblings), us, us / siblings,
               allAllocations, coreAllocations);
    }
    return failures == 0 ? 0 : 1;
}
