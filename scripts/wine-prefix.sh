#!/usr/bin/env bash
# Source this file: the one place that decides how Wine runs the 32-bit programs here.
#   wine_enter SCRIPT [ARGS]  call first: re-executes SCRIPT (an absolute path: the
#                             script may have changed folder since it started) where
#                             Wine's 32-bit loader runs (see below), or exits 77
#                             (skipped) saying why not
#   wine ARGS                 Wine's loader, in the Japanese locale (code page 932)
#   wine_in_locale LOCALE ARGS  the same in another locale, for another code page
#   wine_path PATH            the Windows name of an absolute Unix path (drive Z: is the
#                             Unix root), without starting a Wine program for it
#   wine_prefix_boot          boots $WINEPREFIX if it is new, and then waits until its
#                             server has exited (wineserver -w): the prefix is all on disk
#   wine_prefix_fonts         maps the faces Wine's dialogs and captions ask for to a
#                             font that Debian ships
#   wine_prefix_unmanaged     for an X server without a window manager (Xvfb)
# WINEPREFIX is <repo>/build/wineprefix, a 32-bit-only prefix (a 64-bit one with Wine's
# WoW64 mode, which makes no other kind); a script that needs another sets it to
# another folder under build/. WINE_VIA=qemu takes the qemu route even where the kernel
# runs 32-bit programs itself.
#
# The programs are 32-bit. Debian 12's and 13's Wine runs them in its 32-bit loader, a
# 32-bit Linux program: where the kernel cannot execute those, a private binfmt_misc,
# mounted in a user and mount namespace of our own, hands it to qemu-i386 (qemu-user 8
# or newer: Debian 12's own 7.2 takes about a minute a start). Nothing changes outside
# that namespace. Debian unstable's Wine runs them in its 64-bit loader, in WoW64 mode
# (scripts/wine-paths.sh tells which Wine is installed): no 32-bit Linux program runs,
# and no qemu is needed.
wine_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# A WINEPREFIX from the environment is a player's or a packager's, with their games
# and saves: our runs boot, empty and stop prefixes of their own only.
export WINEPREFIX=$wine_repo/build/wineprefix
. "$wine_repo/scripts/wine-paths.sh"
# A 32-bit program sees C:\windows\syswow64 as its system folder there, and
# HKLM\Software\Wow6432Node as HKLM\Software; HKCU\Software, the tools' own, is shared.
if [ "$WINE_ROUTE" = wow64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
export WINEDEBUG=-all
# No Mono or Gecko install prompts, and no menu builder: on a prefix's first boot it
# writes menu entries and icons under the user's home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# What the programs we start keep per user (fontconfig's cache, for one) goes under
# build/ too, so that a run leaves the home folder as it found it.
export XDG_CACHE_HOME=$wine_repo/build/user/cache
export XDG_CONFIG_HOME=$wine_repo/build/user/config
export XDG_DATA_HOME=$wine_repo/build/user/data
WINE_SKIP=77
export WINE_SERVER
# "command": where the server is found on PATH, its name is this function's own.
wineserver() { command "$WINE_SERVER" "$@"; }

wine_runs_here() { "$WINE_LOADER" --version >/dev/null 2>&1; }

# Why the namespace cannot be had, or nothing when it can.
wine_qemu_problem() {
    if [ ! -x "$WINE_QEMU" ]; then
        echo "qemu-user 8 or newer is not installed (no $WINE_QEMU)"
    elif ! unshare -U -r true 2>/dev/null; then
        echo "new user namespaces are refused here (as in a chroot, or by a kernel setting)"
    elif ! unshare -U -r -m --propagation private bash "$wine_repo/scripts/wine-ns.sh" \
            "$WINE_QEMU" "$WINE_LOADER" --version >/dev/null 2>&1; then
        echo "a user namespace cannot mount a binfmt_misc of its own (a kernel before 6.7)"
    fi
}

# Whether the kernel takes 32-bit system calls from a 64-bit process: Wine's WoW64 mode
# makes one a process (set_thread_area through int 0x80, for the %fs selector of the
# 32-bit code), and stops at "failed to allocate %fs selector" where it is refused, as
# by a kernel that cannot execute 32-bit programs (ia32_emulation=off). Asked with the
# 32-bit getpid: refused, it fails or kills the probe.
wine_kernel_takes_int80() {
    (python3 - <<'EOF'
import ctypes, mmap, os, sys
code = bytes([0xb8, 20, 0, 0, 0, 0xcd, 0x80, 0xc3])  # mov eax, 20 (i386 getpid); int 0x80; ret
page = mmap.mmap(-1, mmap.PAGESIZE, prot=mmap.PROT_READ | mmap.PROT_WRITE | mmap.PROT_EXEC)
page.write(code)
call = ctypes.CFUNCTYPE(ctypes.c_int)(ctypes.addressof(ctypes.c_char.from_buffer(page)))
sys.exit(0 if call() == os.getpid() else 1)
EOF
    # Waited for here, not exec'd: a killed probe is reported by this subshell, unheard.
    status=$?; exit "$status") >/dev/null 2>&1
}

# How Wine runs here, as wine_enter will run it; returns 1 (saying why) when it cannot.
wine_wow64_how="runs the 32-bit programs natively in WoW64 mode (its 64-bit loader; no 32-bit Linux program)"
wine_describe() {
    if [ "$WINE_ROUTE" = wow64 ]; then
        if [ "${WINE_VIA:-}" = qemu ]; then
            echo "wine: skipped: WINE_VIA=qemu asks for the qemu route, but this Wine has no 32-bit loader to run through it (WoW64)"
            return 1
        elif ! wine_runs_here; then
            echo "wine: skipped: Wine's loader $WINE_LOADER does not start"
            return 1
        elif ! wine_kernel_takes_int80; then
            echo "wine: skipped: Wine's WoW64 mode needs the kernel's 32-bit system calls (int 0x80), which this kernel refuses; Debian 12 or 13, whose Wine runs through qemu, works here"
            return 1
        fi
        echo "wine: Wine $wine_wow64_how"
        return 0
    fi
    if [ "${WINE_VIA:-}" != qemu ] && wine_runs_here; then
        echo "wine: the 32-bit loader ${WINE_HOW:-runs natively (the kernel runs 32-bit programs)}"
        return 0
    fi
    local problem
    problem=$(wine_qemu_problem)
    if [ -n "$problem" ]; then
        if [ "${WINE_VIA:-}" = qemu ]; then
            echo "wine: skipped: WINE_VIA=qemu asks for the qemu route, but $problem"
        else
            echo "wine: skipped: this kernel cannot execute Wine's 32-bit loader, and $problem"
        fi
        return 1
    fi
    echo "wine: the 32-bit loader runs through qemu-i386 in a private binfmt_misc"
}

# Makes sure Wine runs in this process tree, saying how once. On the qemu route it runs
# the calling script again from its start, inside the namespace: whatever the script
# did before calling it is done twice, so call it before any work.
wine_enter() {
    if [ -n "${WINE_HOW:-}" ] && wine_runs_here; then
        return 0
    fi
    case $1 in
        /*) ;;
        *) echo "wine_enter: $1 is not an absolute path; the script may have changed folder" >&2; exit 1 ;;
    esac
    wine_describe || exit "$WINE_SKIP"
    if [ "$WINE_ROUTE" = wow64 ]; then
        export WINE_HOW=$wine_wow64_how
    elif [ "${WINE_VIA:-}" != qemu ] && wine_runs_here; then
        export WINE_HOW="runs natively (the kernel runs 32-bit programs)"
    else
        export WINE_HOW="runs through qemu-i386 in a private binfmt_misc"
        exec unshare -U -r -m --propagation private bash "$wine_repo/scripts/wine-ns.sh" "$WINE_QEMU" bash "$@"
    fi
}

# The Japanese locale gives Wine the ANSI code page 932; only Wine's processes get it.
# It heads the locales the tools are checked on.
WINE_LOCALE=$(python3 "$wine_repo/scripts/facts.py" code-pages | sed -n '1s/ .*//p')
wine() { wine_in_locale "$WINE_LOCALE" "$@"; }
# Wine takes a process's ANSI code page from its locale (scripts/facts.py code-pages
# lists those the tools are checked on).
# Wine's processes also get a home folder of their own: a new prefix links its
# Desktop, Documents and Downloads to $HOME, and what a program saved there would land
# in the user's home. The X server's key stays the user's, for the demo on their display.
wine_home=$wine_repo/build/user/home
wine_in_locale() {
    local locale=$1 xauthority=${XAUTHORITY:-$HOME/.Xauthority}
    shift
    mkdir -p "$wine_home"
    HOME=$wine_home XAUTHORITY=$xauthority LANG=$locale LC_ALL=$locale "$WINE_LOADER" "$@"
}

wine_path() { local path=${1//\//\\}; echo "Z:$path"; }

wine_prefix_boot() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        # wineboot talks even when all goes well: its output is shown only on failure.
        # A file, not a pipe: the processes it leaves running would hold a pipe open.
        local log status=0
        log=$(mktemp)
        wine wineboot -i >"$log" 2>&1 || status=$?
        if [ "$status" != 0 ]; then
            echo "wineboot failed (exit code $status) in $WINEPREFIX:" >&2
            cat "$log" >&2
        fi
        rm -f "$log"
        [ "$status" = 0 ] || return "$status"
        wineserver -w
    fi
}

# The faces Wine asks for in the Japanese locale, which Debian does not ship: the
# dialogs' own, and the one Wine 10 draws captions with. Without a font that has their
# glyphs the texts show as boxes; IPAPGothic is also a metric-alike of the first, so
# lines wrap as they do on Windows.
wine_fallback_faces=('ＭＳ Ｐゴシック' 'MS UI Gothic')
wine_prefix_fonts() {
    local face
    for face in "${wine_fallback_faces[@]}"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    done
    # This Wine does not find Marlett in its own font folder, and without it the caption's
    # close button shows the letter "r"; from the prefix's Fonts folder it is found.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    wineserver -w
}

# Without a window manager on the display, Wine waits 2 s for one on every window it
# hides or destroys; unmanaged windows need no answer.
wine_prefix_unmanaged() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
}
