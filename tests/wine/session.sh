#!/usr/bin/env bash
# Wine for the test suites, as CTest calls it; exits 77 (skipped), saying why, where Wine
# cannot run here.
#   session.sh start DIR   before the Wine suites: a fresh prefix, its Wine server kept
#                          running between their programs, and an X server (DIR/display)
#   session.sh stop DIR    after them: Wine's server and the X server stop
#   session.sh run PROGRAM [ARGS]  one program in the prefix (the build's emulator)
set -euo pipefail
. "$(dirname "$0")/wine.sh"
action=${1:?usage: session.sh start|stop DIR, or run PROGRAM [ARGS]}
shift
if [ "$action" = stop ]; then
    # The server was started in Wine's namespace, where a user's id may read as another:
    # it is asked to stop from there.
    if wine_describe >/dev/null; then wine_enter "$wine_repo/tests/wine/session.sh" "$action" "$@"; fi
    session=$1 xvfb_pid=$(cat "$1/xvfb.pid" 2>/dev/null || true)
    session_end
    exit 0
fi
if [ "$action" = start ]; then
    # Before Wine is tried: a start that is skipped must leave stop no X server's
    # number from an earlier run.
    remove_owned "$1"
fi
wine_enter "$wine_repo/tests/wine/session.sh" "$action" "$@"
if [ "$action" = run ]; then
    wine_prefix_boot
    wine "$@"
    exit
fi
session=$1
# A server left by an interrupted run would outlive the prefix it serves.
wineserver -k >/dev/null 2>&1 || true
remove_owned "$WINEPREFIX"
mkdir -p "$session"
start_xvfb
echo "$xvfb_pid" >"$session/xvfb.pid"
# Every run gets a fresh prefix, copied from one booted and set up once (through qemu,
# booting takes half a minute), made again when Wine or tests/wine/wine.sh changes.
template=$wine_repo/build/wineprefix-template
made_by="$("$WINE_LOADER" --version) $(sha256sum <"$wine_repo/tests/wine/wine.sh")"
if [ "$(cat "$template/.made-by" 2>/dev/null)" != "$made_by" ]; then
    remove_owned "$template"
    # It waits for the prefix's server to exit: the prefix is then all on disk.
    WINEPREFIX=$template wine_prefix_setup unmanaged
    echo "$made_by" >"$template/.made-by"
fi
cp -a "$template" "$WINEPREFIX"
# Without a running server, each program starts one, with Wine's services and desktop,
# all stopping when it exits: through qemu, seconds a program. One server serves the
# suites instead, until stop or a minute after its last program. It and the services
# (started by a program that only asks for the desktop window) outlive this test, so
# nothing of theirs holds an output CTest waits on, or a suite's standard error.
wineserver -p60 </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
echo "wine session: prefix $WINEPREFIX ready, display $DISPLAY"
