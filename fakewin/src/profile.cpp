// GetPrivateProfileStringA over the in-memory file system, by the platform's INI
// rules: names without regard to case, blanks and one pair of quotes around a value
// removed, the first matching section and key win, results cut to the buffer.
#include <string.h>

#include <algorithm>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {
namespace {

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

const char kBlanks[] = " \t";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string Trim(const std::string &text)
{
    size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(kBlanks);
    return text.substr(begin, end - begin + 1);
}

std::string Unquote(const std::string &value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Lines end at LF, CR LF or a lone CR. Lines before the first section header belong
// to no section; a line without "=" names no value.
std::vector<Section> Parse(std::string text)
{
    if (text.compare(0, 3, kUtf8Bom) == 0)
        text.erase(0, 3);
    std::vector<Section> sections;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            if (close != std::string::npos)
                sections.push_back({Trim(line.substr(1, close - 1)), {}});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos || sections.empty())
            continue;
        sections.back().entries.push_back(
            {Trim(line.substr(0, equals)), Unquote(Trim(line.substr(equals + 1)))});
    }
    return sections;
}

// Copies a text cut to the buffer: at most size - 1 characters and a terminator.
DWORD CopyText(const std::string &text, LPSTR result, DWORD size)
{
    DWORD length = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
    memcpy(result, text.data(), length);
    result[length] = '\0';
    return length;
}

// Copies a list of names, each with its terminator and one more after the last.
// A list that does not fit is cut and the result is size - 2, as the platform reports.
DWORD CopyList(const std::vector<std::string> &names, LPSTR result, DWORD size)
{
    std::string list;
    for (const std::string &name : names)
        list += name + '\0';
    if (list.size() + 1 <= size) {
        memcpy(result, list.data(), list.size());
        result[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        result[0] = '\0';
        return 0;
    }
    memcpy(result, list.data(), size - 2);
    result[size - 2] = '\0';
    result[size - 1] = '\0';
    return size - 2;
}

}  // namespace
}  // namespace fakewin

using namespace fakewin;

DWORD WINAPI GetPrivateProfileStringA(LPCSTR sectionName, LPCSTR keyName, LPCSTR defaultText,
                                      LPSTR result, DWORD size, LPCSTR fileName)
{
    internal::PlatformCall platformCall("GetPrivateProfileStringA");
    if (result == nullptr || size == 0)
        return 0;
    // The platform cuts blanks off the end of the default text.
    std::string fallback = defaultText ? defaultText : "";
    fallback.erase(fallback.find_last_not_of(' ') + 1);
    std::string path = fileName ? fileName : "";
    // A bare file name is looked for in the Windows folder.
    if (path.find_first_of("\\/") == std::string::npos)
        path = "C:\\WINDOWS\\" + path;
    std::string contents;
    std::vector<Section> sections;
    if (internal::ReadFileText(path, &contents))
        sections = Parse(contents);
    if (sectionName == nullptr) {
        std::vector<std::string> names;
        for (const Section &section : sections)
            names.push_back(section.name);
        return CopyList(names, result, size);
    }
    for (const Section &section : sections) {
        if (!internal::SameName(section.name, sectionName))
            continue;
        if (keyName == nullptr) {
            std::vector<std::string> names;
            for (const Entry &entry : section.entries)
                names.push_back(entry.key);
            return CopyList(names, result, size);
        }
        for (const Entry &entry : section.entries) {
            if (internal::SameName(entry.key, keyName))
                return CopyText(entry.value, result, size);
        }
        break;
    }
    if (keyName == nullptr)
        return CopyList({}, result, size);
    return CopyText(fallback, result, size);
}
