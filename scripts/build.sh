#!/bin/bash
# Configures and builds one architecture: scripts/build.sh x86_64|i686 [build folder]
set -euo pipefail
arch=${1:-x86_64}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$src/build-$arch}
extra=()
[ "$arch" = i686 ] && extra+=(-DORVANE_BUILD_TESTS=OFF)
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${extra[@]}" >/dev/null
cmake --build "$build" -j"${ORVANE_JOBS:-$(nproc)}"
