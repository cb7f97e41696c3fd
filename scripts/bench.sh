#!/usr/bin/env bash
# The footprint and start-up benchmark: builds everything, measures the programs of
# dist/ against the floor program in one run under Wine, and writes docs/performance.md.
#   RUNS=31 SIBLINGS="0 100 1000 10000" bash scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

if [ -z "${WINE_HOW:-}" ]; then bash scripts/install-deps.sh; fi
. scripts/wine-prefix.sh
wine_enter "$0" "$@"

cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j"$jobs" --target registry_calls
# The toolchain file counts only when the cache is made; naming it again draws a warning.
win_toolchain=()
if [ ! -f build/win/CMakeCache.txt ]; then
    win_toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake)
fi
cmake -S . -B build/win "${win_toolchain[@]}" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win -j"$jobs" --target CalcSwitch RenderSwitch PlayerSwitch floor startup_timer toolcore \
    floor_calcswitch floor_renderswitch floor_playerswitch

export WINEPREFIX=$PWD/build/bench-prefix
wine_prefix_boot
wine_prefix_fonts

python3 scripts/bench_report.py --loader "$WINE_LOADER" --wine-how "$WINE_HOW" \
    --runs "${RUNS:-31}" --siblings ${SIBLINGS:-0 100 1000 10000} --out docs/performance.md
