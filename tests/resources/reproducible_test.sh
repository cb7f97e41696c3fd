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
exit "$status"
