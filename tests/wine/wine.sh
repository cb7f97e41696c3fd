#!/usr/bin/env bash
# Source this file: the one place that decides how Wine runs the 32-bit programs here
# (docs/testing.md#how-wine-runs), and what every run that starts Wine shares: its prefix
# ($WINEPREFIX, build/wineprefix unless a script picks another folder under build/),
# locale, X server, and the folders it owns. Run as "wine.sh ns QEMU COMMAND [ARGS]",
# this is the inside of the qemu route's user and mount namespace, whose private
# binfmt_misc hands Wine's 32-bit loader to QEMU, changing nothing outside it: P keeps
# argv[0], which Wine's loader needs; F opens the interpreter now.
if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = ns ]; then
    set -eu
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    magic='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:$2:PF" >/proc/sys/fs/binfmt_misc/register
    shift 2
    exec "$@"
fi
wine_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE_QEMU=/usr/libexec/qemu-binfmt/i386-binfmt-P

# WINE_ROUTE (wow64 or i386), WINE_LOADER and WINE_SERVER (Debian unstable puts none on
# PATH) of the Wine installed. Debian 12's libwine:amd64 has an i386-windows folder too,
# holding zlib1.dll alone: the 32-bit kernel32 tells a WoW64 Wine.
wine_paths() {
    if [ -f /usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll ] &&
            [ -x /usr/lib/x86_64-linux-gnu/wine/wine ]; then
        WINE_ROUTE=wow64 WINE_LOADER=/usr/lib/x86_64-linux-gnu/wine/wine
        WINE_SERVER=/usr/lib/x86_64-linux-gnu/wine/wineserver
    else
        WINE_ROUTE=i386 WINE_LOADER=/usr/lib/wine/wine WINE_SERVER=wineserver
    fi
    export WINE_SERVER
}
wine_paths

# The route of the Wine that install-deps.sh is to install: before it is, the release's
# libwine:amd64 version tells (from 10.0~repack-12 on it carries the i386-windows DLLs),
# its file list being some 200 MB away.
wine_route_to_install() {
    local libwine
    if [ "$WINE_ROUTE" = wow64 ] || dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
        echo "$WINE_ROUTE"
        return
    fi
    libwine=$(apt-cache policy libwine:amd64 2>/dev/null | sed -n 's/^ *Candidate: //p') || true
    { [ -n "$libwine" ] && [ "$libwine" != "(none)" ] && dpkg --compare-versions "$libwine" ge 10.0~repack-12 &&
        echo wow64; } || echo i386
}

wine_runs_here() { "$WINE_LOADER" --version >/dev/null 2>&1; }
wine_needs_qemu() { [ "$WINE_ROUTE" = i386 ] && { [ "${WINE_VIA:-}" = qemu ] || ! wine_runs_here; }; }

# A WINEPREFIX from the environment is a player's, with their games and saves: our runs
# boot, empty and stop prefixes of their own only. A 64-bit prefix (WoW64) shows a 32-bit
# program HKLM\Software\Wow6432Node as HKLM\Software, but HKCU\Software, the tools', as it is.
# No Mono or Gecko prompts, no menu builder (it writes under the user's home), and what
# the programs keep per user (fontconfig's cache) goes under build/ too.
export WINEPREFIX=$wine_repo/build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "$WINE_ROUTE" = wow64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
export XDG_CACHE_HOME=$wine_repo/build/user/cache XDG_CONFIG_HOME=$wine_repo/build/user/config
export XDG_DATA_HOME=$wine_repo/build/user/data
# "command": where the server is found on PATH, its name is this function's own.
wineserver() { command "$WINE_SERVER" "$@"; }

