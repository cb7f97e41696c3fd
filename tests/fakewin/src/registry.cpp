// The registry: four roots, subkeys in the order SetKeyOrder chooses, values as created,
// and handles counted so that tests prove every key closed exactly once.
#include <algorithm>
#include <map>
#include <memory>
#include <string.h>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

using internal::SameName;

namespace {

const size_t kMaxKeyNameChars = 255;  // the platform's limit on one key name

struct Value {
    std::string name;
    DWORD type;
    std::string data;
};

struct Key {
    std::string name, className;
    unsigned long created = 0;  // the order of creation, for KeyOrder::kCreation
    Key *parent = nullptr;
    std::vector<std::unique_ptr<Key>> subkeys;  // kept in the chosen listing order
    std::vector<Value> values;                  // in creation order
};

struct Fault {
    RegistryCall call;
    std::string keyPath;
    LONG error;
};

const char *const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
const ULONG_PTR kFirstRoot = 0x80000000u, kRootCount = 4;
// Small multiples of 4 as the platform's, never reused: a second close is always noticed.
const ULONG_PTR kFirstHandle = 0x100;

struct State {
    Key roots[kRootCount];
    std::map<ULONG_PTR, Key *> openKeys;
    ULONG_PTR nextHandle = kFirstHandle;
    int badCloses = 0, rootCloses = 0;
    std::vector<Fault> faults;
    KeyOrder keyOrder = KeyOrder::kWindows;
    unsigned long keysCreated = 0;
};
State reg;

std::string FullPath(const Key *key)
{
    std::string path = key->name;
    for (const Key *k = key->parent; k != nullptr; k = k->parent) path = k->name + "\\" + path;
    return path;
}

// The platform stores strings as UTF-16 and converts them for the ANSI calls; an
// entry whose text lacks its terminator needs room for one in the caller's buffer
// (measured under Wine), and gets it.
bool NeedsTerminator(const Value &value)
{
    bool isString = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
    return isString && !value.data.empty() && value.data.back() != '\0';
}

LONG FaultFor(RegistryCall call, const std::string &keyPath)
{
    for (const Fault &fault : reg.faults)
        if (fault.call == call && SameName(fault.keyPath, keyPath)) return fault.error;
    return ERROR_SUCCESS;
}

Key *Resolve(HKEY handle)
{
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    if (value >= kFirstRoot && value < kFirstRoot + kRootCount) return &reg.roots[value - kFirstRoot];
    auto found = reg.openKeys.find(value);
    return found == reg.openKeys.end() ? nullptr : found->second;
}

HKEY NewHandle(Key *key)
{
    ULONG_PTR value = reg.nextHandle;
    reg.nextHandle += 4;
    reg.openKeys[value] = key;
    return reinterpret_cast<HKEY>(value);
}

Key *FindSubkey(Key *key, const std::string &name)
{
    for (auto &subkey : key->subkeys)
        if (SameName(subkey->name, name)) return subkey.get();
    return nullptr;
}

bool ListedBefore(const Key &a, const Key &b)
{
    switch (reg.keyOrder) {
    case KeyOrder::kWindows: return internal::Folded(a.name) < internal::Folded(b.name);
    case KeyOrder::kWine: return internal::Folded(a.name, false) < internal::Folded(b.name, false);
    default: return a.created < b.created;
    }
}

void SortSubkeys(Key *key)
{
    std::stable_sort(key->subkeys.begin(), key->subkeys.end(),
                     [](const auto &a, const auto &b) { return ListedBefore(*a, *b); });
    for (auto &subkey : key->subkeys) SortSubkeys(subkey.get());
}

Key *AddSubkey(Key *key, const std::string &name, const std::string &className)
{
    auto subkey = std::make_unique<Key>(Key{name, className, ++reg.keysCreated, key, {}, {}});
    Key *added = subkey.get();
    auto place = key->subkeys.begin();
    while (place != key->subkeys.end() && ListedBefore(**place, *added)) ++place;
    key->subkeys.insert(place, std::move(subkey));
    return added;
}

// The components of a subkey argument: none for null or "", trailing separators
// ignored as the platform does; a leading or doubled separator is a bad path.
LONG SplitSubkey(LPCSTR subKey, std::vector<std::string> *components)
{
    components->clear();
    if (subKey == nullptr || *subKey == '\0') return ERROR_SUCCESS;
    std::vector<std::string> parts = internal::SplitPath(subKey, false);
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    for (const std::string &part : parts) {
        if (part.empty()) return ERROR_BAD_PATHNAME;
        if (internal::CharCount(part) > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
    }
    *components = parts;
    return ERROR_SUCCESS;
}

std::string JoinPath(const Key *key, const std::vector<std::string> &components)
{
    std::string path = FullPath(key);
    for (const std::string &component : components) path += "\\" + component;
    return path;
}

Value *FindValue(Key *key, const std::string &name)
{
    for (Value &value : key->values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

// An existing value keeps the spelling of its name; only type and data change.
void StoreValue(Key *key, const std::string &name, DWORD type, const std::string &bytes)
{
    if (Value *value = FindValue(key, name))
        *value = {value->name, type, bytes};
    else
        key->values.push_back({name, type, bytes});
}

// Below `key`, the subkeys that `components` name, created where missing when asked (the
// last with className); null where one is missing.
Key *Descend(Key *key, const std::vector<std::string> &components, bool create, const char *className)
{
    for (size_t i = 0; key != nullptr && i < components.size(); ++i) {
        Key *next = FindSubkey(key, components[i]);
        if (next == nullptr && create) {
            bool last = i + 1 == components.size();
            next = AddSubkey(key, components[i], last && className != nullptr ? className : "");
        }
        key = next;
    }
    return key;
}

Key *KeyAt(const std::string &keyPath, bool create, const char *className)
{
    // Root names are ASCII: the first 5C ends one.
    const size_t split = keyPath.find('\\');
    std::vector<std::string> components;
    for (ULONG_PTR i = 0; i < kRootCount; ++i) {
        if (keyPath.compare(0, split, kRootNames[i]) == 0 &&
            (split == std::string::npos || SplitSubkey(keyPath.c_str() + split + 1, &components) == ERROR_SUCCESS))
            return Descend(&reg.roots[i], components, create, className);
    }
    return nullptr;
}

}  // namespace

namespace internal {

void ResetRegistry()
{
    reg = State();
    for (ULONG_PTR i = 0; i < kRootCount; ++i) reg.roots[i].name = kRootNames[i];
    // Every system has these two; tests of other roots may rely on them.
    AddSubkey(&reg.roots[1], "Software", "");  // HKEY_CURRENT_USER
    AddSubkey(&reg.roots[2], "Software", "");  // HKEY_LOCAL_MACHINE
}

}  // namespace internal

int OpenKeyCount() { return static_cast<int>(reg.openKeys.size()); }

int BadKeyCloseCount() { return reg.badCloses; }

int RootCloseCount() { return reg.rootCloses; }

void SetKeyOrder(KeyOrder order)
{
    reg.keyOrder = order;
    for (Key &root : reg.roots) SortSubkeys(&root);
}

void FailRegistry(RegistryCall call, const std::string &keyPath, LONG error)
{
    reg.faults.push_back({call, keyPath, error});
}

bool CreateKey(const std::string &keyPath, const char *className) { return KeyAt(keyPath, true, className) != nullptr; }

bool KeyExists(const std::string &keyPath) { return KeyAt(keyPath, false, nullptr) != nullptr; }

void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const void *data,
              DWORD size)
{
    Key *key = KeyAt(keyPath, true, nullptr);
    if (key == nullptr) return;
    StoreValue(key, name, type, std::string(static_cast<const char *>(data), size));
}

void SetString(const std::string &keyPath, const std::string &name, const std::string &text)
{
    SetValue(keyPath, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool GetValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    Value *value = key ? FindValue(key, name) : nullptr;
    if (value == nullptr) return false;
    if (type != nullptr) *type = value->type;
    if (data != nullptr) *data = value->data;
    return true;
}

int CountValues(const std::string &keyPath)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    return key ? static_cast<int>(key->values.size()) : -1;
}

static void SnapshotKey(const Key &key, const std::string &path, std::vector<RegistryEntry> *entries)
{
    entries->push_back({path, key.className, false, "", 0, ""});
    for (const Value &value : key.values)
        entries->push_back({path, "", true, value.name, value.type, value.data});
    for (const std::unique_ptr<Key> &subkey : key.subkeys)
        SnapshotKey(*subkey, path + "\\" + subkey->name, entries);
}


std::vector<RegistryEntry> SnapshotRegistry()
{
    std::vector<RegistryEntry> entries;
    for (const Key &root : reg.roots) SnapshotKey(root, root.name, &entries);
    return entries;
}

int CountSubkeys(const std::string &keyPath)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    return key ? static_cast<int>(key->subkeys.size()) : -1;
}

}  // namespace fakewin

