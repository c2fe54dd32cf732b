#!/bin/bash
# Builds the program and runs it under Wine with a "log" folder beside it, then prints the
# log it left.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
"$src/scripts/build.sh" x86_64
export ORVANE_BUILD_DIR="$src/build-x86_64"
. "$src/scripts/wine-env.sh"
orvane_wine_up
trap orvane_wine_down EXIT
demo="$ORVANE_BUILD_DIR/demo"
rm -rf "$demo"; mkdir -p "$demo/log"
cp "$ORVANE_BUILD_DIR/bin/Orvane.exe" "$demo/"
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a "$WINE" "$demo/Orvane.exe"
else
    "$WINE" "$demo/Orvane.exe"
fi
echo "== $(ls "$demo/log") =="
iconv -f GBK -t UTF-8 "$demo"/log/*.log