# Why the namespace cannot be had, or nothing when it can.
wine_qemu_problem() {
    if [ ! -x "$WINE_QEMU" ]; then
        echo "qemu-user 8 or newer is not installed (no $WINE_QEMU)"
    elif ! unshare -U -r true 2>/dev/null; then
        echo "new user namespaces are refused here (as in a chroot, or by a kernel setting)"
    elif ! unshare -U -r -m --propagation private bash "$wine_repo/tests/wine/wine.sh" ns \
            "$WINE_QEMU" "$WINE_LOADER" --version >/dev/null 2>&1; then
        echo "a user namespace cannot mount a binfmt_misc of its own (a kernel before 6.7)"
    fi
}

# Whether the kernel takes 32-bit system calls from a 64-bit process, asked with the
# 32-bit getpid: Wine's WoW64 mode makes one (set_thread_area through int 0x80) and stops
# at "failed to allocate %fs selector" where the kernel refuses (ia32_emulation=off).
wine_kernel_takes_int80() {
    (python3 - <<'PY'
import ctypes, mmap, os, sys
code = bytes([0xb8, 20, 0, 0, 0, 0xcd, 0x80, 0xc3])  # mov eax, 20 (i386 getpid); int 0x80; ret
page = mmap.mmap(-1, mmap.PAGESIZE, prot=mmap.PROT_READ | mmap.PROT_WRITE | mmap.PROT_EXEC)
page.write(code)
call = ctypes.CFUNCTYPE(ctypes.c_int)(ctypes.addressof(ctypes.c_char.from_buffer(page)))
sys.exit(0 if call() == os.getpid() else 1)
PY
    # Waited for here, not exec'd: a killed probe is reported by this subshell, unheard.
    status=$?; exit "$status") >/dev/null 2>&1
}

# How Wine runs here, as wine_enter will run it, kept in wine_how; returns 1, saying
# why, where it cannot.
wine_wow64_how="runs the 32-bit programs natively in WoW64 mode (its 64-bit loader; no 32-bit Linux program)"
wine_native_how="runs natively (the kernel runs 32-bit programs)"
wine_qemu_how="runs through qemu-i386 in a private binfmt_misc"
wine_describe() {
    local problem
    if [ "$WINE_ROUTE" = wow64 ]; then
        if [ "${WINE_VIA:-}" = qemu ]; then
            problem="WINE_VIA=qemu asks for the qemu route, but this Wine has no 32-bit loader to run through it (WoW64)"
        elif ! wine_runs_here; then
            problem="Wine's loader $WINE_LOADER does not start"
        elif ! wine_kernel_takes_int80; then
            problem="Wine's WoW64 mode needs the kernel's 32-bit system calls (int 0x80), which this kernel refuses; Debian 12 or 13, whose Wine runs through qemu, works here"
        else
            wine_how=$wine_wow64_how && echo "wine: Wine $wine_how" && return 0
        fi
    elif ! wine_needs_qemu; then
        wine_how=$wine_native_how && echo "wine: the 32-bit loader ${WINE_HOW:-$wine_how}" && return 0
    elif problem=$(wine_qemu_problem) && [ -z "$problem" ]; then
        wine_how=$wine_qemu_how && echo "wine: the 32-bit loader $wine_how" && return 0
    elif [ "${WINE_VIA:-}" = qemu ]; then
        problem="WINE_VIA=qemu asks for the qemu route, but $problem"
    else
        problem="this kernel cannot execute Wine's 32-bit loader, and $problem"
    fi
    echo "wine: skipped: $problem"
    return 1
}