using namespace fakewin;

// What RegOpenKeyExA and RegCreateKeyExA share: the key under `handle` that subKey
// names, into *result when found, made where missing when asked.
static LONG OpenOrCreate(const char *function, HKEY handle, LPCSTR subKey, bool create, LPSTR className, PHKEY result)
{
    internal::LogCall(function);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Key *key = Resolve(handle);
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    std::vector<std::string> components;
    if (LONG status = SplitSubkey(subKey, &components)) return status;
    if (create) {
        if (LONG status = FaultFor(RegistryCall::kCreate, JoinPath(key, components))) return status;
    }
    key = Descend(key, components, create, className);
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    if (LONG status = create ? ERROR_SUCCESS : FaultFor(RegistryCall::kOpen, FullPath(key))) return status;
    *result = NewHandle(key);
    return ERROR_SUCCESS;
}


LONG WINAPI RegOpenKeyExA(HKEY handle, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    return OpenOrCreate("RegOpenKeyExA", handle, subKey, false, nullptr, result);
}

LONG WINAPI RegCreateKeyExA(HKEY handle, LPCSTR subKey, DWORD, LPSTR className, DWORD, REGSAM,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD)
{
    return OpenOrCreate("RegCreateKeyExA", handle, subKey, true, className, result);
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD,
                          LPSTR className, LPDWORD classLength, PFILETIME)
{
    internal::LogCall("RegEnumKeyExA");
    Key *key = Resolve(handle);
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const Key &subkey = *key->subkeys[index];
    // Counts include the terminator, so a name must be shorter than its buffer.
    if (subkey.name.size() >= *nameLength) return ERROR_MORE_DATA;
    bool wantClass = className != nullptr && classLength != nullptr;
    if (wantClass && subkey.className.size() >= *classLength) return ERROR_MORE_DATA;
    memcpy(name, subkey.name.c_str(), subkey.name.size() + 1);
    *nameLength = static_cast<DWORD>(subkey.name.size());
    if (wantClass) {
        memcpy(className, subkey.className.c_str(), subkey.className.size() + 1);
        *classLength = static_cast<DWORD>(subkey.className.size());
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD,
                          LPDWORD type, LPBYTE data, LPDWORD dataLength)
{
    internal::LogCall("RegEnumValueA");
    Key *key = Resolve(handle);
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameLength == nullptr || (data != nullptr && dataLength == nullptr))
        return ERROR_INVALID_PARAMETER;
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value &value = key->values[index];
    if (value.name.size() >= *nameLength) return ERROR_MORE_DATA;
    DWORD size = static_cast<DWORD>(value.data.size());
    DWORD needed = size + (NeedsTerminator(value) ? 1 : 0);
    if (data != nullptr && needed > *dataLength) {
        // The caller learns the size it needs; the buffers stay as they were.
        *dataLength = needed;
        if (type != nullptr) *type = value.type;
        return ERROR_MORE_DATA;
    }
    memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = static_cast<DWORD>(value.name.size());
    if (type != nullptr) *type = value.type;
    if (data != nullptr) {
        memcpy(data, value.data.data(), size);
        if (needed > size) data[size] = 0;
    }
    if (dataLength != nullptr) *dataLength = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE *data,
                           DWORD dataLength)
{
    internal::LogCall("RegSetValueExA");
    Key *key = Resolve(handle);
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (data == nullptr && dataLength != 0) return ERROR_INVALID_PARAMETER;
    if (LONG status = FaultFor(RegistryCall::kSetValue, FullPath(key))) return status;
    StoreValue(key, valueName ? valueName : "", type,
               std::string(reinterpret_cast<const char *>(data), data ? dataLength : 0));
    return ERROR_SUCCESS;
}

