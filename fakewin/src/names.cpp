// The system's ANSI code page, and the stand-in's name comparison and path splitting
// under it.
#include "fakewin.h"
#include "internal.h"

namespace fakewin {

namespace {

UINT ansiCodePage;
UINT ansiMaxCharSize;  // GetCPInfo's answer, which a test may set apart from the code page

}  // namespace

void SetAnsiCodePage(UINT codePage)
{
    ansiCodePage = codePage;
    // Every double-byte code page the stand-in knows has 0x81 among its lead bytes.
    ansiMaxCharSize = internal::IsLeadByte(0x81) ? 2 : 1;
}

namespace internal {

namespace {

unsigned char FoldUpper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

unsigned char FoldLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int CompareFolded(const std::string &a, const std::string &b, unsigned char (*fold)(unsigned char))
{
    size_t i = 0;
    bool trail = false;  // a and b agree up to i, so they agree on where characters start
    for (; i < a.size() && i < b.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        // The second byte of a double-byte character is not a letter, even when its
        // value falls into 'a'..'z'.
        if (!trail) {
            ca = fold(ca);
            cb = fold(cb);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        trail = !trail && IsLeadByte(ca);
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

bool IsLeadByte(unsigned char c)
{
    switch (ansiCodePage) {
    case 932:  // Shift-JIS; A1-DF are the single-byte half-width katakana
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:  // GBK
    case 949:  // Unified Hangul
    case 950:  // Big5
        return c >= 0x81 && c <= 0xFE;
    default:  // single-byte code pages such as 1252
        return false;
    }
}

int CompareNames(const std::string &a, const std::string &b)
{
    return CompareFolded(a, b, FoldUpper);
}

int CompareNamesLowerFolded(const std::string &a, const std::string &b)
{
    return CompareFolded(a, b, FoldLower);
}

void ResetCodePage()
{
    SetAnsiCodePage(932);
}

bool SameName(const std::string &a, const std::string &b)
{
    return CompareNames(a, b) == 0;
}

size_t CharCount(const std::string &text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            ++i;
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

void SetAnsiMaxCharSize(UINT size)
{
    ansiMaxCharSize = size;
}

}  // namespace fakewin

BOOL WINAPI IsDBCSLeadByte(BYTE testChar)
{
    fakewin::internal::PlatformCall platformCall("IsDBCSLeadByte");
    return fakewin::internal::IsLeadByte(testChar) ? TRUE : FALSE;
}

// Answers the ANSI code page's largest character and nothing else: that is all the
// core asks of it.
BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info)
{
    fakewin::internal::PlatformCall platformCall("GetCPInfo");
    const UINT size = fakewin::ansiMaxCharSize;
    if (info == nullptr || codePage != CP_ACP || size == 0)
        return FALSE;
    *info = CPINFO{};
    info->MaxCharSize = size;
    return TRUE;
}
