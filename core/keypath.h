// Registry access through key-path strings such as "\HKEY_CURRENT_USER\Software\Game".
#pragma once

#include <windows.h>

// What a caller asks ReadRegistryValue for.
enum RegistryValueType {
    kValueNone = 0,    // only test that the key exists
    kValueString = 1,  // REG_SZ text into a 256-byte destination
    kValueDword = 4,   // REG_DWORD into a DWORD
};

// Working copies of the path, terminator included. A longer path fails instead
// of being cut: a cut path names another key.
enum {
    kReadPathSize = 1024,
    kWritePathSize = 256,
    kRegNameUnit = 255,           // key, class and value name buffers, terminator included
    kRegDataUnit = 255,           // value data buffer
    kRegTextSize = kRegDataUnit + 1,  // a destination for kValueString
};

// One value wanted from a key: where its data goes, as what type, and whether it was found.
struct RegistryRequest {
    const char *valueName;
    void *dest;
    int type;
    int found;
};

int ReadRegistryValue(const char *keyPath, const char *valueName, void *dest, int type);
// Several values of one key with one walk and one pass over its values; each request
// is answered as ReadRegistryValue would answer it alone. 0 when the walk fails.
int ReadRegistryValues(const char *keyPath, RegistryRequest *requests, int count);
int WriteRegistryString(const char *keyPath, const char *valueName, const char *text,
                        int writeFlag);
