#!/bin/bash
# Runs one Windows test program under Wine, with a reference server of its own on a fresh
# port of 127.0.0.1. The program learns the server from ORVANE_TEST_SERVER (http://host:port)
# and the folder it serves from ORVANE_TEST_ROOT (a Windows path it may write files into).
set -u
here=$(cd "$(dirname "$0")" && pwd)
: "${ORVANE_BUILD_DIR:=$(cd "$(dirname "$1")/.." && pwd)}"
export ORVANE_BUILD_DIR
. "$here/wine-env.sh"
orvane_wine_up

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-test.XXXXXX")
trap '[ "$srv_pid" != 0 ] && { kill $srv_pid 2>/dev/null; wait $srv_pid 2>/dev/null; }; rm -rf "$work"' EXIT
srv_pid=0
server="$here/../tools/refserver/refserver.py"
if [ -f "$server" ]; then
    mkdir -p "$work/root"
    python3 "$server" --port 0 --root "$work/root" --state "$work/state" \
        --port-file "$work/port" >"$work/server.log" 2>&1 &
    srv_pid=$!
    for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
    if [ ! -s "$work/port" ]; then
        echo "reference server did not start:"; cat "$work/server.log"; exit 1
    fi
    export ORVANE_TEST_SERVER="http://127.0.0.1:$(cat "$work/port")"
    export ORVANE_TEST_ROOT="Z:$(echo "$work/root" | tr / '\\')"
    export ORVANE_TEST_STATE="Z:$(echo "$work/state" | tr / '\\')"
fi
export ORVANE_TEST_TMP="Z:$(echo "$work" | tr / '\\')"
"$WINE" "$@"
rc=$?
if [ $rc -ne 0 ] && [ -s "$work/server.log" ]; then
    echo "---- reference server log (tail) ----"; tail -n 40 "$work/server.log"
fi
exit $rc
