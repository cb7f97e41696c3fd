#!/usr/bin/env bash
# Signs the given programs, packed as a release, with scripts/sign.sh and a throwaway
# certificate authority of its own, and checks what a verifier relies on: the signatures
# verify against that authority and nothing else; removing one gives back the programs'
# own bytes; the published signatures attached to the same bytes give the same signed
# zip, and are refused where another authority is the trusted one. Leaves the signed programs in SIGNED_DIR for the end-to-end run.
# Usage: signing_test.sh SOURCE SIGNED_DIR EXE...
set -euo pipefail
source=$1 signed=$(realpath -m "$2")
mapfile -t programs < <(realpath "${@:3}")
work=$(mktemp -d "${TMPDIR:-/tmp}/signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

release=SupportTools-test
mkdir -p "$release" publisher verifier
cp "${programs[@]}" "$release"/
(cd "$release" && sha256sum -- *.exe >SHA256SUMS)
zip -q -r publisher/$release.zip $release
cp publisher/$release.zip verifier/

ssl() { openssl "$@" 2>/dev/null; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Throwaway test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
ssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Throwaway code signer"
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
ssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext -out signer.pem
ssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout pass:throwaway -out signer.p12
# Any authority but the signer's: the verification below must depend on which one.
ssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 2 -subj "/CN=Another CA"

SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway bash "$source/scripts/sign.sh" publisher/$release.zip
SIGN_CAFILE=ca.pem bash "$source/scripts/sign.sh" --attach publisher/$release-signatures.zip verifier/$release.zip
status=0
fail() { echo "FAIL: $*"; status=1; }
cmp publisher/$release-signed.zip verifier/$release-signed.zip || fail "signatures attached to the same bytes give another zip"
mkdir stranger && cp publisher/$release.zip stranger/
SIGN_CAFILE=other.pem bash "$source/scripts/sign.sh" --attach publisher/$release-signatures.zip stranger/$release.zip \
    >/dev/null 2>&1 && fail "signatures attached though their authority is not the trusted one"

rm -rf "$signed"
unzip -q -j publisher/$release-signed.zip -d "$signed"
(cd "$signed" && sha256sum --quiet -c SHA256SUMS-signed) || fail "SHA256SUMS-signed does not hold"
for exe in "${programs[@]}"; do
    name=$(basename "$exe")
    osslsigncode verify -CAfile ca.pem -in "$signed/$name" >verify.log || { cat verify.log; fail "$name does not verify"; }
    osslsigncode verify -CAfile other.pem -in "$signed/$name" >/dev/null 2>&1 && fail "$name verifies against another CA"
    rm -f unsigned.exe  # osslsigncode writes no file over another
    osslsigncode remove-signature -in "$signed/$name" -out unsigned.exe >/dev/null
    cmp unsigned.exe "$exe" || fail "$name without its signature is not the unsigned program"
    echo "signed, verified, removed: $name $(sha256sum <"$signed/$name" | cut -d' ' -f1)"
done
exit "$status"
