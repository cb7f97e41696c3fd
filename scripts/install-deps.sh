#!/usr/bin/env bash
# Installs what the builds and test suites need on a Debian 12 machine (run as root).
# Prints what it installs; does nothing when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 llvm-14 clang libclang-rt-14-dev googletest
      wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick fonts-ipafont-gothic locales
      python3 binutils-mingw-w64-i686)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
    echo "install-deps: installing ${need[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
else
    echo "install-deps: all packages present"
fi

# Wine shows Japanese texts only with the ANSI code page 932, which it takes from the locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "install-deps: generating locale ja_JP.UTF-8"
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
