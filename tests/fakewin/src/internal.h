// What the stand-in's source files share: the call record, name rules and the
// per-area reset hooks that fakewin::Reset() runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fakewin {
namespace internal {

// Recorded at the top of every API function: its name in the call log and counts.
void LogCall(const char *function);

// Lead bytes of the ANSI code page: the byte after one belongs to the same character.
bool IsLeadByte(unsigned char c);
// The name with its ASCII letters in upper case, double-byte characters as they are.
std::string FoldedName(const std::string &name);
// Orders names by their ANSI bytes with the ASCII letters folded to upper case,
// double-byte characters compared as they are; 0 means the stand-in takes them for
// one name. The registry and NTFS compare UTF-16 names, which agrees for ASCII names.
int CompareNames(const std::string &a, const std::string &b);
// The same with the ASCII letters folded to lower case, as Wine folds subkey names.
int CompareNamesLowerFolded(const std::string &a, const std::string &b);
bool SameName(const std::string &a, const std::string &b);
// Characters, counting a double-byte character once.
size_t CharCount(const std::string &text);
// Splits at "\" (and "/" when asked) that are not the second byte of a double-byte
// character; empty parts are kept so callers can tell "a\\b" and "\\a" apart.
std::vector<std::string> SplitPath(const std::string &path, bool slashToo);

void ResetCodePage();
void ResetRegistry();
void ResetFiles();
void ResetWindows();

// Contents of a file of the in-memory file system; false if there is no such file.
bool ReadFileText(const std::string &path, std::string *contents);

}  // namespace internal
}  // namespace fakewin
