#!/usr/bin/env bash
# The release: builds the three programs alone, from scratch, and has CPack write
# build/release/<project>-<version>.zip with the programs, the players' guide
# (players.txt) and SHA256SUMS. The version is "git describe" of this checkout: the
# nearest tag (or the commit alone where there is none), marked -dirty when the
# working tree has changes.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

if [ "$(id -u)" = 0 ]; then
    bash scripts/install-deps.sh
fi
if ! version=$(git describe --tags --always --dirty 2>/dev/null); then
    echo "release: not a git checkout, so there is no version to name the archive by" >&2
    exit 1
fi

out=build/release
tree=$out/tree
rm -rf "$out"
echo "release: building the programs of $version in $tree"
cmake --preset release -DRELEASE_VERSION="$version" >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null
(cd "$tree" && cpack -B "$repo/$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
zip=$(ls "$out"/*-"$version".zip)
echo "release: $zip"
unzip -l "$zip" | sed 's/^/release:   /'
echo "release: its SHA256SUMS, to publish beside it:"
unzip -p "$zip" '*/SHA256SUMS' | sed 's/^/release:   /'
