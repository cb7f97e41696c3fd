#!/usr/bin/env bash
# Installs what the builds and test suites need on a Debian 12 machine (run as root),
# a bare one included. Prints what it installs; does nothing when everything is there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
updated=
apt_update() {
    if [ -z "$updated" ]; then apt-get update -qq; updated=1; fi
}

# wine64 brings the 64-bit wineserver, which runs natively even where the 32-bit
# programs it serves run through qemu.
pkgs=(cmake make g++ g++-mingw-w64-i686 binutils-mingw-w64-i686 llvm-14 clang libclang-rt-14-dev
      googletest wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick
      fonts-ipafont-gothic locales python3)
need=()
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
    echo "install-deps: installing ${need[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt_update
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
else
    echo "install-deps: all packages present"
fi

# Where the kernel cannot execute 32-bit Linux programs, Wine's 32-bit loader runs
# through qemu-i386. Debian 12's own qemu-user takes about a minute a program start;
# the one in bookworm-backports about a second.
qemu_from_backports() {
    dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | grep -q '~bpo12'
}
if { [ "${WINE_VIA:-}" = qemu ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; } &&
        ! qemu_from_backports; then
    apt_update
    mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' | awk '$1 == "bookworm" { print $2; exit }')
    if ! apt-get indextargets --format '$(RELEASE)' | grep -qx bookworm-backports; then
        echo "install-deps: adding bookworm-backports from ${mirror:-http://deb.debian.org/debian/}"
        echo "deb ${mirror:-http://deb.debian.org/debian/} bookworm-backports main" \
            >/etc/apt/sources.list.d/bookworm-backports.list
        apt-get update -qq
    fi
    echo "install-deps: installing qemu-user from bookworm-backports"
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
fi

# Wine takes the ANSI code page from the locale: 932 for the tools' Japanese texts, and
# 1252, 936, 949 and 950 for the checks on systems of other code pages.
for loc in ja_JP fr_FR zh_CN ko_KR zh_TW; do
    if ! locale -a 2>/dev/null | grep -qix "$loc\.utf-\?8"; then
        echo "install-deps: generating locale $loc.UTF-8"
        sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >>/etc/locale.gen
        regenerate=1
    fi
done
if [ -n "${regenerate:-}" ]; then locale-gen >/dev/null; fi
