#!/bin/bash
# Configures and builds one architecture: scripts/build.sh x86_64|i686 [build folder]
set -euo pipefail
arch=${1:-x86_64}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$src/build-$arch}
# Both architectures build the test programs unless ORVANE_BUILD_TESTS=OFF.
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS="${ORVANE_BUILD_TESTS:-ON}" >/dev/null
cmake --build "$build" -j"${ORVANE_JOBS:-$(nproc)}"
