// SETUP.INI through a tool's start-up checks: around a REG_NAME that names the game's key
// its own way, or another key, the input writes the file (byte-order mark, line ends,
// case, blanks, quotes, anything after the key), damages the installation or not, and
// picks the choice to decide. The outcome is no warning or the one the name and
// installation call for; "決定" stores the choice when the key path fits, else warns.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install.h"
#include "installed_game.h"
#include "startup.h"
#include "tool_settings.h"

namespace {

const size_t kPrefixLength = strlen("\\HKEY_CURRENT_USER\\Software\\");

// The name with runs of separators and those at its ends dropped, letters in upper
// case: as the game's key, whose names are ASCII, exactly when it addresses that key.
std::string Normal(const std::string &name)
{
    std::string normal;
    for (char c : name) {
        if (c != '\\' || (!normal.empty() && normal.back() != '\\')) normal += c;
    }
    if (!normal.empty() && normal.back() == '\\') normal.pop_back();
    return fuzz::Fold(normal);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const SettingDefinition &setting = *kToolSettings[data.ConsumeIntegralInRange<size_t>(0, std::size(kToolSettings) - 1)];
    // The game's key below Software: up to three names, often padded to bring the paths
    // near the writer's 255 and the reader's 259 bytes, none beyond the registry's 255.
    std::vector<std::string> game;
    std::string gameKey;
    for (int i = data.ConsumeIntegralInRange<int>(1, 3); i > 0; --i) {
        game.push_back(data.ConsumeBool() ? "Game" : std::string(data.ConsumeIntegralInRange<size_t>(1, 200), 'k'));
        gameKey += (gameKey.empty() ? "" : "\\") + game.back();
    }
    const size_t padTo = data.ConsumeBool() ? 224 + data.ConsumeIntegralInRange<size_t>(0, 10) : 0;
    const size_t pad = padTo > gameKey.size() ? std::min(padTo - gameKey.size(), 255 - game.back().size()) : 0;
    game.back() += std::string(pad, 'k');
    gameKey += std::string(pad, 'k');
    installed_game::Install(gameKey);
    const std::string testKey = installed_game::KeyOf(gameKey);
    // The save folder missing, a file, or stored as a number; 3 and up leave it intact.
    const int damage = data.ConsumeIntegralInRange<int>(0, 5);
    const DWORD one = 1;
    if (damage < 2)
        fakewin::SetString(testKey, "SAV_FOLDER", damage == 0 ? "C:\\Missing" : "C:\\Program\\SETUP.INI");
    else if (damage == 2)
        fakewin::SetValue(testKey, "SAV_FOLDER", REG_DWORD, &one, sizeof one);

    // REG_NAME: the game's names with separators and case of the input's, one name
    // fewer (a key that exists but is not the game's), or any text.
    std::string regName;
    const bool fromGame = data.ConsumeIntegralInRange<int>(0, 3) > 0;
    const size_t named = fromGame && game.size() > 1 && data.ConsumeBool() ? game.size() - 1 : game.size();
    for (size_t i = 0; fromGame && i < named; ++i) {
        if (i > 0 || data.ConsumeBool()) regName += std::string(data.ConsumeIntegralInRange<int>(1, 2), '\\');
        regName += data.ConsumeBool() ? fuzz::Fold(game[i]) : game[i];
    }
    regName = !fromGame ? data.ConsumeRandomLengthString(300) : data.ConsumeBool() ? regName + "\\" : regName;

    const char *const kEnds[] = {"\r\n", "\n", "\r"};
    const char *const kQuotes[] = {"", "\"", "'"};
    const std::string end = kEnds[data.ConsumeIntegralInRange<int>(0, 2)];
    const std::string quote = kQuotes[data.ConsumeIntegralInRange<int>(0, 2)];
    std::string ini = data.ConsumeBool() ? "\xEF\xBB\xBF" : "";
    ini += (data.ConsumeBool() ? "[Setup Initial]" : "[ sETUP iNITIAL ]") + end;
    ini += (data.ConsumeBool() ? "REG_NAME=" : "reg_name = ") + quote + regName + quote + end;
    const int choice = data.ConsumeIntegralInRange<int>(0, setting.rowCount - 1);
    ini += data.ConsumeRemainingBytesAsString();
    fakewin::MakeFile("C:\\Program\\SETUP.INI", ini);

    // The name as read: what was written, cut to its buffer, when made of the game's names.
    char name[kPathBufferSize];
    const int found = ReadRegName("C:\\Program\\SETUP.INI", name);
    if (fromGame) FUZZ_CHECK(name == regName.substr(0, kPathBufferSize - 1));
    const size_t length = strlen(name);

    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    const char *warning = FailedStartupCheck();
    // The dialog opens only when no check failed; "決定" then stores the choice.
    if (warning == nullptr) warning = SaveChoice(setting, setting.rows[choice].value);
    fuzz::CheckHandles();

    const bool usable = found && kPrefixLength + length < kPathBufferSize;
    const bool installed = usable && damage >= 3 && Normal(name) == fuzz::Fold(gameKey);
    const bool writable = kPrefixLength + length < 256;
    FUZZ_CHECK(warning == (!usable             ? kTextNoRegName
                           : !installed        ? kTextNotInstalled
                           : !writable         ? kTextNotSaved
                                               : nullptr));
    fuzz::Snapshot added, removed;
    fuzz::Diff(before, fakewin::SnapshotRegistry(), &added, &removed);
    FUZZ_CHECK(removed.empty() && added.size() == (installed && writable ? 1u : 0u));
    if (installed && writable)
        FUZZ_CHECK(added[0].isValue && fuzz::Fold(added[0].keyPath) == fuzz::Fold(testKey) &&
                   added[0].valueName == setting.valueName && added[0].type == REG_SZ &&
                   added[0].data == std::string(setting.rows[choice].text) + '\0');
    return 0;
}
