// What the stand-in's files share: the call record, name rules and the reset hooks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fakewin::internal {

// At the top of every API function: its name into the call log and counts.
void LogCall(const char *function);

// Lead bytes of the ANSI code page: the byte after one belongs to the same character.
bool IsLeadByte(unsigned char c);
// The name with its ASCII letters in upper (or lower) case, double-byte characters as
// they are: the registry and NTFS compare UTF-16 names, which agrees for ASCII names.
std::string Folded(const std::string &name, bool toUpper = true);
bool SameName(const std::string &a, const std::string &b);
// Characters, counting a double-byte character once.
size_t CharCount(const std::string &text);
// Splits at "\" (and "/") that are not a double-byte character's second byte; empty
// parts are kept, so callers tell "a\\b" from "\\a".
std::vector<std::string> SplitPath(const std::string &path, bool slashToo);

void ResetRegistry();
void ResetFiles();
void ResetWindows();

// Contents of a file; false if there is no such file.
bool ReadFileText(const std::string &path, std::string *contents);

}  // namespace fakewin::internal
