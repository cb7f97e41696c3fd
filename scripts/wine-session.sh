#!/usr/bin/env bash
# The Wine suites' session, set up and torn down by CTest around them, so that a run
# boots one prefix and starts one X server:
#   wine-session.sh start DIR  a fresh prefix ($WINEPREFIX, see wine-prefix.sh), booted,
#                              its fonts mapped, and an X server whose display it
#                              writes to DIR/display
#   wine-session.sh stop DIR   stops Wine's server and the X server
# Exits 77 (skipped), saying why, where Wine cannot run here.
set -euo pipefail
. "$(dirname "$0")/wine-prefix.sh"
. "$(dirname "$0")/common.sh"
action=${1:?usage: wine-session.sh start|stop DIR}
session=${2:?usage: wine-session.sh start|stop DIR}
if [ "$action" = stop ]; then
    wineserver -k >/dev/null 2>&1 || true
    if [ -s "$session/xvfb.pid" ]; then kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true; fi
    rm -rf "$session"
    exit 0
fi
wine_enter "$0" "$@"
started=$SECONDS
rm -rf "$WINEPREFIX" "$session"
mkdir -p "$session"
start_xvfb
echo "$xvfb_pid" >"$session/xvfb.pid"
wine_prefix_boot
wine_prefix_fonts
wine_prefix_unmanaged
echo "wine session: prefix $WINEPREFIX ready after $((SECONDS - started)) s, display $DISPLAY"
