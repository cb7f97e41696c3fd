// Bounded byte-string helpers: a result that does not fit fails whole instead of being cut.
#pragma once

#include <stddef.h>

// Writes a + b into dst; returns 0 and leaves dst empty when the result and its
// terminator would not fit in size bytes.
int JoinText(char *dst, size_t size, const char *a, const char *b);

// 'A'-'Z' equal 'a'-'z'; every other byte, Shift-JIS second bytes included, must be equal.
int EqualAsciiNoCase(const char *a, const char *b);

// Splits at "\" in place, like strtok with that delimiter but with the position in
// *cursor: leading and repeated separators give no empty component. Null at the end.
char *NextComponent(char **cursor);
