// The byte-string helpers under the key-path and installation code.
#include "text.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <string>

namespace {

TEST(ParseDecimal, ReadsTheLeadingNumberAsAtoiDoes)
{
    struct Case {
        const char *text;
        int expected;
    };
    const Case cases[] = {
        {"1", 1},
        {" 1", 1},             // leading blank
        {"1abc", 1},           // trailing letters
        {"abc", 0},            // no digits
        {"", 0},
        {"-1", -1},
        {"+7", 7},
        {"\t\n\v\f\r 5", 5},   // every white space atoi skips
        {"- 1", 0},            // a sign must touch its digits
        {"--1", 0},
        {"\xA0" "1", 0},       // not white space in code page 932
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MIN},            // wraps in 32 bits
        {"4294967297", 1},
        {"-4294967295", 1},
        {"99999999999999999999", 1661992959},  // 10^20 - 1 modulo 2^32
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, ParseDecimal(c.text));
    }
}

TEST(JoinText, FailsWholeInsteadOfCutting)
{
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(1, JoinText(buffer, sizeof buffer, "abc", "defg"));  // 7 + terminator fill it
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_EQ(0, JoinText(buffer, sizeof buffer, "abcd", "efgh"));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1, JoinText(buffer, sizeof buffer, "", ""));
    EXPECT_STREQ("", buffer);
}

TEST(NextComponent, SplitsLikeStrtokOnBackslash)
{
    char path[] = "\\\\a\\\\\\b\\c\\\\";
    char *cursor = path;
    std::string parts;
    while (char *part = NextComponent(&cursor)) parts += std::string("[") + part + "]";
    EXPECT_EQ("[a][b][c]", parts);
    EXPECT_EQ(nullptr, NextComponent(&cursor));
}

TEST(EqualAsciiNoCase, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(1, EqualAsciiNoCase("Software", "SOFTWARE"));
    EXPECT_EQ(0, EqualAsciiNoCase("Soft", "Software"));
    // The edges of the letter ranges, each paired with the byte 0x20 above or below it:
    // only letters fold, here and in the order Wine lists keys in.
    const struct {
        char byte, lowered, other;
        int equal;
    } edges[] = {{'@', '@', '`', 0}, {'A', 'a', 'a', 1}, {'Z', 'z', 'z', 1}, {'[', '[', '{', 0},
                 {'`', '`', '@', 0}, {'a', 'a', 'A', 1}, {'z', 'z', 'Z', 1}, {'{', '{', '[', 0}};
    for (const auto &edge : edges) {
        const char one[] = {edge.byte, '\0'}, other[] = {edge.other, '\0'};
        SCOPED_TRACE(one);
        EXPECT_EQ(static_cast<unsigned char>(edge.lowered), LowerAscii(static_cast<unsigned char>(edge.byte)));
        EXPECT_EQ(edge.equal, EqualAsciiNoCase(one, other));
    }
    EXPECT_EQ(0, EqualAsciiNoCase("\x82\x60", "\x82\x81"));  // full-width Ａ and ａ
    EXPECT_EQ(1, EqualAsciiNoCase("\x83\x41", "\x83\x61"));  // second bytes fold like ASCII
}

}  // namespace
