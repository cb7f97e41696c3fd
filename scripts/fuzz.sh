#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS (default 180) each, from its seed corpus,
# then writes the figures to docs/reliability.md, with those of the last end-to-end run
# of the i686 build (bash scripts/test.sh -R e2e).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
seconds=${FUZZ_SECONDS:-180}
# Each run starts from the seeds alone (tests/fuzz-run.sh), as the report says; no stats
# file of a target that is gone stays behind.
rm -rf build/fuzz/long && mkdir -p build/fuzz/long
status=0
for source in fuzz/*_fuzz.cpp; do
    target=$(basename "$source" _fuzz.cpp)
    echo "== $target, $seconds s"
    tests/fuzz-run.sh "build/fuzz/fuzz/${target}_fuzz" "fuzz/corpus/$target" "$seconds" \
        "build/fuzz/long/$target.txt" || status=1
done
python3 tests/report.py reliability --fuzz-stats build/fuzz/long --fuzz-seconds "$seconds" \
    --out docs/reliability.md || status=1
exit $status
