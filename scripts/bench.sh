#!/usr/bin/env bash
# The footprint and start-up benchmark: builds everything, measures the programs of
# dist/ against the floor program in one run under Wine, and writes docs/performance.md.
#   RUNS=31 SIBLINGS="0 100 1000 10000" bash scripts/bench.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
if [ -z "${WINE_HOW:-}" ]; then bash scripts/install-deps.sh; fi
. tests/wine/wine.sh
wine_enter "$repo/scripts/bench.sh" "$@"

cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)" --target registry_calls
win_build bench_programs facts
export WINEPREFIX=$PWD/build/bench-prefix WINE_LOADER WINE_LOCALE
wine_prefix_setup
python3 tests/report.py bench --runs "${RUNS:-31}" --siblings ${SIBLINGS:-0 100 1000 10000} --out docs/performance.md
