#!/bin/bash
# The program's main job against the project's own reference server, under Wine:
#   1. the program itself starts, logs and takes its single-instance lock;
#   2. the configuration loading asks the local configuration server which product to
#      install (catalogue, installed products, setup document) and reports "start";
#   3. the product's installer is downloaded by the segmented, resumable engine;
#   4. the statistics server's record of the reports is printed.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
"$src/scripts/build.sh" x86_64
export ORVANE_BUILD_DIR="$src/build-x86_64"
. "$src/scripts/wine-env.sh"
orvane_wine_up
bin="$ORVANE_BUILD_DIR/bin"
demo="$ORVANE_BUILD_DIR/demo"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

rm -rf "$demo"; mkdir -p "$demo/app/log" "$demo/root" "$demo/state" "$demo/download"
srv_pid=0
cleanup() {
    [ "$srv_pid" != 0 ] && kill "$srv_pid" 2>/dev/null && wait "$srv_pid" 2>/dev/null
    orvane_wine_down
}
trap cleanup EXIT
python3 "$src/tools/refserver/refserver.py" --port 0 --root "$demo/root" --state "$demo/state" \
    --port-file "$demo/port" >"$demo/server.log" 2>&1 &
srv_pid=$!
for _ in $(seq 1 100); do [ -s "$demo/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$demo/port")"
echo "== reference server at $base"

cp "$src/tools/demo/catalogue.xml" "$demo/state/maker-catalogue.xml"
sed "s#@BASE@#$base#g" "$src/tools/demo/setup.xml.in" >"$demo/state/maker-setup.xml"
mkdir -p "$demo/root/dl1/product" "$demo/root/dl2/product"
head -c $((24 * 1024 * 1024 + 12345)) /dev/urandom >"$demo/root/dl1/product/kavvik_setup.exe"
cp "$demo/root/dl1/product/kavvik_setup.exe" "$demo/root/dl2/product/kavvik_setup.exe"

run() { if [ -z "${DISPLAY:-}" ]; then xvfb-run -a "$WINE" "$@"; else "$WINE" "$@"; fi; }

echo "== 1. the program starts"
cp "$bin/Orvane.exe" "$demo/app/"
run "$demo/app/Orvane.exe"
iconv -f GBK -t UTF-8 "$demo"/app/log/*.log

echo "== 2. configuration from the configuration server"
cd "$demo/app"
"$WINE" "$bin/configcli.exe" --server "$base" --report startdown | tee "$demo/config.json"
url=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["product"]["installUrl"])' "$demo/config.json")

echo "== 3. download of $url"
"$WINE" "$bin/dlcli.exe" "$url" "$(winpath "$demo/download/kavvik_setup.exe")"
cmp "$demo/root/dl1/product/kavvik_setup.exe" "$demo/download/kavvik_setup.exe"
echo "downloaded file is identical to the server's ($(stat -c %s "$demo/download/kavvik_setup.exe") bytes)"

echo "== 4. reports the statistics server received"
cat "$demo/state/maker-stats.log"
