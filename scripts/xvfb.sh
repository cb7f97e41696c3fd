#!/usr/bin/env bash
# Source this file: start_xvfb DIR starts an X server of our own on a free display
# (it reports the display once it listens), sets xvfb_pid and exports DISPLAY.
# Returns 1, with Xvfb's log in DIR/xvfb.log, when no display came up.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$1/display" ] && break
        sleep 0.1
    done
    [ -s "$1/display" ] || return 1
    export DISPLAY=:$(cat "$1/display")
}
