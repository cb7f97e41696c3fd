// Bounded byte-string helpers: a result that does not fit fails whole instead of being cut.
#pragma once

#include <stddef.h>

// Writes a + b into dst; returns 0 and leaves dst empty when the result and its
// terminator would not fit in size bytes.
int JoinText(char *dst, size_t size, const char *a, const char *b);

// 'A'-'Z' as 'a'-'z'; every other byte as it is.
unsigned char LowerAscii(unsigned char c);

// 'A'-'Z' equal 'a'-'z'; every other byte, the second byte of a double-byte character
// included, must be equal.
int EqualAsciiNoCase(const char *a, const char *b);

// The decimal number at the start of text, read as the C runtime's atoi reads it:
// leading white space, an optional sign, digits up to the first non-digit, 0 when
// there are none. It accumulates in 32 bits and wraps on overflow, on every
// platform alike (C runtimes differ there: some clamp, some wrap).
int ParseDecimal(const char *text);

// Splits at "\" in place, like strtok with that delimiter but with the position in
// *cursor: leading and repeated separators give no empty component. Null at the end.
char *NextComponent(char **cursor);
