#!/usr/bin/env bash
# Source this file: the steps the scripts share, besides how Wine runs (wine-prefix.sh).
#   win_build [TARGET...]  configures build/win (the product in dist/, and its tests) when
#                          it has no cache yet, and builds the targets (all without any)
#   session_start          a scratch folder, $session; at exit Wine's server and our X
#                          server stop and the folder goes
#   remove_owned PATH...   rm -rf, for folders this run owns only (see below)
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

# A run owns the folders under build/ and the scratch folders it took from mktemp
# (listed in owned_scratch). A path from a variable or an argument that lies anywhere
# else (a player's WINEPREFIX, an empty variable, a "..") is refused, and the script
# stops rather than remove it. Removal stays on the path's own file system, so a
# mount left inside (a bare root's /dev) is never followed.
owned_scratch=()
is_owned() {
    local path scratch
    path=$(realpath -m -- "$1" 2>/dev/null) || return 1
    case $path in "$(realpath -m -- "$common_repo/build")"/?*) return 0 ;; esac
    for scratch in "${owned_scratch[@]}"; do
        case $path in "$scratch" | "$scratch"/*) return 0 ;; esac
    done
    return 1
}
remove_owned() {
    local path
    for path in "$@"; do
        if ! is_owned "$path"; then
            echo "refusing to remove '$path': not under build/ nor a scratch folder of this run" >&2
            return 1
        fi
    done
    rm -rf --one-file-system -- "$@"
}

session_start() {
    session=$(mktemp -d)
    owned_scratch+=("$(realpath "$session")")
    xvfb_pid=
    trap session_end EXIT
}
session_end() {
    if is_owned "$WINEPREFIX"; then wineserver -k >/dev/null 2>&1 || true; fi
    # Only an X server: the number may come from a file older than this run.
    if [ -n "$xvfb_pid" ] && [ "$(cat "/proc/$xvfb_pid/comm" 2>/dev/null)" = Xvfb ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    remove_owned "$session"
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
