#!/bin/bash
# Configures and builds one architecture: scripts/build.sh x86_64|i686 [build folder]
#
# The build pins the project's test signer (scripts/test-signer.sh), so the tests and the
# demo run the stand-ins it signs. A release pins the maker's signers instead:
#   ORVANE_TRUSTED_SIGNERS="<sha256>[;<sha256>...]"   (empty: installers are not verified)
# and is signed when a certificate and its key are given (PEM; osslsigncode), into
# release/Orvane.exe of the build folder; bin/Orvane.exe stays the unsigned build:
#   ORVANE_SIGN_CERT=cert.pem ORVANE_SIGN_KEY=key.pem [ORVANE_SIGN_TIMESTAMP_URL=...]
set -euo pipefail
arch=${1:-x86_64}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$src/build-$arch}
signer_dir=${ORVANE_TEST_SIGNER_DIR:-$src/build-testsigner}
test_signer=$("$src/scripts/test-signer.sh" "$signer_dir")
trusted=${ORVANE_TRUSTED_SIGNERS-$test_signer}
# Both architectures build the test programs unless ORVANE_BUILD_TESTS=OFF.
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS="${ORVANE_BUILD_TESTS:-ON}" \
    -DORVANE_TRUSTED_SIGNERS="$trusted" -DORVANE_TEST_SIGNER_DIR="$signer_dir" >/dev/null
cmake --build "$build" -j"${ORVANE_JOBS:-$(nproc)}"

if [ -n "${ORVANE_SIGN_CERT:-}" ] || [ -n "${ORVANE_SIGN_KEY:-}" ]; then
    : "${ORVANE_SIGN_CERT:?ORVANE_SIGN_CERT must name the signing certificate}"
    : "${ORVANE_SIGN_KEY:?ORVANE_SIGN_KEY must name the key of the certificate}"
    mkdir -p "$build/release"
    timestamp=()
    [ -n "${ORVANE_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$ORVANE_SIGN_TIMESTAMP_URL")
    rm -f "$build/release/Orvane.exe"
    osslsigncode sign -certs "$ORVANE_SIGN_CERT" -key "$ORVANE_SIGN_KEY" -h sha256 -n "Orvane" \
        "${timestamp[@]}" -in "$build/bin/Orvane.exe" -out "$build/release/Orvane.exe" >/dev/null
    echo "signed: $build/release/Orvane.exe"
fi
