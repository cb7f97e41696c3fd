// The installation check walks the key path once for all its values. It must answer
// exactly as one walk per value does, over registries made to trip it: siblings whose
// name or class does not fit, names in other letter cases, Shift-JIS names, values that
// do not fit or come twice in other cases, other types, any order of creation.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "install.h"
#include "keypath.h"
#include "world.h"

namespace {

const char *const kInstallValues[] = {
    "DAT_EXIST", "BGM_EXIST", "KOE_EXIST", "MOV_EXIST", "SAV_FOLDER", "DAT_FOLDER",
    "BGM_FOLDER", "KOE_FOLDER", "MOV_FOLDER", "CD_DRIVE", "DISK_MARK",
};

// The check as one walk per value: the existence test, then each value in turn.
int IsGameInstalledOneWalkEach(const char *keyPath)
{
    if (!ReadRegistryValue(keyPath, nullptr, nullptr, kValueNone))
        return 0;
    char saveFolder[kRegTextSize] = "";
    for (const char *name : kInstallValues) {
        char scratch[kRegTextSize] = "";
        char *text = strcmp(name, "SAV_FOLDER") == 0 ? saveFolder : scratch;
        if (!ReadRegistryValue(keyPath, name, text, kValueString))
            return 0;
    }
    return ProbePath(saveFolder) == kPathDirectory;
}

class Maker {
public:
    explicit Maker(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // A key name: the game's own in some letter case, a Shift-JIS one, one too long to
    // enumerate, or an ordinary one.
    std::string KeyName()
    {
        switch (Below(6)) {
        case 0: return Below(2) ? "Game" : "GAME";
        case 1: return "\x83\x51\x81\x5B\x83\x80";  // ゲーム
        case 2: return std::string(254 + Below(2), 'a' + Below(26));
        default: return std::string(1, 'A' + Below(26)) + std::to_string(Below(100));
        }
    }

    std::string ValueName()
    {
        std::string name = kInstallValues[Below(11)];
        switch (Below(8)) {
        case 0: for (char &c : name) c = static_cast<char>(tolower(c)); return name;
        case 1: return std::string(254 + Below(2), 'v');
        case 2: return "OTHER" + std::to_string(Below(10));
        default: return name;
        }
    }

    std::string Data(int *type, const std::string &saveFolder)
    {
        const DWORD types[] = {REG_SZ, REG_SZ, REG_SZ, REG_DWORD, REG_BINARY, REG_EXPAND_SZ};
        *type = static_cast<int>(types[Below(6)]);
        switch (Below(5)) {
        case 0: return std::string(255 + Below(2), 'd');   // may not fit
        case 1: return saveFolder + std::string(1, '\0');
        case 2: return std::string(4, '\1');
        default: return std::to_string(Below(3)) + std::string(1, '\0');
        }
    }

private:
    std::mt19937 random_;
};

TEST(WalkDifferential, OneWalkForAllValuesAnswersAsOneWalkEach)
{
    // Fewer registries under Wine, where every registry call is a server round trip.
    const int rounds = world::OnStandIn() ? 1500 : 150;
    int installed = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Maker make(static_cast<unsigned>(round));
        world::Reset();
        const std::string saveFolder = world::Folder() + "\\save";
        if (make.Below(4) != 0)
            world::MakeFolder(saveFolder);
        const int siblings = make.Below(4);
        for (int i = 0; i < siblings; ++i) {
            const std::string cls = make.Below(4) == 0 ? std::string(254 + make.Below(2), 'c') : "";
            world::CreateKey(TEST_KEY "\\" + make.KeyName(), cls.empty() ? nullptr : cls.c_str());
        }
        const std::string game = TEST_KEY "\\Game";
        if (make.Below(10) != 0) {
            world::CreateKey(game);
            // Most rounds store every value, so that the check gets past its early exits.
            const bool complete = make.Below(2) == 0;
            const int extra = make.Below(5);
            std::vector<std::string> names;
            if (complete)
                names.assign(std::begin(kInstallValues), std::end(kInstallValues));
            for (int i = 0; i < extra; ++i)
                names.insert(names.begin() + make.Below(static_cast<int>(names.size()) + 1), make.ValueName());
            for (const std::string &name : names) {
                int type = REG_SZ;
                std::string data = make.Data(&type, saveFolder);
                if (complete && make.Below(3) != 0) {
                    type = REG_SZ;
                    data = (name == "SAV_FOLDER" ? saveFolder : "1") + std::string(1, '\0');
                }
                world::SetValue(game, name, static_cast<DWORD>(type), data.data(), static_cast<DWORD>(data.size()));
            }
        }
        const std::string path = "\\HKEY_CURRENT_USER\\" + game;
        const int expected = IsGameInstalledOneWalkEach(path.c_str());
        EXPECT_EQ(expected, IsGameInstalled(path.c_str()));
        installed += expected;

        // Request by request, the found flags and texts agree too.
        char texts[11][kRegTextSize];
        char single[kRegTextSize];
        RegistryRequest requests[11];
        for (int i = 0; i < 11; ++i) {
            memset(texts[i], 0xBD, sizeof texts[i]);
            requests[i] = {kInstallValues[i], texts[i], kValueString, 0};
        }
        ReadRegistryValues(path.c_str(), requests, 11);
        for (int i = 0; i < 11; ++i) {
            memset(single, 0xBD, sizeof single);
            EXPECT_EQ(ReadRegistryValue(path.c_str(), kInstallValues[i], single, kValueString),
                      requests[i].found) << kInstallValues[i];
            EXPECT_EQ(0, memcmp(single, texts[i], sizeof single)) << kInstallValues[i];
        }
    }
    // The registries must reach both outcomes, or the comparison proves little.
    EXPECT_GT(installed, rounds / 20);
    EXPECT_LT(installed, rounds - rounds / 20);
}

}  // namespace
