#!/bin/bash
# Checks of the deliverable: a second i686 build of this commit in another folder gives the same
# unsigned Orvane.exe byte for byte, and the program signed by scripts/build.sh with the test
# signer carries a signature that osslsigncode verifies against that signer's certificate.
# Reuses build-i686 as the first build (brought up to date first, which costs nothing after
# the tests).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
first=$src/build-i686
second=${ORVANE_SECOND_BUILD:-$src/build-i686-release}
signers=${ORVANE_TEST_SIGNER_DIR:-$src/build-testsigner}
"$src/scripts/build.sh" i686 "$first"
ORVANE_BUILD_TESTS=OFF ORVANE_SIGN_CERT="$signers/trusted.crt" ORVANE_SIGN_KEY="$signers/trusted.key" \
    "$src/scripts/build.sh" i686 "$second"
cmp "$first/bin/Orvane.exe" "$second/bin/Orvane.exe"
echo "reproducible: $first/bin/Orvane.exe and $second/bin/Orvane.exe are identical"
osslsigncode verify -CAfile "$signers/trusted.crt" -in "$second/release/Orvane.exe" >/dev/null
echo "signature verified: $second/release/Orvane.exe"
