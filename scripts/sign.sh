#!/usr/bin/env bash
# Signs the programs of a release zip (Authenticode, SHA-256) and writes, beside it:
#   <release>-signed.zip      the release with its programs signed, and SHA256SUMS-signed
#                             listing the signed files (SHA256SUMS still lists the unsigned)
#   <release>-signatures.zip  each program's signature alone, <program>.sig, to publish:
#                             with it anyone can turn a rebuild into the signed release
#
#   sign.sh RELEASE_ZIP                         signs with the key the environment names
#   sign.sh --attach SIGNATURES_ZIP RELEASE_ZIP the same signed zip from published
#                                               signatures (release.sh --signatures)
#
# The key, either
#   SIGN_PKCS12=<file.p12>                      key and certificate chain in one file
#   SIGN_PKCS11_URI=<pkcs11:...> SIGN_PKCS11_MODULE=<module.so> SIGN_CERTS=<chain.pem>
#                                               a key on a token; SIGN_PKCS11_ENGINE names
#                                               OpenSSL's pkcs11 engine where it is needed
# with SIGN_PASSWORD, the file's password or the token's PIN (given to osslsigncode in
# a file, never on its command line), and optionally SIGN_TIMESTAMP_URL, an RFC 3161
# time-stamping server, whose countersignature keeps the signature valid after the
# certificate expires. SIGN_CAFILE: the authorities to check attached signatures
# against, where the system's do not include the signer's.
set -euo pipefail

usage() { sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
signatures=
if [ "${1:-}" = --attach ]; then
    [ $# = 3 ] || usage
    signatures=$(realpath "$2")
    shift 2
fi
[ $# = 1 ] && [ -f "$1" ] || usage
release=$(realpath "$1")
name=$(basename "$release" .zip)
out=$(dirname "$release")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$release" -d "$work/tree"
tree=$work/tree/$name
[ -d "$tree" ] || { echo "sign: $release does not hold the folder $name" >&2; exit 1; }
programs=$(cd "$tree" && ls -- *.exe | LC_ALL=C sort)
sigs=$work/sigs/$name-signatures
mkdir -p "$sigs"

if [ -n "$signatures" ]; then
    unzip -q "$signatures" -d "$work/sigs"
    # What is attached is checked against the system's authorities, or SIGN_CAFILE's (a
    # private authority's, as in the tests): by attach-signature itself up to osslsigncode
    # 2.9, by verify from 2.14 (Debian unstable), whose attach-signature checks only the
    # digest and takes no -CAfile.
    version=$(osslsigncode --version 2>&1 | sed -n '1s/^osslsigncode \([0-9.]*\).*/\1/p')
    for exe in $programs; do
        [ -f "$sigs/$exe.sig" ] || { echo "sign: $(basename "$signatures") has no signature of $name/$exe" >&2; exit 1; }
        if dpkg --compare-versions "$version" lt 2.14; then
            osslsigncode attach-signature ${SIGN_CAFILE:+-CAfile "$SIGN_CAFILE"} -sigin "$sigs/$exe.sig" \
                -in "$tree/$exe" -out "$work/$exe" >/dev/null
        else
            osslsigncode attach-signature -sigin "$sigs/$exe.sig" -in "$tree/$exe" -out "$work/$exe" >/dev/null
            osslsigncode verify ${SIGN_CAFILE:+-CAfile "$SIGN_CAFILE"} -in "$work/$exe" >"$work/verify.log" 2>&1 ||
                { cat "$work/verify.log" >&2; echo "sign: the signature of $exe does not verify" >&2; exit 1; }
        fi
        mv "$work/$exe" "$tree/$exe"
    done
else
    key=()
    if [ -n "${SIGN_PKCS12:-}" ]; then
        key=(-pkcs12 "$SIGN_PKCS12")
    elif [ -n "${SIGN_PKCS11_URI:-}" ]; then
        key=(${SIGN_PKCS11_ENGINE:+-pkcs11engine "$SIGN_PKCS11_ENGINE"} -pkcs11module "${SIGN_PKCS11_MODULE:?}"
             -certs "${SIGN_CERTS:?}" -key "$SIGN_PKCS11_URI")
    else
        echo "sign: no key: set SIGN_PKCS12, or SIGN_PKCS11_URI with SIGN_PKCS11_MODULE and SIGN_CERTS" >&2
        exit 2
    fi
    if [ -n "${SIGN_PASSWORD:-}" ]; then
        (umask 077 && printf '%s' "$SIGN_PASSWORD" >"$work/password")
        key+=(-readpass "$work/password")
    fi
    for exe in $programs; do
        osslsigncode sign -h sha256 "${key[@]}" ${SIGN_TIMESTAMP_URL:+-ts "$SIGN_TIMESTAMP_URL"} \
            -in "$tree/$exe" -out "$work/$exe" >/dev/null
        mv "$work/$exe" "$tree/$exe"
        osslsigncode extract-signature -in "$tree/$exe" -out "$sigs/$exe.sig" >/dev/null
    done
fi
(cd "$tree" && sha256sum $programs $(ls | grep -v -e '\.exe$' -e '^SHA256SUMS' | LC_ALL=C sort) >SHA256SUMS-signed)

# pack FOLDER ZIP: every entry at the release's own time, in name order, with no owner
# or other field that varies, so that the zip is a function of its contents.
epoch=$(python3 -c 'import sys, zipfile, calendar
print(calendar.timegm(zipfile.ZipFile(sys.argv[1]).infolist()[0].date_time + (0, 0, 0)))' "$release")
pack() {
    local zip=$2
    rm -f "$zip"
    (cd "$(dirname "$1")" && find "$(basename "$1")" -type f | LC_ALL=C sort | zip -q -X -D "$zip" -@)
    TZ=UTC strip-nondeterminism -t zip -T "$epoch" "$zip"
}
pack "$tree" "$work/signed.zip"
mv "$work/signed.zip" "$out/$name-signed.zip"
echo "sign: $out/$name-signed.zip $(sha256sum "$out/$name-signed.zip" | cut -d' ' -f1)"
if [ -z "$signatures" ]; then
    pack "$sigs" "$work/signatures.zip"
    mv "$work/signatures.zip" "$out/$name-signatures.zip"
    echo "sign: $out/$name-signatures.zip $(sha256sum "$out/$name-signatures.zip" | cut -d' ' -f1)"
fi
