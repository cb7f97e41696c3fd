#!/usr/bin/env bash
# Installs what the builds and test suites need on a Debian 12, 13 or unstable machine
# (run as root), a bare one included. Prints what it installs; does nothing when
# everything is there. Package names that differ between releases are asked of apt, not
# of a table.
#   install-deps.sh --release   only what release.sh and sign.sh need: no Wine, no tests
set -euo pipefail
release_only=
if [ "${1:-}" = --release ]; then release_only=1; fi
export DEBIAN_FRONTEND=noninteractive

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# A mirror caught mid-sync fails one index (seen: the security suite's i386 one), which is
# outside this project: say so and go on; if the packages then cannot agree across
# architectures, install_pkgs takes the release's own suite.
updated= index_failed=
apt_update() {
    [ -n "$updated" ] && return 0
    updated=1
    local log
    log=$(apt-get update -qq 2>&1) && return 0
    index_failed=1
    echo "install-deps: apt-get update failed for part of the mirror (outside this project):"
    echo "$log" | grep '^E:' | sed 's/^/install-deps:   /'
    echo "install-deps: going on with the package lists that did load"
}
install_pkgs() {  # install_pkgs [apt options] PACKAGES
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
    if [ -n "$index_failed" ] && [ -n "$codename" ]; then
        echo "install-deps: retrying from $codename itself, whose architectures agree"
        apt-get install -y -qq --no-install-recommends -t "$codename" "$@" >/dev/null && return 0
        echo "install-deps: failed; the mirror's lists were incomplete (see above), which is outside this project"
    fi
    return 1
}

# A bare root has no package lists: names that differ between releases need them.
if [ -z "$(apt-cache pkgnames clang- 2>/dev/null | head -n 1)" ]; then apt_update; fi

# clang's version, as the release's clang package names it; its LLVM brings
# llvm-windres, and libclang-rt its libFuzzer.
llvm=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1) || true
if [ -z "$llvm" ]; then echo "install-deps: apt knows no clang package here"; exit 1; fi

# Which Wine runs the 32-bit programs is tests/wine/wine.sh's to say. A WoW64 Wine needs no
# i386 package, nor qemu; without its X libraries (only recommended) no window is drawn.
# wine64 brings the 64-bit wineserver, native even where the programs run through qemu.
# What release.sh and sign.sh need (--release); the builds and suites need the rest.
pkgs=(cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 "llvm-$llvm" clang python3 strip-nondeterminism
      zip unzip osslsigncode openssl)
wow64=
if [ -z "$release_only" ]; then
    . "$(dirname "$0")/../tests/wine/wine.sh"
    pkgs+=(g++ "libclang-rt-$llvm-dev" googletest wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
           fonts-ipafont-gothic locales python3-pefile)
    if [ "$(wine_route_to_install)" = wow64 ]; then
        wow64=1
        echo "install-deps: this release's Wine runs 32-bit programs in WoW64 mode: no i386 package, no qemu"
        pkgs+=(libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1)
    else
        pkgs+=(wine32:i386)
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
            updated=
        fi
    fi
fi
need=()
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
    echo "install-deps: installing ${need[*]}"
    apt_update
    install_pkgs "${need[@]}"
else
    echo "install-deps: all packages present"
fi
if [ -n "$release_only" ]; then exit 0; fi
wine_paths
if [ -n "$wow64" ] && [ "$WINE_ROUTE" != wow64 ]; then
    echo "install-deps: libwine:amd64 brought no 32-bit Windows DLLs; its WoW64 mode was expected"
    exit 1
fi

# Where Wine's 32-bit loader runs through qemu-i386, qemu must be 8 or newer (7.2 takes
# about a minute a start): the release's own where it is, otherwise its backports.
qemu_major() { sed -n 's/^\([0-9]*:\)\{0,1\}\([0-9][0-9]*\)\..*/\2/p' | head -n 1; }
if wine_needs_qemu; then
    installed=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | qemu_major) || true
    if [ "${installed:-0}" -lt 8 ]; then
        apt_update
        suite=$codename
        own=$(apt-cache policy qemu-user | sed -n 's/^ *Candidate: //p' | qemu_major) || true
        if [ "${own:-0}" -lt 8 ]; then
            suite=$codename-backports
            if ! apt-get indextargets --format '$(RELEASE)' | grep -qx "$suite"; then
                mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' |
                         awk -v r="$codename" '$1 == r { print $2; exit }')
                mirror=${mirror:-http://deb.debian.org/debian/}
                echo "install-deps: adding $suite from $mirror"
                echo "deb $mirror $suite main" >"/etc/apt/sources.list.d/$suite.list"
                updated=
                apt_update
            fi
        fi
        echo "install-deps: installing qemu-user from $suite"
        install_pkgs -t "$suite" qemu-user
    fi
fi

# Wine takes the ANSI code page from the locale: 932 for the tools' Japanese texts, and
# others for the checks on systems of other code pages.
for loc in $(wine_code_pages | sed 's/\.UTF-8 .*//'); do
    if ! locale -a 2>/dev/null | grep -qix "$loc\.utf-\?8"; then
        echo "install-deps: generating locale $loc.UTF-8"
        sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >>/etc/locale.gen
        regenerate=1
    fi
done
if [ -n "${regenerate:-}" ]; then locale-gen >/dev/null; fi
