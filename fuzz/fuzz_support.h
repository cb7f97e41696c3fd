// What the fuzz targets share: a check that stops the run with a message, the
// handle accounting, and the difference of two registry snapshots.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "fakewin.h"

// A finding: print what broke and let libFuzzer save the input.
#define FUZZ_CHECK(condition)                                                     \
    do {                                                                          \
        if (!(condition)) {                                                       \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                              \
        }                                                                         \
    } while (0)

namespace fuzz {

// No key or search handle left open, none closed twice, no root closed.
void CheckHandles();

using Snapshot = std::vector<fakewin::RegistryEntry>;
// Entries only in `after`, and entries only in `before`.
void Diff(const Snapshot &before, const Snapshot &after, Snapshot *added, Snapshot *removed);

// ASCII letters to upper case, as key names compare.
std::string Fold(const std::string &text);

// The atoi of the C runtime as the tools define it: white space, a sign, digits,
// 32-bit wrapping. Written apart from the core's own, to compare against it.
int ReferenceDecimal(const std::string &text);

}  // namespace fuzz
