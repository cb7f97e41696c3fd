#!/usr/bin/env bash
# The end-to-end suite, as CTest runs it: the driver program starts the real tools under
# Wine in the session of tests/wine/session.sh (its prefix and X server).
#   run-e2e.sh DRIVER TOOLS_DIR SESSION_DIR
#   E2E_FILTER=text   runs only the scenarios whose name holds text; "code page" runs
#                     only those of other code pages (ctest -R e2e runs the suite alone)
# Exits 77 (skipped) where Wine cannot run the 32-bit programs, saying why.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$repo/tests/wine/wine.sh"
wine_enter "$repo/tests/e2e/run-e2e.sh" "$@"
driver=$(realpath "$1")
tools=$(realpath "$2")
DISPLAY=:$(cat "$3/display")
export DISPLAY
echo "e2e: the programs in $tools, display $DISPLAY"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

win_tools=$(wine_path "$tools")
filter=${E2E_FILTER:-}
# Kept beside the driver for tests/report.py, which publishes only a whole
# run: a filtered one goes to a file of its own, the filter in its name and first line.
scope="run: whole suite" results=$(dirname "$driver")/e2e-results.txt
if [ -n "$filter" ]; then
    scope="run: filtered, E2E_FILTER=$filter"
    results=${results%.txt}-filtered-$(printf %s "$filter" | tr -c 'A-Za-z0-9' -).txt
fi
results=${E2E_RESULTS:-$results}
win_driver=$(wine_path "$driver")
status=0
# run_driver LOCALE ARGS: one run of the driver; its summary must be its last line and
# report no failure.
run_driver() {
    local locale=$1 code
    shift
    set +e
    wine_in_locale "$locale" "$win_driver" "$@" | tr -d '\r' | tee "$scratch/run.txt"
    code=${PIPESTATUS[0]}
    set -e
    cat "$scratch/run.txt" >>"$results"
    # 3: the tools showed no window at all; the other runs would only wait to say so.
    [ "$code" = 3 ] && stopped=1
    tail -n 1 "$scratch/run.txt" | grep -Eq '^[0-9]+ passed, 0 failed$' || code=1
    [ "$code" = 0 ] || status=1
}
stopped=
# What the figures are of, for the report: the programs by their sums, the commit, Wine.
{
    echo "$scope"
    (cd "$tools" && sha256sum -- *.exe | sed 's/^/program: /')
    echo "commit: $(git -C "$repo" describe --always --dirty 2>/dev/null || echo unknown)"
    echo "wine: $("$WINE_LOADER" --version), whose loader $WINE_HOW"
} >"$results"
if [ "$filter" != "code page" ]; then
    run_driver "$WINE_LOCALE" "$win_tools" ${filter:+"$filter"}
fi
# The same tools on systems of other ANSI code pages: each run checks GetACP itself.
if [ -z "$stopped" ] && { [ -z "$filter" ] || [ "$filter" = "code page" ]; }; then
    for pair in $(wine_code_pages | tr ' ' :); do
        [ "${pair#*:}" = 932 ] || run_driver "${pair%%:*}" --code-page "${pair#*:}" "$win_tools"
    done
fi
exit "$status"
