// The key-path reader against a second reader written from the walk's rules alone,
// over registries made to trip it: siblings whose name or class does not fit, names in
// other letter cases, Shift-JIS names, values that do not fit or come twice in other
// cases, other types, any order of creation. The installation check's one walk for all
// its values must answer as one walk per value does.
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

// The reader as its rules state it, sharing no code with the core, so that a fault in
// the core's walk cannot hide in its reference: strtok for the components, enumeration
// from index 0 with buffers of the rules' sizes, the first equal name, the rules' closes.
namespace reference {

const DWORD kNameUnit = 255;   // key, class and value names, terminator included
const DWORD kDataUnit = 255;   // value data
const REGSAM kReadAccess = 0x20019;
const size_t kPathCopy = 1024;

const struct {
    const char *name;
    HKEY key;
} kRoots[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_USERS", HKEY_USERS},
};

// Only 'A'-'Z' and 'a'-'z' meet; a Shift-JIS second byte is compared like any other.
bool SameKeyName(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
}

// True with *key open when every component was found and opened; on failure no key
// of the walk's own is left open.
bool Walk(char *copy, HKEY *key)
{
    const char *token = strtok(copy, "\\");
    HKEY root = nullptr;
    for (const auto &row : kRoots) {
        if (token != nullptr && strcmp(token, row.name) == 0)
            root = row.key;
    }
    if (root == nullptr)
        return false;
    token = strtok(nullptr, "\\");
    // A root with nothing below it fails: the core's choice where the rules leave it
    // open (the tools never pass one).
    if (token == nullptr)
        return false;
    HKEY current = root;
    for (; token != nullptr; token = strtok(nullptr, "\\")) {
        bool matched = false;
        for (DWORD index = 0; !matched; ++index) {
            char name[kNameUnit];
            DWORD nameLength = kNameUnit;
            char className[kNameUnit];
            DWORD classLength = kNameUnit;
            if (RegEnumKeyExA(current, index, name, &nameLength, nullptr, className, &classLength,
                              nullptr) != ERROR_SUCCESS)
                break;
            matched = SameKeyName(name, token);
        }
        HKEY next = nullptr;
        LONG status = matched ? RegOpenKeyExA(current, token, 0, kReadAccess, &next) : ERROR_FILE_NOT_FOUND;
        if (current != root)
            RegCloseKey(current);
        if (status != ERROR_SUCCESS)
            return false;
        current = next;
    }
    *key = current;
    return true;
}

int Read(const char *keyPath, const char *valueName, void *dest, int type)
{
    char copy[kPathCopy];
    if (strlen(keyPath) >= sizeof copy)
        return 0;
    strcpy(copy, keyPath);
    HKEY key = nullptr;
    if (!Walk(copy, &key))
        return 0;
    int found = 0;
    const bool existenceOnly = valueName == nullptr || dest == nullptr || type == kValueNone;
    for (DWORD index = 0; !existenceOnly && !found; ++index) {
        char name[kNameUnit];
        DWORD nameLength = kNameUnit;
        DWORD storedType = REG_NONE;
        BYTE data[kDataUnit];
        DWORD dataLength = kDataUnit;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &storedType, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
        if (strcmp(name, valueName) != 0)
            continue;
        found = 1;
        if (storedType == REG_SZ && type == kValueString) {
            size_t length = 0;
            while (length < dataLength && data[length] != 0)
                ++length;
            memcpy(dest, data, length);
            static_cast<char *>(dest)[length] = '\0';
        }
        // A REG_DWORD of another length has no 32-bit value; the core leaves the
        // destination as it was, where the rules say nothing.
        if (storedType == REG_DWORD && type == kValueDword && dataLength == sizeof(DWORD))
            memcpy(dest, data, sizeof(DWORD));
    }
    RegCloseKey(key);
    return existenceOnly ? 1 : found;
}

// The installation check by its rules: the key exists, every value reads as text, and
// the save folder that one of them names is a directory.
int IsGameInstalled(const char *keyPath)
{
    if (!Read(keyPath, nullptr, nullptr, kValueNone))
        return 0;
    char saveFolder[kDataUnit + 1] = "";
    for (const char *name : kInstallValues) {
        char scratch[kDataUnit + 1] = "";
        char *text = strcmp(name, "SAV_FOLDER") == 0 ? saveFolder : scratch;
        if (!Read(keyPath, name, text, kValueString))
            return 0;
    }
    return ProbePath(saveFolder) == kPathDirectory;
}

}  // namespace reference

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

TEST(WalkDifferential, ReadsAnswerAsTheWalkRulesDo)
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
        const int expected = reference::IsGameInstalled(path.c_str());
        EXPECT_EQ(expected, IsGameInstalled(path.c_str()));
        installed += expected;
        EXPECT_EQ(reference::Read(path.c_str(), nullptr, nullptr, kValueNone),
                  ReadRegistryValue(path.c_str(), nullptr, nullptr, kValueNone));

        // Value by value, alone and in one walk for all: found flags, texts and numbers
        // agree, and nothing is written past the text or into a destination left alone.
        char texts[11][kRegTextSize];
        RegistryRequest requests[11];
        for (int i = 0; i < 11; ++i) {
            memset(texts[i], 0xBD, sizeof texts[i]);
            requests[i] = {kInstallValues[i], texts[i], kValueString, 0};
        }
        ReadRegistryValues(path.c_str(), requests, 11);
        for (int i = 0; i < 11; ++i) {
            SCOPED_TRACE(kInstallValues[i]);
            char expectedText[kRegTextSize + 8];
            char text[kRegTextSize + 8];
            memset(expectedText, 0xBD, sizeof expectedText);
            memset(text, 0xBD, sizeof text);
            const int found = reference::Read(path.c_str(), kInstallValues[i], expectedText, kValueString);
            EXPECT_EQ(found, ReadRegistryValue(path.c_str(), kInstallValues[i], text, kValueString));
            EXPECT_EQ(0, memcmp(expectedText, text, sizeof text));
            EXPECT_EQ(found, requests[i].found);
            EXPECT_EQ(0, memcmp(expectedText, texts[i], sizeof texts[i]));
            DWORD expectedNumber = 0xBDBDBDBD;
            DWORD number = 0xBDBDBDBD;
            EXPECT_EQ(reference::Read(path.c_str(), kInstallValues[i], &expectedNumber, kValueDword),
                      ReadRegistryValue(path.c_str(), kInstallValues[i], &number, kValueDword));
            EXPECT_EQ(expectedNumber, number);
        }
    }
    // The registries must reach both outcomes, or the comparison proves little.
    EXPECT_GT(installed, rounds / 20);
    EXPECT_LT(installed, rounds - rounds / 20);
}

}  // namespace
