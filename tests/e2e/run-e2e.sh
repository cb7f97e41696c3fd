#!/usr/bin/env bash
# Runs the end-to-end suite: the driver program starts the real tools under Wine on a
# virtual X display of its own, in a Wine prefix of its own.
#   run-e2e.sh                     builds what is needed and runs dist/ (from the repo)
#   run-e2e.sh DRIVER TOOLS_DIR    as CTest calls it
#   E2E_FILTER=text                runs only the scenarios whose name holds text;
#                                  "code page" runs only those of other code pages
# Exits 77 (skipped) where Wine cannot run the 32-bit programs, saying why.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$repo/scripts/wine-prefix.sh"
wine_enter "$0" "$@"
. "$repo/scripts/common.sh"

driver=${1:-}
tools=${2:-}
if [ -z "$driver" ]; then
    win_build product e2e_driver >/dev/null
    driver=$repo/build/win/tests/e2e/e2e_driver.exe
    tools=$repo/dist
fi
driver=$(realpath "$driver")
tools=$(realpath "$tools")
echo "e2e: the programs in $tools"
# Beside the driver: never shared with another build tree's suite or with the unit tests.
export WINEPREFIX=$(dirname "$driver")/wineprefix

session_start
start_xvfb || { echo "0 passed, 1 failed"; exit 1; }

started=$(date +%s)
wine_prefix_boot
wine_prefix_fonts
# Without a window manager on the display, Wine waits 2 s for one on every window
# it hides or destroys; unmanaged windows need no answer.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
echo "e2e: prefix $WINEPREFIX ready after $(( $(date +%s) - started )) s, display $DISPLAY"

win_tools=$(wine winepath -w "$tools" 2>/dev/null | tr -d '\r')
# Kept beside the driver for scripts/reliability_report.py.
results=$(dirname "$driver")/e2e-results.txt
win_driver=$(wine winepath -w "$driver" 2>/dev/null | tr -d '\r')
status=0
# run_driver LOCALE ARGS: one run of the driver; its summary must be its last line and
# report no failure.
run_driver() {
    local locale=$1 code
    shift
    set +e
    wine_in_locale "$locale" "$win_driver" "$@" | tr -d '\r' | tee "$session/run.txt"
    code=${PIPESTATUS[0]}
    set -e
    wineserver -w
    cat "$session/run.txt" >>"$results"
    tail -n 1 "$session/run.txt" | grep -Eq '^[0-9]+ passed, 0 failed$' || code=1
    [ "$code" = 0 ] || status=1
}
: >"$results"
filter=${E2E_FILTER:-}
if [ "$filter" != "code page" ]; then
    run_driver ja_JP.UTF-8 "$win_tools" ${filter:+"$filter"}
fi
# The same tools on systems of other ANSI code pages: each run checks GetACP itself.
if [ -z "$filter" ] || [ "$filter" = "code page" ]; then
    for pair in $(python3 "$repo/scripts/facts.py" code-pages | tr ' ' :); do
        [ "${pair#*:}" = 932 ] || run_driver "${pair%%:*}" --code-page "${pair#*:}" "$win_tools"
    done
fi
exit "$status"
