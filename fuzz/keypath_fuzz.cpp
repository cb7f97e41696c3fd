// Key-path reading and writing over a registry that the input also shapes: names,
// class names, value types, data lengths, the order of creation, the order the
// platform lists subkeys in and the code page's largest character. After every call
// no key is left open or closed twice, the reader closes no root and changes nothing,
// every read answers as the walk from the first subkey on does, and a write changes
// nothing but the one value under the one key its path names, and nothing at all from
// a key whose creation the input makes fail.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "keypath.h"

namespace {

const char *const kRootNames[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                  "HKEY_USERS"};
const DWORD kTypes[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_EXPAND_SZ, REG_MULTI_SZ, REG_NONE};

// Names the input builds paths from: a few fixed ones make matches likely.
std::string PickName(FuzzedDataProvider &data, const std::vector<std::string> &known)
{
    if (!known.empty() && data.ConsumeBool())
        return known[data.ConsumeIntegralInRange<size_t>(0, known.size() - 1)];
    // The core takes zero-terminated strings: a zero byte would end the name early.
    std::string name = data.ConsumeRandomLengthString(300);
    for (char &c : name) {
        if (c == '\0') c = '.';
    }
    return name;
}

// The key path the core is given: a root name (or not), components joined by runs of
// separators, sometimes in another letter case.
std::string MakeKeyPath(FuzzedDataProvider &data, const std::vector<std::string> &known,
                        std::string *root, std::vector<std::string> *components)
{
    std::string path(data.ConsumeIntegralInRange<int>(0, 2), '\\');
    *root = data.ConsumeBool() ? kRootNames[data.ConsumeIntegralInRange<int>(0, 3)]
                               : data.ConsumeRandomLengthString(24);
    // Keep the root one token, so that the check below knows what the path names.
    for (char &c : *root) {
        if (c == '\\' || c == '\0') c = '/';
    }
    if (root->empty()) *root = "X";
    path += *root;
    int count = data.ConsumeIntegralInRange<int>(0, 5);
    for (int i = 0; i < count; ++i) {
        std::string name = PickName(data, known);
        if (data.ConsumeBool()) name = fuzz::Fold(name);
        path += std::string(data.ConsumeIntegralInRange<int>(1, 3), '\\') + name;
    }
    if (data.ConsumeBool()) path += "\\";
    // What the path names, tokenised as plainly as possible.
    components->clear();
    std::string part;
    for (char c : path.substr(path.find(*root) + root->size())) {
        if (c == '\\') {
            if (!part.empty()) components->push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) components->push_back(part);
    return path;
}

bool IsRootName(const std::string &name)
{
    return std::any_of(std::begin(kRootNames), std::end(kRootNames), [&](const char *root) { return name == root; });
}

void Shape(FuzzedDataProvider &data, std::vector<std::string> *known)
{
    known->assign({"Software", "Game", "Maker", "MmxUse", "D3dUse"});
    int operations = data.ConsumeIntegralInRange<int>(0, 24);
    for (int i = 0; i < operations && data.remaining_bytes() > 0; ++i) {
        std::string parent = "HKEY_CURRENT_USER\\Software";
        int depth = data.ConsumeIntegralInRange<int>(0, 2);
        for (int d = 0; d < depth; ++d) parent += "\\" + PickName(data, *known);
        const int operation = data.ConsumeIntegralInRange<int>(0, 2);
        if (operation == 0) {
            std::string name = PickName(data, *known);
            std::string className = data.ConsumeRandomLengthString(300);
            fakewin::CreateKey(parent + "\\" + name, className.empty() ? nullptr : className.c_str());
            known->push_back(name);
        } else if (operation == 1) {
            // A run of siblings, so that a search has a list to halve.
            const std::string stem = PickName(data, *known).substr(0, 8);
            const int count = data.ConsumeIntegralInRange<int>(1, 64);
            for (int k = 0; k < count; ++k) fakewin::CreateKey(parent + "\\" + stem + std::to_string(k));
        } else {
            std::string name = PickName(data, *known);
            DWORD type = kTypes[data.ConsumeIntegralInRange<int>(0, 5)];
            std::string bytes = data.ConsumeRandomLengthString(400);
            fakewin::SetValue(parent, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
            known->push_back(name);
        }
    }
}

void CheckRead(FuzzedDataProvider &data, const std::vector<std::string> &known, UINT maxCharSize)
{
    std::string root;
    std::vector<std::string> components;
    std::string path = MakeKeyPath(data, known, &root, &components);
    std::string valueName = PickName(data, known);
    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    const int rootClosesBefore = fakewin::RootCloseCount();

    int exists = ReadRegistryValue(path.c_str(), nullptr, nullptr, kValueNone);
    char text[256 + 16];
    memset(text, 0xBD, sizeof text);
    int foundText = ReadRegistryValue(path.c_str(), valueName.c_str(), text, kValueString);
    DWORD number = 0xBDBDBDBD;
    int foundNumber = ReadRegistryValue(path.c_str(), valueName.c_str(), &number, kValueDword);

    // Without the code page's character size the walk cannot prove a search right and
    // enumerates from the first subkey on, as it always did: the answers must agree.
    fakewin::SetAnsiMaxCharSize(0);
    char slowText[kRegTextSize + 16];
    memset(slowText, 0xBD, sizeof slowText);
    DWORD slowNumber = 0xBDBDBDBD;
    FUZZ_CHECK(ReadRegistryValue(path.c_str(), nullptr, nullptr, kValueNone) == exists);
    FUZZ_CHECK(ReadRegistryValue(path.c_str(), valueName.c_str(), slowText, kValueString) == foundText);
    FUZZ_CHECK(ReadRegistryValue(path.c_str(), valueName.c_str(), &slowNumber, kValueDword) == foundNumber);
    FUZZ_CHECK(memcmp(slowText, text, sizeof text) == 0 && slowNumber == number);
    fakewin::SetAnsiMaxCharSize(maxCharSize);

    fuzz::CheckHandles();
    FUZZ_CHECK(fakewin::RootCloseCount() == rootClosesBefore);
    FUZZ_CHECK(fakewin::SnapshotRegistry() == before);
    // A value can only be found in a key that exists, and both reads agree.
    FUZZ_CHECK(exists || !foundText);
    FUZZ_CHECK(foundText == foundNumber);
    for (size_t i = 256; i < sizeof text; ++i) FUZZ_CHECK(static_cast<unsigned char>(text[i]) == 0xBD);
    if (foundText && static_cast<unsigned char>(text[0]) != 0xBD) FUZZ_CHECK(memchr(text, 0, 256) != nullptr);
    if (components.empty() || !IsRootName(root)) FUZZ_CHECK(!exists);

    // Several values in one walk answer as one walk each.
    const std::string names[3] = {valueName, PickName(data, known), PickName(data, known)};
    char texts[3][256];
    RegistryRequest requests[3];
    for (int i = 0; i < 3; ++i) {
        memset(texts[i], 0xBD, sizeof texts[i]);
        requests[i] = {names[i].c_str(), texts[i], kValueString, 0};
    }
    FUZZ_CHECK(ReadRegistryValues(path.c_str(), requests, 3) == exists);
    for (int i = 0; i < 3; ++i) {
        char single[256];
        memset(single, 0xBD, sizeof single);
        FUZZ_CHECK(ReadRegistryValue(path.c_str(), names[i].c_str(), single, kValueString) == requests[i].found);
        FUZZ_CHECK(memcmp(single, texts[i], sizeof single) == 0);
    }
    fuzz::CheckHandles();
    FUZZ_CHECK(fakewin::RootCloseCount() == rootClosesBefore);
}

void CheckWrite(FuzzedDataProvider &data, const std::vector<std::string> &known)
{
    std::string root;
    std::vector<std::string> components;
    std::string path = MakeKeyPath(data, known, &root, &components);
    std::string valueName = PickName(data, known);
    std::string text = data.ConsumeRandomLengthString(300);
    text = text.c_str();
    // A failure the input places at one key of the path: creating it, or setting a
    // value in it, which fails the write when that key is the last one.
    const size_t depth = components.empty() || !data.ConsumeBool() ? 0 : data.ConsumeIntegralInRange<size_t>(1, components.size());
    const bool createFails = depth > 0 && data.ConsumeBool();
    std::string faulted = root;
    for (size_t i = 0; i < depth; ++i) faulted += "\\" + components[i];
    if (depth > 0)
        fakewin::FailRegistry(createFails ? fakewin::RegistryCall::kCreate : fakewin::RegistryCall::kSetValue, faulted);
    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    int result = WriteRegistryString(path.c_str(), valueName.c_str(), text.c_str(), 1);
    fuzz::CheckHandles();
    if (components.empty() || !IsRootName(root) || createFails || (depth > 0 && depth == components.size()))
        FUZZ_CHECK(result == 0);

    fuzz::Snapshot added, removed;
    fuzz::Diff(before, fakewin::SnapshotRegistry(), &added, &removed);
    std::string target = fuzz::Fold(root);
    for (const std::string &component : components) target += "\\" + fuzz::Fold(component);
    auto onTarget = [&](const fakewin::RegistryEntry &entry) {
        return entry.isValue && fuzz::Fold(entry.keyPath) == target &&
               fuzz::Fold(entry.valueName) == fuzz::Fold(valueName);
    };
    int values = 0;
    for (const fakewin::RegistryEntry &entry : added) {
        if (!entry.isValue) {
            // A new key lies on the path: the target itself or a key above it.
            std::string key = fuzz::Fold(entry.keyPath);
            FUZZ_CHECK(target.compare(0, key.size(), key) == 0 &&
                       (key.size() == target.size() || target[key.size()] == '\\'));
            FUZZ_CHECK(entry.className.empty());
            // Nothing is created from the key whose creation failed on.
            FUZZ_CHECK(!createFails || static_cast<size_t>(std::count(key.begin(), key.end(), '\\')) < depth);
        } else {
            ++values;
            FUZZ_CHECK(onTarget(entry));
            FUZZ_CHECK(entry.type == REG_SZ && entry.data == text + std::string(1, '\0'));
        }
    }
    // The one value is replaced, or stays as it was when it held the same text.
    FUZZ_CHECK(values <= 1);
    FUZZ_CHECK(removed.size() <= static_cast<size_t>(values));
    for (const fakewin::RegistryEntry &entry : removed) FUZZ_CHECK(onTarget(entry));
    if (result)
        FUZZ_CHECK(path.size() < 256);
    else
        FUZZ_CHECK(values == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    fakewin::Reset();
    fakewin::KeepCallLog(false);
    const fakewin::KeyOrder orders[] = {fakewin::KeyOrder::kWindows, fakewin::KeyOrder::kWine,
                                        fakewin::KeyOrder::kCreation};
    fakewin::SetKeyOrder(orders[data.ConsumeIntegralInRange<int>(0, 2)]);
    // Code page 932's two bytes, or four as in UTF-8: either bounds the stand-in's
    // Shift-JIS names. One byte would not, so it is left to the unit tests' worlds
    // of single-byte names.
    const UINT maxCharSize = data.ConsumeBool() ? 4 : 2;
    fakewin::SetAnsiMaxCharSize(maxCharSize);
    std::vector<std::string> known;
    Shape(data, &known);
    while (data.remaining_bytes() > 0) {
        if (data.ConsumeBool())
            CheckRead(data, known, maxCharSize);
        else
            CheckWrite(data, known);
    }
    return 0;
}