# wine_enter SCRIPT [ARGS]: makes sure Wine runs in this process tree, saying how once,
# or exits 77 (skipped) saying why not. On the qemu route it runs SCRIPT (an absolute
# path) again from its start, inside the namespace: call it before any work.
wine_enter() {
    if [ -n "${WINE_HOW:-}" ] && wine_runs_here; then return 0; fi
    case $1 in
        /*) ;;
        *) echo "wine_enter: $1 is not an absolute path; the script may have changed folder" >&2; exit 1 ;;
    esac
    wine_describe || exit 77  # skipped
    export WINE_HOW=$wine_how
    if [ "$wine_how" = "$wine_qemu_how" ]; then
        exec unshare -U -r -m --propagation private bash "$wine_repo/tests/wine/wine.sh" ns "$WINE_QEMU" bash "$@"
    fi
}

# The code pages the tools are checked on, each with the locale that gives it to a Wine
# process: the suites' own table, read before any build (install-deps.sh needs it).
wine_code_pages() {
    grep -o '{[0-9]*, "[^"]*"}' "$wine_repo/tests/support/code_pages.h" | tr -d '{}",' | awk '{ print $2, $1 }'
}
WINE_LOCALE=$(wine_code_pages | sed -n '1s/ .*//p')
# wine ARGS, wine_in_locale LOCALE ARGS: Wine's loader, in the tools' locale or another.
wine() { wine_in_locale "$WINE_LOCALE" "$@"; }
# Wine's processes get a home folder of their own: a new prefix links its Desktop,
# Documents and Downloads to $HOME. The X server's key stays the user's, for the demo.
wine_in_locale() {
    local locale=$1 xauthority=${XAUTHORITY:-$HOME/.Xauthority}
    shift
    mkdir -p "$wine_repo/build/user/home"
    HOME=$wine_repo/build/user/home XAUTHORITY=$xauthority LANG=$locale LC_ALL=$locale "$WINE_LOADER" "$@"
}
# The Windows name (drive Z:) of an absolute Unix path.
wine_path() { local path=${1//\//\\}; echo "Z:$path"; }

# Boots $WINEPREFIX if it is new, then waits until its server has exited: all on disk.
# wineboot talks even when all goes well: its output is shown only on failure, from the
# prefix's wineboot.log, not a pipe, which the processes it leaves running would hold open.
wine_prefix_boot() {
    mkdir -p "$WINEPREFIX"
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    local log=$WINEPREFIX/wineboot.log status=0
    wine wineboot -i >"$log" 2>&1 || status=$?
    [ "$status" = 0 ] || { echo "wineboot failed (exit code $status) in $WINEPREFIX:"; cat "$log"; } >&2
    [ "$status" = 0 ] || return "$status"
    wineserver -w
}

# wine_prefix_setup [unmanaged]: boots $WINEPREFIX if new and gives it the faces Wine asks
# for in the Japanese locale, which Debian does not ship (the dialogs' own, and Wine 10's
# captions'): IPAPGothic has their glyphs, and wraps lines as the first does. Marlett is
# found in the prefix, not in Wine's folder (else "r" for ×). "unmanaged": without a
# window manager on the display, Wine waits 2 s for one on every window it hides or
# destroys; unmanaged windows need no answer.
wine_prefix_setup() {
    local face
    wine_prefix_boot
    for face in 'ＭＳ Ｐゴシック' 'MS UI Gothic'; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    done
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    if [ "${1:-}" = unmanaged ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    fi
    wineserver -w
}

# win_build [TARGET...]: the Windows build (dist/ and its tests); presets are looked up
# in the working directory.
win_build() {
    (
        cd "$wine_repo"
        cmake --preset win >/dev/null
        cmake --build --preset win -j"$(nproc)" ${1:+--target "$@"}
    )
}

# A run owns the folders under build/ and the scratch folders it took from mktemp
# (owned_scratch). A path that lies anywhere else (a player's WINEPREFIX, an empty
# variable, a "..") is refused, and the script stops rather than remove it. Removal stays
# on the path's own file system, so a mount left inside (a bare root's /dev) is not followed.
owned_scratch=()
is_owned() {
    local path scratch
    path=$(realpath -m -- "$1" 2>/dev/null) || return 1
    case $path in "$(realpath -m -- "$wine_repo/build")"/?*) return 0 ;; esac
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

# A scratch folder ($session) that goes at exit, with Wine's server and our X server.
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

# An X server of our own on a free display; exports DISPLAY, or returns 1 showing its log.
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
