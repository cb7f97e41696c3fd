#!/usr/bin/env bash
# The README's two commands on a bare Debian root, as a newcomer would run them:
#   fresh-root.sh [--prepare] bookworm|trixie
# Makes a minimal root of that release (cached as build/fresh-root/<release>.tar),
# clones this checkout's HEAD into it, enters it with pivot_root in mount and PID
# namespaces of its own (a chroot would refuse the user namespace of Wine's qemu route)
# and runs, as root in a clean environment, demo.sh, test.sh and release.sh, then
# checks that the clone is still clean. They run as a player's session would hold
# them: WINEPREFIX names a prefix of the player's (a folder holding a marker file) and
# HOME an empty folder; both must be as they were afterwards. WINE_VIA and
# REQUIRE_SHIPPED pass through. --prepare only makes the cached root, which CI does
# while the machine's own suites run.
# Exits 0 when all of that holds, 1 when one of the project's commands failed, and 77
# (skipped, saying why) when the root cannot be had for a reason outside the project.
set -euo pipefail
prepare=
if [ "${1:-}" = --prepare ]; then prepare=1; shift; fi
suite=${1:?usage: fresh-root.sh [--prepare] bookworm|trixie}
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/common.sh"
cache=$repo/build/fresh-root
root=$cache/$suite
mkdir -p "$cache"
skip() { echo "fresh-root $suite: skipped: $*"; exit 77; }

if [ "$(id -u)" != 0 ]; then skip "needs root (debootstrap, namespaces)"; fi
if [ "${FRESH_ROOT_INSIDE:-}" = 1 ]; then  # the second half, inside the namespaces
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount -t sysfs sysfs "$root/sys"
    cd "$root"
    mkdir -p .host
    pivot_root . .host
    umount -l /.host
    rmdir /.host
    cd /root/project
    exec env -i TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        ${WINE_VIA:+WINE_VIA=$WINE_VIA} ${REQUIRE_SHIPPED:+REQUIRE_SHIPPED=$REQUIRE_SHIPPED} bash -c '
        step() {
            local started=$SECONDS
            echo "fresh-root: $* ..."
            "$@" || { echo "fresh-root: $* FAILED after $((SECONDS - started)) s"; exit 1; }
            echo "fresh-root: $* passed in $((SECONDS - started)) s"
        }
        # A player with a game prefix of their own in the environment, and a home
        # folder that must stay as it is.
        player_prefix=$(mktemp -d) player_home=$(mktemp -d)
        echo "a saved game" >"$player_prefix/marker"
        look() { find "$player_prefix" "$player_home" -printf "%p %s %T@\n" | sort; }
        before=$(look)
        export WINEPREFIX=$player_prefix HOME=$player_home
        step bash scripts/demo.sh
        step bash scripts/test.sh
        step bash scripts/release.sh
        if [ "$(look)" != "$before" ] || [ "$(cat "$player_prefix/marker")" != "a saved game" ]; then
            echo "fresh-root: the player WINEPREFIX or HOME changed; before:"; echo "$before"
            echo "after:"; look; exit 1
        fi
        echo "fresh-root: the player WINEPREFIX and HOME are as they were"
        if [ -n "$(git status --porcelain)" ]; then
            echo "fresh-root: the clone is not clean after the three commands:"; git status --porcelain; exit 1
        fi
        echo "fresh-root: the clone is clean"'
fi

if ! command -v debootstrap >/dev/null; then
    apt-get install -y -qq debootstrap >/dev/null 2>&1 || skip "debootstrap cannot be installed (the mirror)"
fi
if [ ! -s "$cache/$suite.tar" ]; then
    echo "fresh-root $suite: debootstrap (minbase, git, ca-certificates) into build/fresh-root"
    remove_owned "$root"
    if ! debootstrap --variant=minbase --include=git,ca-certificates "$suite" "$root" \
            http://deb.debian.org/debian >"$cache/$suite-debootstrap.log" 2>&1; then
        tail -n 5 "$cache/$suite-debootstrap.log"
        skip "debootstrap failed (see build/fresh-root/$suite-debootstrap.log)"
    fi
    tar -C "$root" -cf "$cache/$suite.tar.part" . && mv "$cache/$suite.tar.part" "$cache/$suite.tar"
fi
if [ -n "$prepare" ]; then exit 0; fi
remove_owned "$root"
mkdir -p "$root"
tar -C "$root" -xf "$cache/$suite.tar"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q "$repo" "$root/root/project"
echo "fresh-root $suite: $(cat "$root/etc/debian_version"), clone of $(git -C "$repo" rev-parse --short HEAD)"

started=$SECONDS
status=0
FRESH_ROOT_INSIDE=1 unshare -m -p -f --propagation private bash "$0" "$suite" || status=$?
echo "fresh-root $suite: $( [ "$status" = 0 ] && echo passed || echo FAILED ) in $((SECONDS - started)) s"
exit "$status"
