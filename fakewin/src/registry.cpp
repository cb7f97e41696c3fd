// The registry: four predefined roots, subkeys listed in the order SetKeyOrder chooses,
// values in creation order, and handles that are counted so tests can prove every key
// was closed exactly once.
#include <algorithm>
#include <map>
#include <memory>
#include <string.h>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

using internal::SameName;

namespace {

// The platform's limit on one key name, in characters.
const size_t kMaxKeyNameChars = 255;

struct Value {
    std::string name;
    DWORD type;
    std::string data;
};

struct Key {
    std::string name;
    std::string className;
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

const char *const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                  "HKEY_USERS"};
const ULONG_PTR kFirstRoot = 0x80000000u;
const ULONG_PTR kRootCount = 4;
// Handle values as the platform hands them out: small multiples of 4, never reused
// within a test so that a second close is always noticed.
const ULONG_PTR kFirstHandle = 0x100;

Key roots[kRootCount];
std::map<ULONG_PTR, Key *> openKeys;
ULONG_PTR nextHandle;
int badCloses;
int rootCloses;
std::vector<Fault> faults;
KeyOrder keyOrder;
unsigned long keysCreated;

std::string FullPath(const Key *key)
{
    std::string path = key->name;
    for (const Key *k = key->parent; k != nullptr; k = k->parent)
        path = k->name + "\\" + path;
    return path;
}

// Test paths: a root name and keys below it; separators at either end are ignored
// (a 5C that is the second byte of a double-byte character is not one).
std::vector<std::string> TestPathParts(const std::string &keyPath)
{
    std::vector<std::string> parts = internal::SplitPath(keyPath, false);
    while (parts.size() > 1 && parts.front().empty())
        parts.erase(parts.begin());
    while (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
    return parts;
}

std::string NormalisedPath(const std::string &keyPath)
{
    std::string path;
    for (const std::string &part : TestPathParts(keyPath))
        path += (path.empty() ? "" : "\\") + part;
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
    for (const Fault &fault : faults) {
        if (fault.call == call && SameName(fault.keyPath, keyPath))
            return fault.error;
    }
    return ERROR_SUCCESS;
}

Key *Resolve(HKEY handle)
{
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    if (value >= kFirstRoot && value < kFirstRoot + kRootCount)
        return &roots[value - kFirstRoot];
    auto found = openKeys.find(value);
    return found == openKeys.end() ? nullptr : found->second;
}

HKEY NewHandle(Key *key)
{
    ULONG_PTR value = nextHandle;
    nextHandle += 4;
    openKeys[value] = key;
    return reinterpret_cast<HKEY>(value);
}

Key *FindSubkey(Key *key, const std::string &name)
{
    for (auto &subkey : key->subkeys) {
        if (SameName(subkey->name, name))
            return subkey.get();
    }
    return nullptr;
}

bool ListedBefore(const Key &a, const Key &b)
{
    switch (keyOrder) {
    case KeyOrder::kWindows: return internal::CompareNames(a.name, b.name) < 0;
    case KeyOrder::kWine: return internal::CompareNamesLowerFolded(a.name, b.name) < 0;
    default: return a.created < b.created;
    }
}

void SortSubkeys(Key *key)
{
    std::stable_sort(key->subkeys.begin(), key->subkeys.end(),
                     [](const std::unique_ptr<Key> &a, const std::unique_ptr<Key> &b) {
                         return ListedBefore(*a, *b);
                     });
    for (auto &subkey : key->subkeys)
        SortSubkeys(subkey.get());
}

Key *AddSubkey(Key *key, const std::string &name, const std::string &className)
{
    auto subkey = std::make_unique<Key>();
    subkey->name = name;
    subkey->className = className;
    subkey->parent = key;
    subkey->created = ++keysCreated;
    Key *added = subkey.get();
    auto place = key->subkeys.begin();
    while (place != key->subkeys.end() && ListedBefore(**place, *added))
        ++place;
    key->subkeys.insert(place, std::move(subkey));
    return added;
}

// The components of a subkey argument: none for null or "", trailing separators
// ignored as the platform does; a leading or doubled separator is a bad path.
LONG SplitSubkey(LPCSTR subKey, std::vector<std::string> *components)
{
    components->clear();
    if (subKey == nullptr || *subKey == '\0')
        return ERROR_SUCCESS;
    std::vector<std::string> parts = internal::SplitPath(subKey, false);
    while (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
    for (const std::string &part : parts) {
        if (part.empty())
            return ERROR_BAD_PATHNAME;
        if (internal::CharCount(part) > kMaxKeyNameChars)
            return ERROR_INVALID_PARAMETER;
    }
    *components = parts;
    return ERROR_SUCCESS;
}

std::string JoinPath(const Key *key, const std::vector<std::string> &components)
{
    std::string path = FullPath(key);
    for (const std::string &component : components)
        path += "\\" + component;
    return path;
}

Value *FindValue(Key *key, const std::string &name)
{
    for (Value &value : key->values) {
        if (SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

Key *KeyAt(const std::string &keyPath, bool create, const char *className)
{
    std::vector<std::string> parts = TestPathParts(keyPath);
    Key *key = nullptr;
    for (ULONG_PTR i = 0; i < kRootCount; ++i) {
        if (parts[0] == kRootNames[i])
            key = &roots[i];
    }
    for (size_t i = 1; key != nullptr && i < parts.size(); ++i) {
        if (parts[i].empty() || internal::CharCount(parts[i]) > kMaxKeyNameChars)
            return nullptr;
        Key *next = FindSubkey(key, parts[i]);
        if (next == nullptr && create) {
            bool last = i + 1 == parts.size();
            next = AddSubkey(key, parts[i], last && className != nullptr ? className : "");
        }
        key = next;
    }
    return key;
}

}  // namespace

namespace internal {

void ResetRegistry()
{
    keyOrder = KeyOrder::kWindows;
    keysCreated = 0;
    for (ULONG_PTR i = 0; i < kRootCount; ++i) {
        roots[i] = Key();
        roots[i].name = kRootNames[i];
    }
    // Every system has these two; tests of other roots may rely on them.
    AddSubkey(&roots[1], "Software", "");  // HKEY_CURRENT_USER
    AddSubkey(&roots[2], "Software", "");  // HKEY_LOCAL_MACHINE
    openKeys.clear();
    nextHandle = kFirstHandle;
    badCloses = 0;
    rootCloses = 0;
    faults.clear();
}

}  // namespace internal

int OpenKeyCount()
{
    return static_cast<int>(openKeys.size());
}

int BadKeyCloseCount()
{
    return badCloses;
}

int RootCloseCount()
{
    return rootCloses;
}

void SetKeyOrder(KeyOrder order)
{
    keyOrder = order;
    for (Key &root : roots)
        SortSubkeys(&root);
}

void FailRegistry(RegistryCall call, const std::string &keyPath, LONG error)
{
    faults.push_back({call, NormalisedPath(keyPath), error});
}

bool CreateKey(const std::string &keyPath, const char *className)
{
    return KeyAt(keyPath, true, className) != nullptr;
}

bool KeyExists(const std::string &keyPath)
{
    return KeyAt(keyPath, false, nullptr) != nullptr;
}

void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const void *data,
              DWORD size)
{
    Key *key = KeyAt(keyPath, true, nullptr);
    if (key == nullptr)
        return;
    std::string bytes(static_cast<const char *>(data), size);
    if (Value *value = FindValue(key, name)) {
        value->type = type;
        value->data = bytes;
    } else {
        key->values.push_back({name, type, bytes});
    }
}

void SetString(const std::string &keyPath, const std::string &name, const std::string &text)
{
    SetValue(keyPath, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetDword(const std::string &keyPath, const std::string &name, DWORD number)
{
    SetValue(keyPath, name, REG_DWORD, &number, sizeof number);
}

bool GetValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    Value *value = key ? FindValue(key, name) : nullptr;
    if (value == nullptr)
        return false;
    if (type != nullptr)
        *type = value->type;
    if (data != nullptr)
        *data = value->data;
    return true;
}

int CountValues(const std::string &keyPath)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    return key ? static_cast<int>(key->values.size()) : -1;
}

namespace {

void SnapshotKey(const Key &key, const std::string &path, std::vector<RegistryEntry> *entries)
{
    entries->push_back({path, key.className, false, "", 0, ""});
    for (const Value &value : key.values)
        entries->push_back({path, "", true, value.name, value.type, value.data});
    for (const std::unique_ptr<Key> &subkey : key.subkeys)
        SnapshotKey(*subkey, path + "\\" + subkey->name, entries);
}

}  // namespace

bool RegistryEntry::operator==(const RegistryEntry &other) const
{
    return keyPath == other.keyPath && className == other.className && isValue == other.isValue &&
           valueName == other.valueName && type == other.type && data == other.data;
}

bool RegistryEntry::operator<(const RegistryEntry &other) const
{
    if (keyPath != other.keyPath)
        return keyPath < other.keyPath;
    if (isValue != other.isValue)
        return isValue < other.isValue;
    if (valueName != other.valueName)
        return valueName < other.valueName;
    if (className != other.className)
        return className < other.className;
    if (type != other.type)
        return type < other.type;
    return data < other.data;
}

std::vector<RegistryEntry> SnapshotRegistry()
{
    std::vector<RegistryEntry> entries;
    for (const Key &root : roots)
        SnapshotKey(root, root.name, &entries);
    return entries;
}

int CountSubkeys(const std::string &keyPath)
{
    Key *key = KeyAt(keyPath, false, nullptr);
    return key ? static_cast<int>(key->subkeys.size()) : -1;
}

}  // namespace fakewin

using namespace fakewin;

LONG WINAPI RegOpenKeyExA(HKEY handle, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    internal::PlatformCall platformCall("RegOpenKeyExA");
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> components;
    if (LONG status = SplitSubkey(subKey, &components))
        return status;
    for (const std::string &component : components) {
        key = FindSubkey(key, component);
        if (key == nullptr)
            return ERROR_FILE_NOT_FOUND;
    }
    if (LONG status = FaultFor(RegistryCall::kOpen, FullPath(key)))
        return status;
    *result = NewHandle(key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY handle, LPCSTR subKey, DWORD, LPSTR className, DWORD, REGSAM,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    internal::PlatformCall platformCall("RegCreateKeyExA");
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> components;
    if (LONG status = SplitSubkey(subKey, &components))
        return status;
    if (LONG status = FaultFor(RegistryCall::kCreate, JoinPath(key, components)))
        return status;
    DWORD outcome = REG_OPENED_EXISTING_KEY;
    for (size_t i = 0; i < components.size(); ++i) {
        Key *next = FindSubkey(key, components[i]);
        if (next == nullptr) {
            bool last = i + 1 == components.size();
            next = AddSubkey(key, components[i], last && className != nullptr ? className : "");
            outcome = REG_CREATED_NEW_KEY;
        }
        key = next;
    }
    if (disposition != nullptr)
        *disposition = outcome;
    *result = NewHandle(key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD,
                          LPSTR className, LPDWORD classLength, PFILETIME lastWrite)
{
    internal::PlatformCall platformCall("RegEnumKeyExA");
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameLength == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (index >= key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    const Key &subkey = *key->subkeys[index];
    // Counts include the terminator, so a name must be shorter than its buffer.
    if (subkey.name.size() >= *nameLength)
        return ERROR_MORE_DATA;
    bool wantClass = className != nullptr && classLength != nullptr;
    if (wantClass && subkey.className.size() >= *classLength)
        return ERROR_MORE_DATA;
    memcpy(name, subkey.name.c_str(), subkey.name.size() + 1);
    *nameLength = static_cast<DWORD>(subkey.name.size());
    if (wantClass) {
        memcpy(className, subkey.className.c_str(), subkey.className.size() + 1);
        *classLength = static_cast<DWORD>(subkey.className.size());
    }
    if (lastWrite != nullptr)
        *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD,
                          LPDWORD type, LPBYTE data, LPDWORD dataLength)
{
    internal::PlatformCall platformCall("RegEnumValueA");
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameLength == nullptr || (data != nullptr && dataLength == nullptr))
        return ERROR_INVALID_PARAMETER;
    if (index >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value &value = key->values[index];
    if (value.name.size() >= *nameLength)
        return ERROR_MORE_DATA;
    DWORD size = static_cast<DWORD>(value.data.size());
    DWORD needed = size + (NeedsTerminator(value) ? 1 : 0);
    if (data != nullptr && needed > *dataLength) {
        // The caller learns the size it needs; the buffers stay as they were.
        *dataLength = needed;
        if (type != nullptr)
            *type = value.type;
        return ERROR_MORE_DATA;
    }
    memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = static_cast<DWORD>(value.name.size());
    if (type != nullptr)
        *type = value.type;
    if (data != nullptr) {
        memcpy(data, value.data.data(), size);
        if (needed > size)
            data[size] = 0;
    }
    if (dataLength != nullptr)
        *dataLength = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE *data,
                           DWORD dataLength)
{
    internal::PlatformCall platformCall("RegSetValueExA");
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (data == nullptr && dataLength != 0)
        return ERROR_INVALID_PARAMETER;
    if (LONG status = FaultFor(RegistryCall::kSetValue, FullPath(key)))
        return status;
    std::string name = valueName ? valueName : "";
    std::string bytes(reinterpret_cast<const char *>(data), data ? dataLength : 0);
    // An existing value keeps the spelling of its name; only type and data change.
    if (Value *value = FindValue(key, name)) {
        value->type = type;
        value->data = bytes;
    } else {
        key->values.push_back({name, type, bytes});
    }
    return ERROR_SUCCESS;
}

// Lengths in characters, as the platform counts the UTF-16 names it stores: a
// double-byte character counts once, so a name may take up to twice as many bytes
// in an ANSI buffer.
LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR className, LPDWORD classLength, LPDWORD,
                             LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength,
                             LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptor, PFILETIME lastWrite)
{
    internal::PlatformCall platformCall("RegQueryInfoKeyA");
    Key *key = Resolve(handle);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (className != nullptr && classLength == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (LONG status = FaultFor(RegistryCall::kQueryInfo, FullPath(key)))
        return status;
    if (className != nullptr) {
        if (key->className.size() >= *classLength)
            return ERROR_MORE_DATA;
        memcpy(className, key->className.c_str(), key->className.size() + 1);
    }
    if (classLength != nullptr)
        *classLength = static_cast<DWORD>(key->className.size());
    DWORD longestName = 0;
    DWORD longestClass = 0;
    for (const auto &subkey : key->subkeys) {
        longestName = std::max(longestName, static_cast<DWORD>(internal::CharCount(subkey->name)));
        longestClass = std::max(longestClass, static_cast<DWORD>(internal::CharCount(subkey->className)));
    }
    DWORD longestValueName = 0;
    DWORD longestData = 0;
    for (const Value &value : key->values) {
        longestValueName = std::max(longestValueName, static_cast<DWORD>(internal::CharCount(value.name)));
        longestData = std::max(longestData, static_cast<DWORD>(value.data.size()));
    }
    if (subKeys != nullptr)
        *subKeys = static_cast<DWORD>(key->subkeys.size());
    if (maxSubKeyLength != nullptr)
        *maxSubKeyLength = longestName;
    if (maxClassLength != nullptr)
        *maxClassLength = longestClass;
    if (values != nullptr)
        *values = static_cast<DWORD>(key->values.size());
    if (maxValueNameLength != nullptr)
        *maxValueNameLength = longestValueName;
    if (maxValueLength != nullptr)
        *maxValueLength = longestData;
    if (securityDescriptor != nullptr)
        *securityDescriptor = 0;
    if (lastWrite != nullptr)
        *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY handle)
{
    internal::PlatformCall platformCall("RegCloseKey");
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    // Closing a predefined root is allowed and leaves it usable.
    if (value >= kFirstRoot && value < kFirstRoot + kRootCount) {
        ++rootCloses;
        return ERROR_SUCCESS;
    }
    if (openKeys.erase(value) == 0) {
        ++badCloses;
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}