// Only the subkey list's figures, which the walk reads; asking for the class or values
// fails loudly. Lengths in characters of the UTF-16 names the platform stores: a
// double-byte character counts once, and a name may take twice as many ANSI bytes.
LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR className, LPDWORD, LPDWORD, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD, PFILETIME)
{
    internal::LogCall("RegQueryInfoKeyA");
    Key *key = Resolve(handle);
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (className != nullptr || values != nullptr || maxValueNameLength != nullptr || maxValueLength != nullptr)
        return ERROR_INVALID_PARAMETER;
    if (LONG status = FaultFor(RegistryCall::kQueryInfo, FullPath(key))) return status;
    DWORD longestName = 0;
    DWORD longestClass = 0;
    for (const auto &subkey : key->subkeys) {
        longestName = std::max(longestName, static_cast<DWORD>(internal::CharCount(subkey->name)));
        longestClass = std::max(longestClass, static_cast<DWORD>(internal::CharCount(subkey->className)));
    }
    if (subKeys != nullptr) *subKeys = static_cast<DWORD>(key->subkeys.size());
    if (maxSubKeyLength != nullptr) *maxSubKeyLength = longestName;
    if (maxClassLength != nullptr) *maxClassLength = longestClass;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY handle)
{
    internal::LogCall("RegCloseKey");
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    // Closing a predefined root is allowed and leaves it usable.
    if (value >= kFirstRoot && value < kFirstRoot + kRootCount) {
        ++reg.rootCloses;
        return ERROR_SUCCESS;
    }
    if (reg.openKeys.erase(value) == 0) {
        ++reg.badCloses;
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}
