#!/usr/bin/env bash
# Signs the programs of a release zip (Authenticode, SHA-256) and writes, beside it,
# <release>-signed.zip (its programs signed; SHA256SUMS-signed lists the signed files) and
# <release>-signatures.zip (each program's signature alone, <program>.sig, plain PKCS#7
# whichever osslsigncode made it: with it anyone turns a rebuild into the signed release).
#   sign.sh [--force] RELEASE_ZIP     with the key the environment names, each signed
#                                     program verified before anything is written
#   sign.sh --attach SIGNATURES_ZIP [--require-trust] [--force] RELEASE_ZIP
#       the same signed zip from published signatures (release.sh --signatures), in
#       either osslsigncode's form, each found to sign exactly the program at hand (else
#       the rebuild differs); a chain that does not verify (an expired or private
#       certificate) is a warning, with --require-trust an error.
# Nothing written is replaced unless --force. The key: SIGN_PKCS12=<file.p12>, or on a
# token SIGN_PKCS11_URI=<pkcs11:...> SIGN_PKCS11_MODULE=<module.so> SIGN_CERTS=<chain.pem>
# (SIGN_PKCS11_ENGINE names OpenSSL's pkcs11 engine where needed); SIGN_PASSWORD, its
# password or PIN (given to osslsigncode in a file, never on its command line);
# SIGN_TIMESTAMP_URL, an RFC 3161 server whose countersignature keeps the signature valid
# after the certificate expires; SIGN_CAFILE, the authorities to check signatures
# against where the system's do not include the signer's. docs/packaging.md says more.
set -euo pipefail

said() { sed 's/^/sign:   /' "$@" >&2; }
# fail MESSAGE [LOG]: says MESSAGE, and osslsigncode's words in LOG, and stops.
fail() { echo "sign: $1" >&2; if [ -n "${2:-}" ]; then said "$2"; fi; exit 1; }
usage() { sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
signatures= force= require_trust=
while [ $# -gt 1 ]; do
    case $1 in
        --attach) [ $# -gt 2 ] || usage; signatures=$(realpath "$2"); shift 2 ;;
        --force) force=1; shift ;;
        --require-trust) require_trust=1; shift ;;
        *) usage ;;
    esac
