#!/usr/bin/env bash
# The mixer's start against every state its single-instance lock can be in, as
# real processes: a start while the mixer runs hands over and ends with status
# 0; a start while the running mixer is frozen (SIGSTOP) says so on stderr and
# ends with status 1 within a few seconds; a mixer killed with SIGKILL keeps no
# later start from running; a lock in a folder that is not the user's own
# stops the start with the reason; clients that jam the socket hold up no
# start (given the probe tool that trickles bytes). On a private Xvfb display.
#   mixer_start_test.sh PATH/TO/TessaryMixer [PATH/TO/window-port-probe]
set -euo pipefail
program=$1
probe=${2:-}
if [ -z "${TESSARY_PRIVATE_DISPLAY:-}" ]; then
  export TESSARY_PRIVATE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -m 700 "$scratch/runtime"
export TESSARY_MIXER_INSTANCE_SOCKET="$scratch/runtime/instance.sock"
export TESSARY_DRIVER_SOCKET="$scratch/no-driver.sock"
export TESSARY_REGISTRY_DIR="$scratch/registry"

start_first() {
  "$program" 2>"$scratch/first.err" &
  first=$!
  pids+=("$first")
  for _ in $(seq 200); do [ -S "$TESSARY_MIXER_INSTANCE_SOCKET" ] && return 0; sleep 0.05; done
  fail "the first mixer does not listen"
}
# Runs a further start; sets `status` and `took` (seconds) and keeps its stderr.
second_start() {
  local began=$SECONDS
  status=0
  timeout 20 "$program" >/dev/null 2>"$scratch/second.err" || status=$?
  took=$((SECONDS - began))
}

start_first
second_start
[ "$status" -eq 0 ] || fail "a start while the mixer runs ended with $status: $(cat "$scratch/second.err")"
[ ! -s "$scratch/second.err" ] || fail "a start that handed over printed: $(cat "$scratch/second.err")"

# Clients that trickle a byte every 0.9 s into the socket hold up no start:
# the healthy mixer is not reported as not answering.
if [ -n "$probe" ]; then
  tricklers=()
  for _ in 1 2 3; do
    "$probe" trickle "$TESSARY_MIXER_INSTANCE_SOCKET" 6 &
    tricklers+=($!)
  done
  sleep 0.3
  second_start
  kill "${tricklers[@]}" 2>/dev/null || true
  wait "${tricklers[@]}" 2>/dev/null || true
  [ "$status" -eq 0 ] || fail "a start behind clients that jam the socket ended with $status: $(cat "$scratch/second.err")"
  [ "$took" -le 3 ] || fail "a start behind clients that jam the socket took $took s"
fi

kill -STOP "$first"
second_start
[ "$status" -eq 1 ] || fail "a start while the mixer is frozen ended with $status"
[ "$took" -le 6 ] || fail "a start while the mixer is frozen took $took s"
grep -q "does not answer" "$scratch/second.err" || fail "no reason on stderr: $(cat "$scratch/second.err")"
kill -CONT "$first"

kill -9 "$first"
wait "$first" 2>/dev/null || true
"$program" 2>/dev/null &
again=$!
pids+=("$again")
sleep 3
kill -0 "$again" 2>/dev/null || fail "a start after the mixer was killed did not run"
kill "$again"
wait "$again" 2>/dev/null || true

export TESSARY_MIXER_INSTANCE_SOCKET="$scratch/shared/instance.sock"
mkdir -m 777 "$scratch/shared"
second_start
[ "$status" -eq 1 ] || fail "a start with the lock in a folder others can write ended with $status"
grep -q "can be written by other users" "$scratch/second.err" || fail "no reason on stderr: $(cat "$scratch/second.err")"
echo "hand-over, frozen mixer, killed mixer and foreign folder: ok"
