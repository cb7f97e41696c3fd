// The ANSI code page, and the stand-in's name comparison and path splitting under it.
#include "fakewin.h"
#include "internal.h"

namespace fakewin {

UINT ansiCodePage;
UINT ansiMaxCharSize;  // GetCPInfo's answer, which a test may set apart from the code page

void SetAnsiCodePage(UINT codePage)
{
    ansiCodePage = codePage;
    // Every double-byte code page the stand-in knows has 0x81 among its lead bytes.
    ansiMaxCharSize = internal::IsLeadByte(0x81) ? 2 : 1;
}

namespace internal {

// The second byte of a double-byte character is not a letter, even when its value
// falls into 'a'..'z'.
std::string Folded(const std::string &name, bool toUpper)
{
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(folded[i]);
        if (IsLeadByte(c))
            ++i;
        else if (toUpper && c >= 'a' && c <= 'z')
            folded[i] = static_cast<char>(c - 'a' + 'A');
        else if (!toUpper && c >= 'A' && c <= 'Z')
            folded[i] = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

bool IsLeadByte(unsigned char c)
{
    switch (ansiCodePage) {
    case 932:  // Shift-JIS; A1-DF are the single-byte half-width katakana
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936: case 949: case 950:  // GBK, Unified Hangul, Big5
        return c >= 0x81 && c <= 0xFE;
    default:  // single-byte code pages such as 1252
        return false;
    }
}

bool SameName(const std::string &a, const std::string &b) { return Folded(a, true) == Folded(b, true); }

size_t CharCount(const std::string &text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    }
    return count;
}

std::vector<std::string> SplitPath(const std::string &path, bool slashToo)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
            parts.back() += c;
            parts.back() += path[++i];
        } else if (c == '\\' || (slashToo && c == '/')) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

}  // namespace internal

void SetAnsiMaxCharSize(UINT size) { ansiMaxCharSize = size; }

}  // namespace fakewin

BOOL WINAPI IsDBCSLeadByte(BYTE testChar)
{
    fakewin::internal::LogCall("IsDBCSLeadByte");
    return fakewin::internal::IsLeadByte(testChar) ? TRUE : FALSE;
}

// Only the ANSI code page's largest character: all that the core asks of it.
BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info)
{
    fakewin::internal::LogCall("GetCPInfo");
    const UINT size = fakewin::ansiMaxCharSize;
    if (info == nullptr || codePage != CP_ACP || size == 0) return FALSE;
    *info = CPINFO{};
    info->MaxCharSize = size;
    return TRUE;
}
