// Shared pieces of the fuzz targets.
#include "fuzz_support.h"

#include <stdint.h>

#include <algorithm>

namespace fuzz {

void CheckHandles()
{
    FUZZ_CHECK(fakewin::OpenKeyCount() == 0);
    FUZZ_CHECK(fakewin::BadKeyCloseCount() == 0);
    FUZZ_CHECK(fakewin::OpenFindCount() == 0);
    FUZZ_CHECK(fakewin::BadFindCloseCount() == 0);
}

void Diff(const Snapshot &before, const Snapshot &after, Snapshot *added, Snapshot *removed)
{
    Snapshot a = before, b = after;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    added->clear();
    removed->clear();
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(*added));
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(*removed));
}

std::string Fold(const std::string &text)
{
    std::string folded = text;
    for (char &c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

int ReferenceDecimal(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\v' || text[i] == '\f' || text[i] == '\r'))
        ++i;
    int64_t sign = 1;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) sign = text[i++] == '-' ? -1 : 1;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = (value * 10 + static_cast<uint64_t>(text[i] - '0')) % 4294967296u;
    uint32_t wrapped = static_cast<uint32_t>(sign < 0 ? (4294967296u - value) % 4294967296u : value);
    return static_cast<int32_t>(wrapped);
}

}  // namespace fuzz
