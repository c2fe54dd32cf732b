#!/bin/bash
# Saves screenshots of every skinned control, the real pages, the message box and the loading
# window into OUTDIR:
#   tools/skinshots/skinshots.sh OUTDIR [BUILD_DIR]
# Builds the x86_64 tree when the program is missing, then runs it under Wine on a fresh
# Xvfb display with the test prefix (its font replacements make Chinese text readable).
set -eu
out=${1:?usage: skinshots.sh OUTDIR [BUILD_DIR]}
src=$(cd "$(dirname "$0")/../.." && pwd)
export ORVANE_BUILD_DIR=${2:-$src/build-x86_64}
[ -x "$ORVANE_BUILD_DIR/bin/skinshots.exe" ] || "$src/scripts/build.sh" x86_64
mkdir -p "$out"
out=$(cd "$out" && pwd)
. "$src/scripts/wine-env.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    . "$0/scripts/wine-env.sh"
    orvane_wine_up
    "$WINE" "$ORVANE_BUILD_DIR/bin/skinshots.exe" "$1"
    rc=$?
    orvane_wine_down
    exit $rc' "$src" "$out"
ls "$out"
