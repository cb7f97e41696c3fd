// The key-path reader against a plain second reader that walks from index 0 alone,
// over registries made to trip it: siblings whose name or class does not fit, names in
// other letter cases, Shift-JIS names, values that do not fit or come twice in other
// cases, other types, any order of creation. The installation check's one walk for all
// its values must answer as one walk per value does.
#include <ctype.h>
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "install.h"
#include "install_values.h"
#include "keypath.h"
#include "world.h"

namespace {

// The plain reader, sharing no code with the core, so that a fault in the core's walk
// cannot hide in its reference: strtok for the components, enumeration from index 0
// with 255-unit buffers, the first equal name, each key it opened closed once.
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
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

// True with *key open when every component was found and opened; on failure no key
// of the walk's own is left open.
bool Walk(char *copy, HKEY *key)
{
    const char *token = strtok(copy, "\\");
    HKEY root = nullptr;
    for (const auto &row : kRoots) {
        if (token != nullptr && strcmp(token, row.name) == 0) root = row.key;
    }
    if (root == nullptr) return false;
    token = strtok(nullptr, "\\");
    // A root with nothing below it fails: the core's own choice for a path the tools
    // never pass.
    if (token == nullptr) return false;
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
        if (current != root) RegCloseKey(current);
        if (status != ERROR_SUCCESS) return false;
        current = next;
    }
    *key = current;
    return true;
}

int Read(const char *keyPath, const char *valueName, void *dest, int type)
{
    char copy[kPathCopy];
    if (strlen(keyPath) >= sizeof copy) return 0;
    strcpy(copy, keyPath);
    HKEY key = nullptr;
    if (!Walk(copy, &key)) return 0;
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
        if (strcmp(name, valueName) != 0) continue;
        found = 1;
        if (storedType == REG_SZ && type == kValueString) {
            size_t length = 0;
            while (length < dataLength && data[length] != 0) ++length;
            memcpy(dest, data, length);
            static_cast<char *>(dest)[length] = '\0';
        }
        // A REG_DWORD of another length has no 32-bit value; the core leaves the
        // destination as it was.
        if (storedType == REG_DWORD && type == kValueDword && dataLength == sizeof(DWORD))
            memcpy(dest, data, sizeof(DWORD));
    }
    RegCloseKey(key);
    return existenceOnly ? 1 : found;
}

}  // namespace reference

