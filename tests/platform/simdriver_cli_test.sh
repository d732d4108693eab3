#!/usr/bin/env bash
# The tessary-simdriver command line against a daemon of its own:
#   simdriver_cli_test.sh PATH_TO_TESSARY_SIMDRIVER
set -euo pipefail
daemon=$1
work=$(mktemp -d /tmp/tessary-cli-XXXXXX)
export TESSARY_DRIVER_SOCKET=$work/run/driver.sock TESSARY_REGISTRY_DIR=$work/registry
mkdir -p "$TESSARY_REGISTRY_DIR"
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if "$daemon" status 2>"$work/err"; then fail "status without a daemon succeeded"; fi
grep -q "no simulated driver is running" "$work/err" || fail "no clear message without a daemon"

"$daemon" serve --units 2 >"$work/out" &
pid=$!
for _ in $(seq 100); do [ -S "$TESSARY_DRIVER_SOCKET" ] && break; sleep 0.05; done
[ -S "$TESSARY_DRIVER_SOCKET" ] || fail "socket not created"

"$daemon" status | grep -q "^2 units" || fail "status does not show two units"
"$daemon" plug | grep -q "plugged unit 2" || fail "plug"
"$daemon" fault api 2.9 >/dev/null
"$daemon" fault fail 0x80882804 0xE0000110 >/dev/null
"$daemon" fault async all 5 >/dev/null
json=$("$daemon" status --json)
case $json in *'"apiVersion":"2.9"'*'"0x80882804":"0xE0000110"'*'"all":5'*) ;; *) fail "json: $json" ;; esac
"$daemon" fault clear >/dev/null
"$daemon" status --json | grep -q '"failures":{}' || fail "fault clear"
if "$daemon" fault api two 2>/dev/null; then fail "accepted a malformed version"; fi
if "$daemon" serve 2>/dev/null; then fail "second daemon started"; fi
if "$daemon" serve --units 33 2>"$work/err"; then fail "accepted more units than the bus carries"; fi
grep -q "at most 32 units" "$work/err" || fail "no reason given for refusing 33 units"

kill -TERM "$pid"
wait "$pid" || fail "daemon did not stop cleanly on SIGTERM"
pid=
[ ! -e "$TESSARY_DRIVER_SOCKET" ] || fail "socket left behind"
# A folder others can write is neither served in nor connected to.
mkdir -m 0777 "$work/open"
chmod 0777 "$work/open"
if TESSARY_DRIVER_SOCKET=$work/open/driver.sock "$daemon" serve 2>"$work/err"; then fail "served in an open folder"; fi
grep -q "can be written by other users" "$work/err" || fail "no reason given for refusing the folder"
if TESSARY_DRIVER_SOCKET=$work/open/driver.sock "$daemon" status 2>"$work/err"; then fail "status in an open folder"; fi
grep -q "not connecting" "$work/err" || fail "the client did not say why it would not connect"

# Whatever lies at the socket path and is not a socket stays there.
mkdir -m 0700 "$work/kept"
echo precious >"$work/kept/driver.sock"
if TESSARY_DRIVER_SOCKET=$work/kept/driver.sock "$daemon" serve 2>"$work/err"; then fail "served over a file"; fi
grep -q "not a socket" "$work/err" || fail "no reason given for refusing the file"
[ "$(cat "$work/kept/driver.sock")" = precious ] || fail "the file at the socket path was touched"
echo "simdriver command line: ok"