done
[ $# = 1 ] && [ -f "$1" ] || usage
[ -z "$require_trust" ] || [ -n "$signatures" ] || usage
signature_py=$(cd "$(dirname "$0")/.." && pwd)/cmake/signature.py
if [ -n "${SIGN_CAFILE:-}" ] && [ ! -r "$SIGN_CAFILE" ]; then
    echo "sign: SIGN_CAFILE names $SIGN_CAFILE, which cannot be read" >&2
    exit 2
fi
release=$(realpath "$1")
name=$(basename "$release" .zip)
out=$(dirname "$release")
signed_zip=$out/$name-signed.zip
published_zip=$out/$name-signatures.zip

# place FILE TARGET...: moves each FILE to its TARGET once none would replace another
# zip, so that the pair is written together or not at all.
place() {
    local -a moves=("$@")
    local i
    for ((i = 0; i < ${#moves[@]}; i += 2)); do
        local target=${moves[i + 1]}
        if [ -e "$target" ] && [ -z "$force" ] && ! cmp -s "${moves[i]}" "$target"; then
            fail "$target exists and differs from what this run made; not replaced (--force replaces it)"
        fi
    done
    for ((i = 0; i < ${#moves[@]}; i += 2)); do
        mv "${moves[i]}" "${moves[i + 1]}"
        echo "sign: ${moves[i + 1]} $(sha256sum "${moves[i + 1]}" | cut -d' ' -f1)"
    done
}
# A new signature is never the same bytes twice (it records the time): say so before
# the key is asked for.
if [ -z "$signatures" ] && [ -z "$force" ]; then
    for target in "$signed_zip" "$published_zip"; do
        [ ! -e "$target" ] || fail "$target exists: signing again would replace it (--force does)"
    done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$release" -d "$work/tree"
tree=$work/tree/$name
[ -d "$tree" ] || fail "$release does not hold the folder $name"
programs=$(cd "$tree" && ls -- *.exe | LC_ALL=C sort)
sigs=$work/sigs/$name-signatures
mkdir -p "$sigs"
log=$work/osslsigncode.log

# differs LOG LABEL: stops when osslsigncode's words in LOG show a signature of other
# bytes than LABEL's; else leaves their Current and Calculated digests.
differs() {
    current=$(sed -n "s/^Current message digest *: *\([0-9A-Fa-f]*\).*/\1/p" "$1" | head -n 1)
    calculated=$(sed -n "s/^Calculated message digest *: *\([0-9A-Fa-f]*\).*/\1/p" "$1" | head -n 1)
    if [ -n "$current" ] && [ "$current" != "$calculated" ]; then
        fail "the rebuild differs: $2 is not the program that was signed (the signature's Authenticode digest $current, the program's $calculated)"
    fi
}
# attach EXE SIG: EXE signed with SIG, in place, once SIG is found to sign exactly
# EXE's bytes and, when signing or with --require-trust, to verify.
attach() {
    local exe=$1 sig=$2 label=$name/$(basename "$1") attached=$work/attached.exe current calculated
    rm -f "$attached"
    # osslsigncode attaches and then verifies; whether it trusts is judged below, so
    # the written file is what counts. Only one form of the two reads in each version.
    osslsigncode attach-signature -sigin "$sig" -in "$exe" -out "$attached" >"$work/as-pkcs7.log" 2>&1 || true
    if [ ! -f "$attached" ]; then
        python3 "$signature_py" wrapped "$sig" "$work/wrapped.sig"
        osslsigncode attach-signature -sigin "$work/wrapped.sig" -in "$exe" -out "$attached" >"$work/as-entry.log" 2>&1 || true
    fi
    if [ ! -f "$attached" ]; then
        # osslsigncode 2.14 verifies as it attaches, and writes nothing for other bytes.
        differs "$work/as-pkcs7.log" "$label"
        echo "sign: osslsigncode attaches the signature of $label in neither form; as PKCS#7 it said:" >&2
        said "$work/as-pkcs7.log"
        echo "sign: and in a WIN_CERTIFICATE entry:" >&2
        said "$work/as-entry.log"
        exit 1
    fi
    local trusted=1
    osslsigncode verify ${SIGN_CAFILE:+-CAfile "$SIGN_CAFILE"} -in "$attached" >"$log" 2>&1 || trusted=
    differs "$log" "$label"
    if [ -z "$current" ] || [ -z "$calculated" ]; then
        fail "osslsigncode verify reads no digests from $label; it said:" "$log"
    fi
    if [ -z "$trusted" ]; then
        if [ -z "$signatures" ]; then
            fail "$label does not verify once signed, so nothing is written; osslsigncode said:" "$log"
        fi
        # OpenSSL's reason for a chain it does not accept, which both versions print: an
        # expired certificate, an authority that is not among those checked against...
        # Without one, the signature itself is broken: that is no question of trust.
        if ! grep -q 'Verify error:' "$log"; then
            fail "the signature of $label does not verify, and not for its certificates; osslsigncode said:" "$log"
        fi
        local reason="$label is the signed program, but its signature does not verify${SIGN_CAFILE:+ against $SIGN_CAFILE}"
        reason+=": $(sed -n 's/.*Verify error: *//p' "$log" | sort -u | paste -sd';' -)"
        if [ -n "$require_trust" ]; then
            fail "$reason"
        fi
        echo "sign: warning: $reason (--require-trust makes this an error)" >&2
    fi
    mv "$attached" "$exe"
}

if [ -n "$signatures" ]; then
    unzip -q "$signatures" -d "$work/published"
    for exe in $programs; do
        sig=$(find "$work/published" -type f -name "$exe.sig" | head -n 1)
        [ -n "$sig" ] || fail "$(basename "$signatures") has no signature of $name/$exe"
        python3 "$signature_py" plain "$sig" "$sigs/$exe.sig"
    done
else
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
        # osslsigncode 2.5 prints its errors on stdout: both streams are its message.
        if ! osslsigncode sign -h sha256 "${key[@]}" ${SIGN_TIMESTAMP_URL:+-ts "$SIGN_TIMESTAMP_URL"} \
                -in "$tree/$exe" -out "$work/$exe" >"$log" 2>&1 ||
           ! osslsigncode extract-signature -in "$work/$exe" -out "$work/$exe.sig" >>"$log" 2>&1; then
            fail "osslsigncode could not sign $name/$exe, so nothing is written; it said:" "$log"
        fi
        python3 "$signature_py" plain "$work/$exe.sig" "$sigs/$exe.sig"
    done
fi
# The signed programs are the published signatures attached, on either side, so that
# the publisher's zip is the verifier's by construction.
for exe in $programs; do
    attach "$tree/$exe" "$sigs/$exe.sig"
done
(cd "$tree" && sha256sum $programs $(ls | grep -v -e '\.exe$' -e '^SHA256SUMS' | LC_ALL=C sort) >SHA256SUMS-signed)

# pack FOLDER ZIP: every entry at the release's own time, in name order, with no owner
# or other field that varies, so that the zip is a function of its contents.
epoch=$(python3 -c 'import sys, zipfile, calendar
print(calendar.timegm(zipfile.ZipFile(sys.argv[1]).infolist()[0].date_time + (0, 0, 0)))' "$release")
pack() {
    (cd "$(dirname "$1")" && find "$(basename "$1")" -type f | LC_ALL=C sort | zip -q -X -D "$2" -@)
    TZ=UTC strip-nondeterminism -t zip -T "$epoch" "$2" >/dev/null
}
pack "$tree" "$work/signed.zip"
if [ -n "$signatures" ]; then
    place "$work/signed.zip" "$signed_zip"
else
    pack "$sigs" "$work/signatures.zip"
    place "$work/signed.zip" "$signed_zip" "$work/signatures.zip" "$published_zip"
fi
