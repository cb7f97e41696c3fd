#!/usr/bin/env bash
# The release: builds the programs alone, from scratch, and has CPack write
# build/release/<project>-<version>.zip ("git describe" of this checkout, -dirty for a
# changed working tree) with the programs, the players' guide (players.txt), BUILDINFO
# and SHA256SUMS, as reproducible as the programs: every entry at the commit's time, in
# a fixed order, without fields that vary (docs/packaging.md). Signed zips stay.
#   release.sh --signatures SIGNATURES_ZIP [--require-trust] [--force]   then attaches
#       the published signatures to the programs just built (sign.sh --attach): the
#       signed zip is the publisher's, byte for byte, when the sources and tools are the same.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: release.sh [--signatures SIGNATURES_ZIP [--require-trust] [--force]]" >&2; exit 2; }
signatures= attach_options=()
while [ $# -gt 0 ]; do
    case $1 in
        --signatures) [ -n "${2:-}" ] || usage; signatures=$2; shift 2 ;;
        --require-trust|--force) attach_options+=("$1"); shift ;;
        *) usage ;;
    esac
done
[ ${#attach_options[@]} = 0 ] || [ -n "$signatures" ] || usage
if [ -n "$signatures" ]; then
    # Kept aside: the build below may start its folder afresh, and runs elsewhere.
    kept=$(mktemp -d)
    trap 'rm -rf "$kept"' EXIT
    cp "$signatures" "$kept"/
    signatures=$kept/$(basename "$signatures")
fi
cd "$repo"

if [ "$(id -u)" = 0 ]; then
    bash scripts/install-deps.sh --release
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
project=$(sed -n 's/^project(\([A-Za-z0-9_]*\).*/\1/p' CMakeLists.txt)
rm -rf "$tree" "$out/_CPack_Packages" "$out/$project-$version.zip"
echo "release: building the programs of $version in $tree"
cmake --preset release -DRELEASE_VERSION="$version" >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null
(cd "$tree" && cpack -B "$repo/$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
zip=$out/$project-$version.zip
# CPack leaves the owner, the permissions and libarchive's order in the entries.
TZ=UTC strip-nondeterminism -t zip -T "$SOURCE_DATE_EPOCH" "$zip"
echo "release: $zip"
unzip -l "$zip" | sed 's/^/release:   /'
for part in "SHA256SUMS, to publish beside it" "BUILDINFO, what decides its bytes"; do
    echo "release: its $part:" && unzip -p "$zip" "*/${part%%,*}" | sed 's/^/release:   /'
done
echo "release: the archive's own sum: $(sha256sum "$zip" | cut -d' ' -f1)"
if [ -n "$signatures" ]; then
    echo "release: attaching the signatures of $signatures"
    bash scripts/sign.sh --attach "$signatures" "${attach_options[@]}" "$zip"
fi
