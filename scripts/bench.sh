#!/usr/bin/env bash
# The footprint and start-up benchmark: builds everything, measures the programs of
# dist/ against the floor program in one run under Wine, and writes docs/performance.md.
#   RUNS=31 SIBLINGS="0 100 1000 10000" bash scripts/bench.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc)

if [ -z "${WINE_HOW:-}" ]; then bash scripts/install-deps.sh; fi
. scripts/wine-prefix.sh
wine_enter "$repo/scripts/bench.sh" "$@"
. scripts/common.sh

cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs" --target registry_calls
win_build bench_programs

export WINEPREFIX=$PWD/build/bench-prefix
wine_prefix_boot
wine_prefix_fonts

python3 scripts/bench_report.py --loader "$WINE_LOADER" --wine-how "$WINE_HOW" \
    --runs "${RUNS:-31}" --siblings ${SIBLINGS:-0 100 1000 10000} --out docs/performance.md
