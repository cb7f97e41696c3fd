#!/usr/bin/env bash
# The README's two commands on a bare Debian root, as a newcomer would run them:
#   fresh-root.sh [--prepare | --bench] bookworm|trixie|sid
# A minimal root of that release (cached as build/fresh-root/<release>.tar) with a clone
# of HEAD, entered with pivot_root in mount and PID namespaces of its own (a chroot would
# refuse the user namespace of Wine's qemu route), runs demo.sh, test.sh and release.sh
# as root in a clean environment (WINE_VIA and REQUIRE_SHIPPED pass through); the clone,
# and a player's WINEPREFIX (a folder with a marker file) and HOME (empty) there, must
# stay as they were. --prepare only makes the cached root (CI, while the machine's own
# suites run); --bench then also runs bench.sh, keeping its document as
# build/fresh-root/<release>-performance.md. Exits 0 when all of that holds, 1 when a
# project's command failed, 77 (skipped, saying why) when the root cannot be had for a
# reason outside the project. docs/testing.md#bare-roots says more.
set -euo pipefail
mode=
case ${1:-} in
    --prepare) mode=prepare; shift ;;
    --bench) export FRESH_ROOT_BENCH=1; shift ;;
esac
suite=${1:?usage: fresh-root.sh [--prepare | --bench] bookworm|trixie|sid}
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/tests/wine/wine.sh"
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
        ${WINE_VIA:+WINE_VIA=$WINE_VIA} ${REQUIRE_SHIPPED:+REQUIRE_SHIPPED=$REQUIRE_SHIPPED} \
        ${FRESH_ROOT_BENCH:+FRESH_ROOT_BENCH=1} ${RUNS:+RUNS=$RUNS} ${SIBLINGS:+SIBLINGS="$SIBLINGS"} bash -c '
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
        echo "fresh-root: the clone is clean"
        if [ -n "${FRESH_ROOT_BENCH:-}" ]; then step bash scripts/bench.sh; fi'

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
if [ "$mode" = prepare ]; then exit 0; fi
started=$SECONDS
status=0
# The bare root, with a clone of this checkout's HEAD in it.
remove_owned "$root"
mkdir -p "$root"
tar -C "$root" -xf "$cache/$suite.tar"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The mirror's Release file of unstable may be past its Valid-Until date: accepted in a
# sid root only, and said below.
if [ "$suite" = sid ]; then
    echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99fresh-root-sid"
fi
git clone -q "$repo" "$root/root/project"
echo "fresh-root $suite: $(cat "$root/etc/debian_version"), clone of $(git -C "$repo" rev-parse --short HEAD)"
FRESH_ROOT_INSIDE=1 unshare -m -p -f --propagation private bash "$0" "$suite" || status=$?
if [ "$suite" = sid ]; then
    # The Release files apt last read in the root: a date past is said, not hidden.
    for release in "$root"/var/lib/apt/lists/*Release; do
        until=$(sed -n 's/^Valid-Until: //p' "$release" | head -n 1)
        if [ -n "$until" ] && [ "$(date -d "$until" +%s)" -lt "$(date +%s)" ]; then
            echo "fresh-root sid: ${release##*/} was past its Valid-Until ($until); apt in this root accepted it (Acquire::Check-Valid-Until false, for sid alone)"
        fi
    done
fi
# What the root's packages came to: Debian 12 and 13 add i386 for wine32; unstable's
# WoW64 Wine must need no 32-bit Linux package at all.
foreign=$(dpkg --admindir="$root/var/lib/dpkg" --print-foreign-architectures | paste -sd ' ')
i386=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' |
       awk '$1 ~ /:i386$/ && $2 ~ /^i/' | wc -l)
echo "fresh-root $suite: foreign architectures: ${foreign:-none}; i386 packages installed: $i386"
if [ "$suite" = sid ] && { [ -n "$foreign" ] || [ "$i386" != 0 ]; }; then
    echo "fresh-root sid: FAILED: Wine's WoW64 mode was to need no i386 package"
    status=1
fi
# The benchmark runs last: only a run that passed has its document.
if [ -n "${FRESH_ROOT_BENCH:-}" ] && [ "$status" = 0 ]; then
    cp "$root/root/project/docs/performance.md" "$cache/$suite-performance.md"
    echo "fresh-root $suite: the benchmark's document is build/fresh-root/$suite-performance.md"
fi
echo "fresh-root $suite: $( [ "$status" = 0 ] && echo passed || echo FAILED ) in $((SECONDS - started)) s"
exit "$status"
