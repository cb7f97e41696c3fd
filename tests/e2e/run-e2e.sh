#!/usr/bin/env bash
# Runs the end-to-end suite: the driver program starts the real tools under Wine on a
# virtual X display of its own, in a Wine prefix of its own.
#   run-e2e.sh                         builds what is needed and runs (from the repo)
#   run-e2e.sh BITS DRIVER TOOLS_DIR   as CTest calls it (BITS: 32 or 64)
#   E2E_FILTER=text                    runs only the scenarios whose name holds text
# The product is 32-bit. Where the kernel cannot execute Wine's 32-bit loader, the
# suite runs the x86_64 twin of the same sources with Wine's 64-bit loader instead.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
bits=${1:-32}
driver=${2:-}
tools=${3:-}
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
# The prefix lives in the calling build tree, also when the twin's programs run in it:
# two build trees' suites never share a registry or a wineserver.
prefix_home=${driver:+$(dirname "$(realpath "$driver")")}

build_tree() {  # build_tree DIR TOOLCHAIN: configures if needed, builds tools and driver
    if [ ! -f "$1/CMakeCache.txt" ]; then
        cmake -S "$repo" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$2" >/dev/null
    fi
    cmake --build "$1" -j2 --target CalcSwitch RenderSwitch PlayerSwitch e2e_driver >/dev/null
}

if [ "$bits" = 32 ] && "$wine32" --version >/dev/null 2>&1; then
    loader=$wine32
    echo "e2e: the i686 programs with Wine's 32-bit loader"
    if [ -z "$driver" ]; then
        build_tree "$repo/build/win" mingw-i686.cmake
        driver=$repo/build/win/tests/e2e/e2e_driver.exe
        tools=$repo/dist
    fi
else
    loader=$wine64
    if [ "$bits" = 32 ]; then
        echo "e2e: this kernel cannot execute Wine's 32-bit loader ($wine32);"
        echo "e2e: running the x86_64 twin of the same sources (build/win64) with $wine64"
        build_tree "$repo/build/win64" mingw-x86_64.cmake
        driver=$repo/build/win64/tests/e2e/e2e_driver.exe
        tools=$repo/build/win64/dist
    else
        echo "e2e: the x86_64 twin with Wine's 64-bit loader"
        if [ -z "$driver" ]; then
            build_tree "$repo/build/win64" mingw-x86_64.cmake
            driver=$repo/build/win64/tests/e2e/e2e_driver.exe
            tools=$repo/build/win64/dist
        fi
    fi
fi

driver=$(realpath "$driver")
tools=$(realpath "$tools")
export WINEPREFIX=${prefix_home:-$(dirname "$driver")}/wineprefix
if [ "$loader" = "$wine32" ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
. "$repo/scripts/wine-prefix.sh"
# The prefix script names `wine`, which may be the loader this kernel cannot run.
wine() { "$loader" "$@"; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

. "$repo/scripts/xvfb.sh"
if ! start_xvfb "$work"; then
    echo "e2e: Xvfb did not start:"; cat "$work/xvfb.log"
    echo "0 passed, 1 failed"; exit 1
fi

started=$(date +%s)
wine_prefix_boot
# Without a window manager on the display, Wine waits 2 s for one on every window
# it hides or destroys; unmanaged windows need no answer.
"$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
echo "e2e: prefix $WINEPREFIX ready after $(( $(date +%s) - started )) s, display $DISPLAY"

win_tools=$("$loader" winepath -w "$tools" 2>/dev/null | tr -d '\r')
# Kept beside the driver for scripts/reliability_report.py.
results=$(dirname "$driver")/e2e-results.txt
set +e
"$loader" "$driver" "$win_tools" ${E2E_FILTER:+"$E2E_FILTER"} | tr -d '\r' | tee "$results"
status=${PIPESTATUS[0]}
set -e
wineserver -w
# The driver's summary must be the last line, and it must report no failure.
tail -n 1 "$results" | grep -Eq '^[0-9]+ passed, 0 failed$' || status=1
exit "$status"
