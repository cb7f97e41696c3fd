#!/usr/bin/env bash
# Source this file: the steps the scripts share, besides how Wine runs (wine-prefix.sh).
#   win_build [TARGET...]  configures build/win (the product in dist/, and its tests) when
#                          it has no cache yet, and builds the targets (all without any)
#   session_start          a scratch folder, $session; at exit Wine's server and our X
#                          server stop and the folder goes
#   start_xvfb             an X server of our own on a free display; exports DISPLAY.
#                          Returns 1, showing Xvfb's log, when no display came up
common_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

win_build() {
    # Presets are looked up in the working directory.
    (
        cd "$common_repo"
        cmake --preset win >/dev/null
        cmake --build --preset win -j"$(nproc)" ${1:+--target "$@"}
    )
}

session_start() {
    session=$(mktemp -d)
    xvfb_pid=
    trap session_end EXIT
}
session_end() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$session"
}

start_xvfb() {
    # Its output goes to a file: as a CTest fixture's, it outlives the test that started it.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$session/display" >"$session/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$session/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$session/display" ]; then
        echo "Xvfb did not start:"; cat "$session/xvfb.log"
        return 1
    fi
    export DISPLAY=:$(cat "$session/display")
}
