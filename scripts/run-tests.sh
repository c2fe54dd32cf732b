#!/bin/bash
# Installs what is missing, builds both architectures and runs every test of the x86_64
# build under Wine (the deliverable i686 build must compile warning-free too).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
"$src/scripts/build.sh" i686
"$src/scripts/build.sh" x86_64
export ORVANE_BUILD_DIR="$src/build-x86_64"
. "$src/scripts/wine-env.sh"
orvane_wine_up
trap orvane_wine_down EXIT
cd "$ORVANE_BUILD_DIR"
run_ctest() { ctest --output-on-failure -j2 "$@"; }
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"
else
    run_ctest "$@"
fi
