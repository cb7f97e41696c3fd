#!/usr/bin/env bash
# fuzz-run.sh TARGET SEED_DIR SECONDS STATS_FILE: one fuzz target for a set time from its
# seeds alone (what an earlier run found is not loaded again; its crash inputs stay in
# artifacts/), writing new inputs beside STATS_FILE, never into the seeds; libFuzzer's
# summary goes to STATS_FILE.
set -u
target=$1 seeds=$2 seconds=$3 stats=$4
work=$(dirname "$stats")/$(basename "$stats" .txt)-work
rm -rf "$work/corpus"
mkdir -p "$work/corpus" "$work/artifacts"
"$target" "$work/corpus" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" >"$stats" 2>&1
status=$?
grep -E 'stat::number_of_executed_units|ERROR|check failed|SUMMARY' "$stats" || true
if [ $status -ne 0 ]; then
    echo "fuzz target failed ($status); the input is in $work/artifacts:"
    tail -n 40 "$stats"
fi
exit $status
