#!/usr/bin/env bash
# The release: builds the three programs alone, from scratch, and has CPack write
# build/release/<project>-<version>.zip with the programs, the players' guide
# (players.txt) and SHA256SUMS. The version is "git describe" of this checkout: the
# nearest tag (or the commit alone where there is none), marked -dirty when the
# working tree has changes. The archive is as reproducible as the programs: its entries
# carry the commit's time (SOURCE_DATE_EPOCH), in a fixed order, without owner or
# other fields that vary, and BUILDINFO names the package versions that made it.
#   release.sh --signatures SIGNATURES_ZIP   also attaches the published signatures
#       (scripts/sign.sh) to the programs just built: the signed zip it writes is the
#       publisher's, byte for byte, when the sources and the tools are the same
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
signatures=
if [ "${1:-}" = --signatures ] && [ $# = 2 ]; then
    # Kept aside: it may lie in build/release, which the build below starts afresh.
    kept=$(mktemp -d)
    trap 'rm -rf "$kept"' EXIT
    cp "$2" "$kept"/
    signatures=$kept/$(basename "$2")
elif [ $# != 0 ]; then
    echo "usage: release.sh [--signatures SIGNATURES_ZIP]" >&2
    exit 2
fi
cd "$repo"

if [ "$(id -u)" = 0 ]; then
    bash scripts/install-deps.sh
fi
if ! version=$(git describe --tags --always --dirty 2>/dev/null); then
    echo "release: not a git checkout, so there is no version to name the archive by" >&2
    exit 1
fi

# The commit's time, not the build's, for every time the archive records.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

out=build/release
tree=$out/tree
rm -rf "$out"
echo "release: building the programs of $version in $tree"
cmake --preset release -DRELEASE_VERSION="$version" >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null
(cd "$tree" && cpack -B "$repo/$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
zip=$(ls "$out"/*-"$version".zip)
# CPack leaves the owner, the permissions and libarchive's order in the entries.
TZ=UTC strip-nondeterminism -t zip -T "$SOURCE_DATE_EPOCH" "$zip"
echo "release: $zip"
unzip -l "$zip" | sed 's/^/release:   /'
echo "release: its SHA256SUMS, to publish beside it:"
unzip -p "$zip" '*/SHA256SUMS' | sed 's/^/release:   /'
echo "release: what built it (BUILDINFO):"
unzip -p "$zip" '*/BUILDINFO' | sed 's/^/release:   /'
echo "release: the archive's own sum: $(sha256sum "$zip" | cut -d' ' -f1)"
if [ -n "$signatures" ]; then
    echo "release: attaching the signatures of $signatures"
    bash scripts/sign.sh --attach "$signatures" "$zip"
fi
