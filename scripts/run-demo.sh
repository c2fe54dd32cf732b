#!/bin/bash
# The program's main job against the project's own reference server, under Wine: builds,
# serves the default maker scenario (tools/refserver/scenarios/default.json), runs Orvane
# (on a virtual X display when there is none), waits through the loading dialog and the
# download, clicks the finish page's start button, then shows one failed download's message
# box. Leaves the screenshots, the reports the statistics server received, the log and the
# stand-ins' record in build-x86_64/demo (or the folder given) and prints where.
#   scripts/run-demo.sh [OUTDIR]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
"$src/scripts/build.sh" x86_64
export ORVANE_BUILD_DIR="$src/build-x86_64"
out=${1:-$ORVANE_BUILD_DIR/demo}
export WINEPREFIX="$ORVANE_BUILD_DIR/wineprefix-demo"
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    ORVANE_DEMO_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" python3 "$src/tools/demo/demo.py" "$out" \
        "$ORVANE_BUILD_DIR"
else
    python3 "$src/tools/demo/demo.py" "$out" "$ORVANE_BUILD_DIR"
fi
