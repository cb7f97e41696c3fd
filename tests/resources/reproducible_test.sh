#!/usr/bin/env bash
# Builds the given programs again, from a copy of the sources at another path into a
# build folder of its own, and compares the bytes: a link time, a build path or anything
# else that varies between builds shows here. Usage: reproducible_test.sh SOURCE BUILD_TYPE EXE...
set -euo pipefail
source=$1 build_type=$2 programs=("${@:3}")
work=$(mktemp -d "${TMPDIR:-/tmp}/rebuild.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy=$work/another/checkout
mkdir -p "$copy"
cp -r "$source"/{CMakeLists.txt,CMakePresets.json,cmake,core,tools} "$copy"/
cd "$copy"
cmake --preset release -DCMAKE_BUILD_TYPE="$build_type" -DDIST_DIR="$work/dist" >/dev/null
names=$(for exe in "${programs[@]}"; do basename "$exe" .exe; done)
cmake --build --preset release -j"$(nproc)" --target $names >/dev/null
status=0
for exe in "${programs[@]}"; do
    cmp "$exe" "$work/dist/$(basename "$exe")" && echo "same bytes: $(basename "$exe")" || status=1
done
# The same bytes are owed only by the same tools: say which made this rebuild.
[ "$status" = 0 ] || sed 's/^/built with /' build/release/tree/BUILDINFO
# BUILDINFO names those tools and no other: a verifier whose osslsigncode is another
# must still get the publisher's zip, BUILDINFO and its sums included.
cp build/release/tree/BUILDINFO "$work/BUILDINFO"
mkdir "$work/verifier-tools" && printf '#!/bin/sh\n' >"$work/verifier-tools/osslsigncode"
chmod +x "$work/verifier-tools/osslsigncode"
PATH=$work/verifier-tools:$PATH cmake --preset release >/dev/null
diff "$work/BUILDINFO" build/release/tree/BUILDINFO || { echo "BUILDINFO changes with osslsigncode, which decides none of the zip's bytes"; status=1; }
exit "$status"
