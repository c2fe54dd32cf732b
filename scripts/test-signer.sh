#!/bin/bash
# Creates, once, the test signers the test and demo builds use: "trusted" (the signer those
# builds pin) and "other" (a signer nobody pins), each a self-signed code-signing certificate
# and its key, in build-testsigner/ at the repository root (outside git). Prints the trusted
# signer's SHA-256 thumbprint. scripts/test-signer.sh [folder]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-${ORVANE_TEST_SIGNER_DIR:-$src/build-testsigner}}
mkdir -p "$dir"

make_signer() {
    local name=$1 subject=$2
    [ -s "$dir/$name.crt" ] && [ -s "$dir/$name.key" ] && return
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "$subject" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$dir/$name.key.tmp" -out "$dir/$name.crt.tmp" 2>/dev/null
    mv "$dir/$name.key.tmp" "$dir/$name.key"
    mv "$dir/$name.crt.tmp" "$dir/$name.crt"
}

make_signer trusted "/CN=Orvane Test Signer/O=Orvane tests"
make_signer other "/CN=Orvane Other Signer/O=Orvane tests"
for name in trusted other; do
    openssl x509 -in "$dir/$name.crt" -outform DER -out "$dir/$name.cer"
    openssl x509 -in "$dir/$name.crt" -noout -fingerprint -sha256 | sed 's/.*=//; s/://g' >"$dir/$name.sha256"
done
cat "$dir/trusted.sha256"
