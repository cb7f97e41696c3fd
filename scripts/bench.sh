#!/usr/bin/env bash
# The footprint and start-up benchmark: builds everything, measures the tools against
# the floor program in one run, and writes docs/performance.md.
#   RUNS=15 SIBLINGS="0 100 1000" bash scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/install-deps.sh
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j"$jobs" --target registry_calls
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win -j"$jobs" --target CalcSwitch RenderSwitch PlayerSwitch floor startup_timer toolcore \
    floor_calcswitch floor_renderswitch floor_playerswitch

# Start-up is timed on what Wine can run here: the product itself, or its 64-bit
# build where this kernel cannot execute Wine's 32-bit loader.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    run_build=build/win loader=/usr/lib/wine/wine
else
    cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build build/win64 -j"$jobs" --target CalcSwitch RenderSwitch PlayerSwitch floor startup_timer \
        floor_calcswitch floor_renderswitch floor_playerswitch
    run_build=build/win64 loader=/usr/lib/wine/wine64
fi

export WINEPREFIX=$PWD/build/bench-prefix
. scripts/wine-prefix.sh
wine_prefix_boot
wine_prefix_fonts

python3 scripts/bench_report.py --run-build "$run_build" --loader "$loader" \
    --runs "${RUNS:-15}" --siblings ${SIBLINGS:-0 100 1000} --out docs/performance.md