bool IsAscii(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The characters between the upper- and the lower-case letters: Windows sorts them
// after the letters, Wine before.
const char kBetweenCases[] = "[]^_`";

class Maker {
public:
    explicit Maker(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool OneIn(int n) { return Below(n) == 0; }

    char Letter() { return static_cast<char>((OneIn(2) ? 'A' : 'a') + Below(26)); }

    // The game's key: plain, with characters the two platforms order differently, or
    // with bytes of 0x80 and more (Shift-JIS only where the code page has it).
    std::string GameName(bool doubleByte)
    {
        const char *const names[] = {"Game", "Ga_me", "G[ame", "Game`", "KZ_GAME", "Ga^me", "g]", "Zz"};
        if (doubleByte && OneIn(8))
            return "\x83\x51\x81\x5B\x83\x80";  // ゲーム
        if (OneIn(10))
            return "\xB9\xDE\xB0\xD1";  // ｹﾞｰﾑ, single-byte katakana
        return names[Below(8)];
    }

    // The name with its letters in another case, Shift-JIS second bytes included (the
    // walk's comparison folds those too, the platform does not).
    std::string Respelled(std::string name)
    {
        for (char &c : name) {
            if (isalpha(static_cast<unsigned char>(c)) && OneIn(2)) c = static_cast<char>(c ^ 0x20);
        }
        return name;
    }

    // A sibling of the game's key, mostly one that sorts near it.
    std::string Sibling(const std::string &game, bool doubleByte)
    {
        std::string name;
        switch (Below(doubleByte ? 6 : 5)) {
        case 0: {  // the game's name with one character replaced, added or dropped
            name = game;
            const size_t at = static_cast<size_t>(Below(static_cast<int>(name.size())));
            const char c = OneIn(2) ? kBetweenCases[Below(5)] : Letter();
            switch (Below(3)) {
            case 0: name[at] = c; break;
            case 1: name.insert(at + Below(2), 1, c); break;
            default: name.erase(at, name.size() > 1 ? 1 : 0); break;
            }
            return name;
        }
        case 1:  // the game's own key, spelled in another case
            return Respelled(game);
        case 2:  // letters among [ ] ^ _ `
            for (int i = 0, length = 1 + Below(4); i < length; ++i)
                name += OneIn(2) ? kBetweenCases[Below(5)] : Letter();
            return name;
        case 3:  // single-byte katakana after the game's first letter
            name = game.substr(0, 1);
            for (int i = 0, length = 1 + Below(3); i < length; ++i)
                name += static_cast<char>(0xA1 + Below(0xDF - 0xA1 + 1));
            return name;
        case 4:
            return std::string(1, Letter()) + std::to_string(Below(100));
        default:  // Shift-JIS whose second bytes are ASCII letters, or 5C (ソ)
            name = game.substr(0, static_cast<size_t>(Below(3)));
            for (int i = 0, length = 1 + Below(2); i < length; ++i) {
                name += static_cast<char>(0x81 + Below(0x1F));
                name += OneIn(6) ? '\\' : Letter();
            }
            return name;
        }
    }

    // A name or class about the size of the walk's buffers: some fit them and the
    // search's proof, some only the buffers, some neither. Its first character puts it
    // before or after the game's key.
    std::string LongText(bool doubleByte)
    {
        std::string text(1, "0AGZ_az~"[Below(8)]);
        if (doubleByte && OneIn(3)) {
            // 126 to 128 double-byte characters: 253 to 257 bytes with the first.
            for (int i = 0, count = 126 + Below(3); i < count; ++i) text += "\x83\x41";
            return text;
        }
        const size_t lengths[] = {126, 127, 128, 253, 254, 255};
        text.resize(lengths[Below(6)], "ay_"[Below(3)]);
        return text;
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

// One registry to read: how it lists and converts names, and how many siblings the
// game's key has.
struct Layout {
    world::KeyOrder order;
    UINT maxCharSize;
    int siblings;
};

std::vector<Layout> Layouts()
{
    std::vector<Layout> layouts;
    if (world::OnStandIn()) {
        // Every sibling count up to 300, listed both ways, with the double-byte code
        // page; every third count with a single-byte one, and in no order at all.
        for (UINT size : {2u, 1u}) {
            for (world::KeyOrder order : {world::KeyOrder::kUpperFolded, world::KeyOrder::kLowerFolded}) {
                for (int siblings = 0; siblings <= 300; siblings += size == 2 ? 1 : 3)
                    layouts.push_back({order, size, siblings});
            }
        }
        for (int siblings = 0; siblings <= 300; siblings += 3)
            layouts.push_back({world::KeyOrder::kUnsorted, 2, siblings});
        return layouts;
    }
    // Under Wine every registry call is a server round trip: fewer counts, denser at
    // the low end, in Wine's own order and code page.
    const UINT size = world::SetAnsiMaxCharSize(2) ? 2 : 1;
    for (int i = 0; i < 40; ++i)
        layouts.push_back({world::KeyOrder::kLowerFolded, size, i * i * 300 / (39 * 39)});
    return layouts;
}

// The enumerations a walk down to the game's key may make by binary search: about
// log2(n) for each key on the way, twice where the first folding tried is not the
// platform's.
long SearchBound(world::KeyOrder order)
{
    const char *const levels[] = {"", "Software", TEST_KEY};
    long bound = 0;
    for (const char *level : levels) {
        long probes = 1;
        for (int n = world::CountSubkeys(level); n > 1; n /= 2) ++probes;
        bound += order == world::KeyOrder::kUpperFolded ? probes : 2 * probes;
    }
    return bound;
}

TEST(WalkDifferential, ReadsAnswerAsTheWalkFromIndexZeroDoes)
{
    const std::vector<Layout> layouts = Layouts();
    int installed = 0;
    int searched = 0;
    for (size_t round = 0; round < layouts.size(); ++round) {
        const Layout &layout = layouts[round];
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(layout.siblings) +
                     " siblings, largest character " + std::to_string(layout.maxCharSize) +
                     ", order " + std::to_string(static_cast<int>(layout.order)));
        Maker make(static_cast<unsigned>(round));
        world::Reset();
        ASSERT_TRUE(world::ListSubkeysIn(layout.order));
        ASSERT_TRUE(world::SetAnsiMaxCharSize(layout.maxCharSize));
        const bool doubleByte = layout.maxCharSize == 2;
        const std::string saveFolder = world::Folder() + "\\save";
        if (make.Below(4) != 0) world::MakeFolder(saveFolder);
        const std::string gameName = make.GameName(doubleByte);
        // A third of the registries hold names or classes of about the buffers' size.
        const int longOnes = make.OneIn(3) ? 1 + make.Below(3) : 0;
        for (int i = 0; i < layout.siblings; ++i) {
            const bool isLong = make.Below(layout.siblings) < longOnes;
            const bool longName = isLong && make.OneIn(2);
            const std::string name = longName ? make.LongText(doubleByte) : make.Sibling(gameName, doubleByte);
            const std::string cls = isLong && !longName ? make.LongText(doubleByte) : make.OneIn(8) ? "c" : "";
            world::CreateKey(TEST_KEY "\\" + name, cls.empty() ? nullptr : cls.c_str());
        }
        const std::string game = TEST_KEY "\\" + gameName;
        if (make.Below(10) != 0) {
            world::CreateKey(game);
            // Most rounds store every value, so that the check gets past its early exits.
            const bool complete = make.Below(2) == 0;
            const int extra = make.Below(5);
            std::vector<std::string> names;
            if (complete) names.assign(std::begin(kInstallValues), std::end(kInstallValues));
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
        const std::string component = make.OneIn(2) ? make.Respelled(gameName) : gameName;
        const std::string path = "\\HKEY_CURRENT_USER\\" TEST_KEY "\\" + component;

        const long enumerationsBefore = world::RegistryCalls("RegEnumKeyExA");
        const int exists = reference::Read(path.c_str(), nullptr, nullptr, kValueNone);
        const long referenceEnumerations = world::RegistryCalls("RegEnumKeyExA") - enumerationsBefore;
        EXPECT_EQ(exists, ReadRegistryValue(path.c_str(), nullptr, nullptr, kValueNone));
        const long enumerations =
            world::RegistryCalls("RegEnumKeyExA") - enumerationsBefore - referenceEnumerations;
        // Where the key is there, its name is ASCII and every sibling fits the proof,
        // the walk must have searched, not enumerated from the first key.
        if (enumerationsBefore >= 0 && layout.order != world::KeyOrder::kUnsorted && longOnes == 0 &&
            IsAscii(component) &&
            world::KeyExists(TEST_KEY "\\" + component)) {
            EXPECT_LE(enumerations, SearchBound(layout.order)) << "enumerated from the first: " << referenceEnumerations;
            ++searched;
        }

        // Value by value, alone and in one walk for all: found flags, texts and numbers
        // agree, and nothing is written past the text or into a destination left alone.
        char texts[11][kRegTextSize];
        RegistryRequest requests[11];
        for (int i = 0; i < 11; ++i) {
            memset(texts[i], 0xBD, sizeof texts[i]);
            requests[i] = {kInstallValues[i], texts[i], kValueString, 0};
        }
        EXPECT_EQ(exists, ReadRegistryValues(path.c_str(), requests, 11));
        bool allFound = exists;
        char saveText[kRegTextSize] = "";
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
            allFound = allFound && found;
            if (found && strcmp(kInstallValues[i], "SAV_FOLDER") == 0 && memchr(expectedText, 0, kRegTextSize))
                strcpy(saveText, expectedText);
            if (i % 5 == 0) {
                DWORD expectedNumber = 0xBDBDBDBD;
                DWORD number = 0xBDBDBDBD;
                EXPECT_EQ(reference::Read(path.c_str(), kInstallValues[i], &expectedNumber, kValueDword),
                          ReadRegistryValue(path.c_str(), kInstallValues[i], &number, kValueDword));
                EXPECT_EQ(expectedNumber, number);
            }
        }
        // The installation check spelled out: the key, every value as text, and the
        // save folder that one of them names.
        const int expected = allFound && ProbePath(saveText) == kPathDirectory;
        EXPECT_EQ(expected, IsGameInstalled(path.c_str()));
        installed += expected;
    }
    // The registries must reach both outcomes, and the search must have had its
    // chance, or the comparison proves little.
    const int rounds = static_cast<int>(layouts.size());
    EXPECT_GT(installed, rounds / 20);
    EXPECT_LT(installed, rounds - rounds / 20);
    if (world::RegistryCalls("RegEnumKeyExA") >= 0) {
        EXPECT_GT(searched, rounds / 3);
    }
}

}  // namespace
