// Counts the registry calls of a full start-up on the stand-in for growing numbers of
// sibling keys that sort before the game's key, twice: as the game's key usually
// lies, where the walk searches for it, and with one more key (after the game's) whose
// class may not fit, where the walk enumerates from the first key as it always did.
// Times IsGameInstalled at each size.
//   registry_calls [SIZES...]   prints two Markdown tables; exit 1 when a count is off
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "fakewin.h"
#include "install.h"
#include "install_values.h"
#include "installed_game.h"
#include "keypath.h"
#include "settings.h"
#include "startup.h"

namespace {

const int kInstallCount = sizeof kInstallValues / sizeof kInstallValues[0];
const std::string kGameKey = installed_game::KeyOf("ZzGame");

// The game's key after `siblings` keys under Software, and the setting stored last.
// With keyThatMayNotFit, one more key sorts after the game's: its class of 128
// characters could take 256 bytes as double-byte text, more than the walk's buffers,
// so no search can be proved right below Software.
void Layout(int siblings, bool keyThatMayNotFit)
{
    installed_game::Install("ZzGame");
    char name[32];
    for (int i = 0; i < siblings; ++i) {
        snprintf(name, sizeof name, "Aa%06d", i);
        fakewin::CreateKey("HKEY_CURRENT_USER\\Software\\" + std::string(name));
    }
    if (keyThatMayNotFit)
        fakewin::CreateKey("HKEY_CURRENT_USER\\Software\\ZzWide", std::string(128, 'c').c_str());
    fakewin::SetString(kGameKey, CalcSwitchSetting.valueName, "0");
}

struct Calls {
    long enumKey, query, enumValue, open, create, setValue, close;
    long Total() const { return enumKey + query + enumValue + open + create + setValue + close; }
};

Calls Measured()
{
    return {fakewin::CallCount("RegEnumKeyExA"), fakewin::CallCount("RegQueryInfoKeyA"),
            fakewin::CallCount("RegEnumValueA"), fakewin::CallCount("RegOpenKeyExA"),
            fakewin::CallCount("RegCreateKeyExA"), fakewin::CallCount("RegSetValueExA"),
            fakewin::CallCount("RegCloseKey")};
}

Calls Since(const Calls &before)
{
    Calls now = Measured();
    return {now.enumKey - before.enumKey, now.query - before.query, now.enumValue - before.enumValue,
            now.open - before.open, now.create - before.create, now.setValue - before.setValue,
            now.close - before.close};
}

// The start-up walks twice: once for the eleven installation values (the first eleven
// created) and once for the setting (created after them); the decision's write creates
// two keys, sets one value and closes the root and both keys.
const long kWalks = 2;

// The start-up as the walk from index 0 alone would make it. A walk enumerates
// HKEY_CURRENT_USER (Software is its only key: one call) and Software (the game's key
// comes after every sibling: siblings + 1 calls), opens both keys and closes both. A
// pass over the game's values enumerates up to the last value it wants.
Calls WalkFromFirst(int siblings)
{
    const long values = kInstallCount + (kInstallCount + 1);
    return {kWalks * (1 + siblings + 1), 0, values, kWalks * 2, 2, 1, kWalks * 2 + 3};
}

// Probes of a binary search that finds one of n entries: at most floor(log2(n)) + 1.
long MostProbes(long n)
{
    long probes = 1;
    for (; n > 1; n /= 2)
        ++probes;
    return probes;
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

// The calls one walk spends on the game's key: a walk to it less a walk to Software.
long CallsForTheGamesKey()
{
    Calls before = Measured();
    ReadRegistryValue("\\HKEY_CURRENT_USER\\Software", nullptr, nullptr, kValueNone);
    const long toSoftware = Since(before).Total();
    before = Measured();
    ReadRegistryValue("\\HKEY_CURRENT_USER\\Software\\ZzGame", nullptr, nullptr, kValueNone);
    return Since(before).Total() - toSoftware;
}

struct Run {
    Calls made;
    long gameKeyCalls;
    double us;
    bool failed;
};

// One start-up that shows CalcSwitch and decides, then the walk and the check alone.
Run StartUp(int siblings, bool keyThatMayNotFit)
{
    Layout(siblings, keyThatMayNotFit);
    int exitCode = ToolWinMain(CalcSwitchSetting, fakewin::ProgramInstance(), nullptr,
                               const_cast<char *>(""), SW_SHOWNORMAL);
    // The stand-in's windows only record: the show and the decide are the platform's
    // messages to the dialog, sent here.
    MainWndProc(fakewin::Answers().dialog, WM_SHOWWINDOW, TRUE, 0);
    MainWndProc(fakewin::Answers().dialog, WM_COMMAND, CalcSwitchSetting.decideId, 0);
    Run run = {Measured(), 0, 0, false};
    DWORD type = 0;
    std::string stored;
    bool saved = fakewin::GetValue(kGameKey, CalcSwitchSetting.valueName, &type, &stored) &&
                 stored == std::string("0", 2);
    if (exitCode != 0 || !saved || fakewin::OpenKeyCount() != 0) {
        fprintf(stderr, "start-up with %d siblings did not run to its end\n", siblings);
        run.failed = true;
    }
    run.gameKeyCalls = CallsForTheGamesKey();
    const int repeats = siblings >= 10000 ? 20 : siblings >= 1000 ? 200 : 2000;
    run.us = MicrosecondsPerCheck(repeats);
    run.failed = run.failed || run.us < 0;
    return run;
}

bool Report(int siblings, const char *what, const Calls &made, const Calls &needed, bool enumKeyAtMost)
{
    const bool enumKeyOk = enumKeyAtMost ? made.enumKey <= needed.enumKey : made.enumKey == needed.enumKey;
    if (enumKeyOk && made.query == needed.query && made.enumValue == needed.enumValue &&
        made.open == needed.open && made.create == needed.create && made.setValue == needed.setValue &&
        made.close == needed.close)
        return true;
    fprintf(stderr, "%d siblings, %s: made %ld/%ld/%ld/%ld/%ld/%ld/%ld, needed %s%ld/%ld/%ld/%ld/%ld/%ld/%ld "
            "(enum key/query/enum value/open/create/set/close)\n", siblings, what, made.enumKey, made.query,
            made.enumValue, made.open, made.create, made.setValue, made.close, enumKeyAtMost ? "at most " : "",
            needed.enumKey, needed.query, needed.enumValue, needed.open, needed.create, needed.setValue,
            needed.close);
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty())
        sizes = {0, 100, 1000, 10000};

    int failures = 0;
    std::vector<Run> searched, fromFirst;
    for (int siblings : sizes) {
        // Each key of the path, HKEY_CURRENT_USER's and Software's, is first asked for
        // its list's lengths. Searched, HKEY_CURRENT_USER takes one probe and Software
        // at most floor(log2(siblings + 1)) + 1; else enumeration goes as it always did.
        Run run = StartUp(siblings, false);
        Calls needed = WalkFromFirst(siblings);
        needed.query = kWalks * 2;
        needed.enumKey = kWalks * (1 + MostProbes(siblings + 1));
        failures += !Report(siblings, "searched", run.made, needed, true) || run.failed;
        // The game's key: its list's lengths, the probes, its open and Software's close.
        if (run.gameKeyCalls > MostProbes(siblings + 1) + 3) {
            fprintf(stderr, "%d siblings: %ld calls for the game's key\n", siblings, run.gameKeyCalls);
            ++failures;
        }
        searched.push_back(run);

        run = StartUp(siblings, true);
        needed = WalkFromFirst(siblings);
        needed.query = kWalks * 2;
        failures += !Report(siblings, "from the first key", run.made, needed, false) || run.failed;
        fromFirst.push_back(run);
    }

    printf("Every key fits the search's proof: the walk searches for the game's key.\n\n");
    printf("| siblings | calls for the game's key in one walk | at most: floor(log2(siblings + 1)) + 4 | start-up: registry calls | of which RegEnumKeyExA | start-up walking from the first key | one walk per value | IsGameInstalled (µs) |\n");
    printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Run &run = searched[i];
        printf("| %d | %ld | %ld | %ld | %ld | %ld | %ld | %.1f |\n", sizes[i], run.gameKeyCalls,
               MostProbes(sizes[i] + 1) + 3, run.made.Total(), run.made.enumKey, WalkFromFirst(sizes[i]).Total(),
               OneWalkPerValue(sizes[i]), run.us);
    }
    printf("\nA key after the game's has a class that may not fit: the walk enumerates from the first key, "
           "as it always did, after asking each key's list for its lengths.\n\n");
    printf("| siblings | start-up: registry calls | of which RegEnumKeyExA | RegEnumKeyExA by the walk's rules | RegQueryInfoKeyA | IsGameInstalled (µs) |\n");
    printf("|---:|---:|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Run &run = fromFirst[i];
        printf("| %d | %ld | %ld | %ld | %ld | %.1f |\n", sizes[i], run.made.Total(), run.made.enumKey,
               WalkFromFirst(sizes[i]).enumKey, run.made.query, run.us);
    }
    return failures == 0 ? 0 : 1;
}
