#!/usr/bin/env bash
# Signs the given programs, packed as a release, with scripts/sign.sh and a throwaway
# certificate authority of its own, and checks what a verifier relies on: the signatures
# verify against that authority and nothing else; removing one gives back the programs'
# own bytes; the published signatures are the PKCS#7 alone and, attached to the same
# bytes in that form or in osslsigncode 2.5's, or by another osslsigncode than the one
# that signed (where one can be unpacked), give the same signed zip, with a warning
# only once the chain has expired; a signature of other bytes is refused as a rebuild
# that differs. Signing with a wrong password or an expired certificate fails, saying
# osslsigncode's reason and writing nothing, and signing again replaces nothing.
# Leaves the signed programs in SIGNED_DIR for the end-to-end run.
# Usage: signing_test.sh SOURCE SIGNED_DIR EXE...
set -euo pipefail
source=$1 signed=$(realpath -m "$2")
mapfile -t programs < <(realpath "${@:3}")
work=$(mktemp -d "${TMPDIR:-/tmp}/signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

release=SupportTools-test
mkdir -p "$release" publisher
cp "${programs[@]}" "$release"/
(cd "$release" && sha256sum -- *.exe >SHA256SUMS)
zip -q -r publisher/$release.zip $release

ssl() { openssl "$@" 2>/dev/null; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Throwaway test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
ssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Throwaway code signer"
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
# x509 DAYS ARGS: a certificate valid for DAYS from now, or one that expired yesterday
# for -1, which OpenSSL 3.0 takes as it stands and 3.5 only as dates.
x509() {
    local days=$1
    shift
    ssl x509 "$@" -days "$days" ||
        ssl x509 "$@" -not_before "$(date -u -d '2 days ago' +%Y%m%d%H%M%SZ)" -not_after "$(date -u -d '1 day ago' +%Y%m%d%H%M%SZ)"
}
for days in 2 -1; do  # -1: expired yesterday
    x509 $days -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile signer.ext -out signer$days.pem
    ssl pkcs12 -export -inkey signer.key -in signer$days.pem -certfile ca.pem -passout pass:throwaway -out signer$days.p12
done
# Any authority but the signer's: the verification below must depend on which one.
ssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 2 -subj "/CN=Another CA"
# The signer's authority as it will be once its certificate has expired.
ssl req -new -key ca.key -subj "/CN=Throwaway test CA" -out ca.csr
printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign\nsubjectKeyIdentifier=hash\n' >ca.ext
x509 -1 -req -in ca.csr -signkey ca.key -out ca-expired.pem -extfile ca.ext

status=0
fail() { echo "FAIL: $*"; status=1; }
sign() { bash "$source/scripts/sign.sh" "$@" >sign.log 2>&1 || { cat sign.log; return 1; }; }
# refused TEXT COMMAND...: COMMAND fails and says TEXT.
refused() {
    local text=$1; shift
    if "$@" >refused.log 2>&1; then fail "$* succeeded"; fi
    grep -q -- "$text" refused.log || { cat refused.log; fail "$* did not say \"$text\""; }
}
# zips DIR: what DIR holds besides the release zip.
zips() { ls "$1" | grep -vx "$release.zip" || true; }
attached() {  # attached DIR [SIGN_CAFILE]: the published signatures on DIR's release
    mkdir -p "$1" && cp publisher/$release.zip "$1"/
    SIGN_CAFILE=${2:-ca.pem} sign --attach publisher/$release-signatures.zip "$1/$release.zip"
}

SIGN_PKCS12=signer2.p12 SIGN_PASSWORD=throwaway SIGN_CAFILE=ca.pem sign publisher/$release.zip
cp publisher/$release-signed.zip publisher/$release-signatures.zip .
SIGN_PKCS12=signer2.p12 SIGN_PASSWORD=throwaway SIGN_CAFILE=ca.pem refused "exists" bash "$source/scripts/sign.sh" publisher/$release.zip
cmp -s $release-signed.zip publisher/$release-signed.zip && cmp -s $release-signatures.zip publisher/$release-signatures.zip ||
    fail "signing again replaced the published zips"
attached verifier
cmp publisher/$release-signed.zip verifier/$release-signed.zip || fail "signatures attached to the same bytes give another zip"
# Another osslsigncode on this machine (of Debian 12's 2.5 and its backports' 2.9, the one
# not installed, unpacked from its package): signed with either, the other attaches the
# signatures to the same signed zip.
mine=$(dpkg-query -W -f='${Version}' osslsigncode 2>/dev/null || true)
other=$(apt-cache madison osslsigncode 2>/dev/null | awk -F' *[|] *' -v mine="$mine" '$2 != mine { print $2; exit }')
if [ -n "$other" ] && (mkdir other && cd other && apt-get download "osslsigncode=$other" && dpkg-deb -x ./*.deb .) >/dev/null 2>&1; then
    PATH=$work/other/usr/bin:$PATH attached verifier-other
    cmp publisher/$release-signed.zip verifier-other/$release-signed.zip || fail "osslsigncode $other attaches to another zip"
    mkdir -p other-publisher other-verifier && cp publisher/$release.zip other-publisher/ && cp publisher/$release.zip other-verifier/
    PATH=$work/other/usr/bin:$PATH SIGN_PKCS12=signer2.p12 SIGN_PASSWORD=throwaway SIGN_CAFILE=ca.pem sign other-publisher/$release.zip
    SIGN_CAFILE=ca.pem sign --attach other-publisher/$release-signatures.zip other-verifier/$release.zip
    cmp other-publisher/$release-signed.zip other-verifier/$release-signed.zip || fail "osslsigncode $mine attaches to another zip"
    echo "signed with osslsigncode $mine, attached with $other, and the other way round: the same signed zips"
else
    echo "osslsigncode $mine alone here (no other version to unpack): signed and attached with it alone"
fi
# osslsigncode 2.5's form: each signature in its WIN_CERTIFICATE entry.
mkdir -p wrapped/$release-signatures
unzip -q publisher/$release-signatures.zip -d plain
for sig in plain/*/*.sig; do
    ssl pkcs7 -inform DER -in "$sig" -noout || fail "$(basename "$sig") is not the PKCS#7 alone"
    python3 "$source/cmake/signature.py" wrapped "$sig" "wrapped/$release-signatures/$(basename "$sig")"
done
(cd wrapped && zip -q -r ../publisher/$release-signatures.zip $release-signatures)
attached verifier25
cmp publisher/$release-signed.zip verifier25/$release-signed.zip || fail "osslsigncode 2.5's form gives another zip"
attached expired ca-expired.pem
grep -q "warning: .*certificate has expired" sign.log || { cat sign.log; fail "an expired chain gives no warning"; }
cmp publisher/$release-signed.zip expired/$release-signed.zip || fail "an expired chain stops the reproduction"
cp publisher/$release.zip expired/
SIGN_CAFILE=ca-expired.pem refused "certificate has expired" \
    bash "$source/scripts/sign.sh" --attach publisher/$release-signatures.zip --require-trust --force expired/$release.zip
# A signature whose value is broken (its last byte) is no question of trust.
python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[-1] ^= 1; open(sys.argv[1], "wb").write(d)' \
    plain/$release-signatures/"$(basename "${programs[0]}")".sig
(cd plain && zip -q -r ../broken.zip $release-signatures) && mkdir -p broken && cp publisher/$release.zip broken/
SIGN_CAFILE=ca.pem refused "does not verify, and not for its certificates" \
    bash "$source/scripts/sign.sh" --attach broken.zip broken/$release.zip
# Other bytes under one program's name.
mkdir -p differs/$release && cp "${programs[@]}" differs/$release/ && cp "${programs[1]}" differs/$release/"$(basename "${programs[0]}")"
(cd differs && zip -q -r $release.zip $release && rm -r $release)
SIGN_CAFILE=ca.pem refused "the rebuild differs: $release/$(basename "${programs[0]}")" \
    bash "$source/scripts/sign.sh" --attach publisher/$release-signatures.zip differs/$release.zip
[ -z "$(zips differs)" ] || fail "a rebuild that differs still wrote $(zips differs)"

# osslsigncode's words for a wrong password: 2.5 and 2.9 "(Wrong password?)", 2.14 "maybe wrong password".
for case in "wrong password:signer2:wrong:rong password" "expired certificate:signer-1:throwaway:certificate has expired"; do
    IFS=: read -r what key password text <<<"$case"
    mkdir -p "$key" && cp publisher/$release.zip "$key"/
    SIGN_PKCS12=$key.p12 SIGN_PASSWORD=$password SIGN_CAFILE=ca.pem refused "$text" bash "$source/scripts/sign.sh" "$key/$release.zip"
    [ -z "$(zips "$key")" ] || fail "signing with a $what still wrote $(zips "$key")"
done

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
