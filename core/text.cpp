// Bounded byte-string helpers shared by the key-path and installation code.
#include "text.h"

int JoinText(char *dst, size_t size, const char *a, const char *b)
{
    size_t len = 0;
    const char *parts[] = {a, b};
    for (const char *part : parts) {
        for (; *part != '\0'; ++part) {
            if (len + 1 >= size) {
                if (size > 0)
                    dst[0] = '\0';
                return 0;
            }
            dst[len++] = *part;
        }
    }
    if (size == 0)
        return 0;
    dst[len] = '\0';
    return 1;
}

unsigned char LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int EqualAsciiNoCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        if (LowerAscii(static_cast<unsigned char>(*a)) != LowerAscii(static_cast<unsigned char>(*b)))
            return 0;
        if (*a == '\0')
            return 1;
    }
}

int ParseDecimal(const char *text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    unsigned int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<unsigned int>(*text - '0');
    if (negative)
        value = 0u - value;
    // Two's complement, without the implementation-defined conversion.
    return value <= 0x7FFFFFFFu ? static_cast<int>(value)
                                : -static_cast<int>(~value) - 1;
}

char *NextComponent(char **cursor)
{
    char *p = *cursor;
    while (*p == '\\')
        ++p;
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char *start = p;
    while (*p != '\0' && *p != '\\')
        ++p;
    if (*p == '\\')
        *p++ = '\0';
    *cursor = p;
    return start;
}
