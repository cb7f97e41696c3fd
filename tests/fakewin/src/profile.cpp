// GetPrivateProfileStringA over the in-memory files by the platform's rules: names without
// case, blanks and one pair of quotes off, the first section and key win, cut to the buffer.
#include <string.h>

#include <algorithm>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {
namespace {

const char kBlanks[] = " \t";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string Trim(const std::string &text)
{
    size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(kBlanks);
    return text.substr(begin, end - begin + 1);
}

std::string Unquote(const std::string &value)
{
    const bool quoted = value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    return quoted ? value.substr(1, value.size() - 2) : value;
}

// The value of the key in the first section of that name, into *value when found.
// Lines end at LF, CR LF or a lone CR; lines before the first section header belong
// to no section, and a line without "=" names no value.
void FindValue(std::string text, const char *sectionName, const char *keyName, std::string *value)
{
    if (text.compare(0, 3, kUtf8Bom) == 0) text.erase(0, 3);
    bool inSection = false, sectionSeen = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        size_t close = line.find(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos) {
            // Only the first section of a name is read.
            if (sectionSeen) return;
            inSection = sectionSeen = internal::SameName(Trim(line.substr(1, close - 1)), sectionName);
            continue;
        }
        size_t equals = line.find('=');
        if (inSection && equals != std::string::npos && internal::SameName(Trim(line.substr(0, equals)), keyName)) {
            *value = Unquote(Trim(line.substr(equals + 1)));
            return;
        }
    }
}

}  // namespace
}  // namespace fakewin

using namespace fakewin;

// One key of one section: the tools never ask for the lists (a null section or key).
DWORD WINAPI GetPrivateProfileStringA(LPCSTR sectionName, LPCSTR keyName, LPCSTR defaultText,
                                      LPSTR result, DWORD size, LPCSTR fileName)
{
    internal::LogCall("GetPrivateProfileStringA");
    if (result == nullptr || size == 0) return 0;
    // The default stays when the file, the section or the key is missing.
    std::string value = defaultText ? defaultText : "";
    std::string contents;
    if (sectionName != nullptr && keyName != nullptr && fileName != nullptr &&
        internal::ReadFileText(fileName, &contents))
        FindValue(contents, sectionName, keyName, &value);
    // Cut to the buffer: at most size - 1 characters and a terminator.
    DWORD length = static_cast<DWORD>(std::min<size_t>(value.size(), size - 1));
    memcpy(result, value.data(), length);
    result[length] = '\0';
    return length;
}
