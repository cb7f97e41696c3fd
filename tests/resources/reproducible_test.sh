#!/usr/bin/env bash
# Builds the three programs again, from a copy of the sources at another path into a
# build folder of its own, and holds them byte for byte to the given ones: a link
# time, a build path or anything else that varies between builds shows up here.
# Usage: reproducible_test.sh SOURCE_DIR BUILD_TYPE PROGRAM...
set -euo pipefail
source=$1 build_type=$2
shift 2
work=$(mktemp -d "${TMPDIR:-/tmp}/rebuild.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy=$work/another/checkout
mkdir -p "$copy"
cp -r "$source"/{CMakeLists.txt,cmake,core,tools} "$copy"/
targets=()
for program in "$@"; do
    name=$(basename "$program")
    targets+=("${name%.exe}")
done
cmake -S "$copy" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE="$build_type" -DPRODUCT_ONLY=ON -DDIST_DIR="$work/dist" >/dev/null
cmake --build "$work/build" -j2 --target "${targets[@]}" >/dev/null
status=0
for program in "$@"; do
    if cmp "$program" "$work/dist/$(basename "$program")"; then
        echo "same bytes: $(basename "$program")"
    else
        status=1
    fi
done
exit "$status"
