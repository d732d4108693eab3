#!/usr/bin/env bash
# TessarySettings as a new user meets it, on a private Xvfb display with a
# window manager, against the simulated driver with one unit. The program
# starts hidden; with no notification area here, a second start brings the
# dialog back. The dialog reads
# the unit's rate and latency; choosing 96.0 and then 48.0 kHz and a latency
# in the lists, with the mouse and the arrow keys, reaches the driver; a click
# on the Mic 1 boost sends its frame and lands in the user's registry hive.
#   settings_program_test.sh PATH/TO/TessarySettings PATH/TO/tessary-simdriver [SCREENSHOT_DIR]
set -euo pipefail
program=$1
simdriver=$2
shots=${3:-}
if [ -z "${TESSARY_PRIVATE_DISPLAY:-}" ]; then
  export TESSARY_PRIVATE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi ${TESSARY_TEST_DPI:-96}" "$0" "$@"
fi
command -v openbox >/dev/null || { echo "FAIL: openbox is not installed (tools/setup.sh installs it)" >&2; exit 1; }

scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export TESSARY_DRIVER_SOCKET="$scratch/driver.sock"
export TESSARY_REGISTRY_DIR="$scratch/registry"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$simdriver" serve --units 1 >/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -S "$TESSARY_DRIVER_SOCKET" ] && break; sleep 0.1; done
[ -S "$TESSARY_DRIVER_SOCKET" ] || fail "the simulated driver did not start"

source "$(dirname "$0")/../x11/window_manager.sh"
start_window_manager "$scratch"

"$program" &
settings=$!
pids+=("$settings")
# It starts hidden: its window exists, unmapped, once the program has registered itself.
for _ in $(seq 100); do
  [ -n "$(xdotool search --name "^Ostrel Tessary\$" 2>/dev/null)" ] && ls "$XDG_RUNTIME_DIR"/tessary/mapping-* >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.5
[ -z "$(xdotool search --onlyvisible --name "^Ostrel Tessary\$" 2>/dev/null)" ] || fail "the dialog did not start hidden"
timeout 10 "$program" || fail "a second start did not end"
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "^Ostrel Tessary\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "a second start did not bring back the window titled 'Ostrel Tessary'"
for _ in $(seq 100); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] && break; sleep 0.1; done
sleep 0.5

shot() { [ -z "$shots" ] || import -window root -crop 420x420+0+0 +repage "$shots/$1.png"; }
status() { "$simdriver" status; }
await_status() { # PATTERN WHAT
  for _ in $(seq 50); do status | grep -q "$1" && return 0; sleep 0.1; done
  status >&2
  fail "$2"
}
# The client area starts 3 pixels in and 22 down, under the caption the dialog draws.
click() { xdotool mousemove --sync --window "$window" $(($1 + 3)) $(($2 + 22)) click 1; }
choose() { # LIST_X LIST_Y KEYS...: open a list with the mouse, move with the arrow keys, take with Return
  local x=$1 y=$2
  shift 2
  click "$x" "$y"
  sleep 0.5
  shot "list-open-$x"
  xdotool key "$@" Return
  sleep 0.3
}

status | grep -q "sample rate 48000 Hz" || fail "the unit did not start at 48000 Hz"
"$simdriver" log | grep -q "0x808828C0" || fail "the dialog did not read the clock block"
"$simdriver" log | grep -q "0x80882A88" || fail "the dialog did not read the buffer block"
shot dialog

choose 108 90 Down Down # 48.0 kHz to 96.0 kHz
await_status "sample rate 96000 Hz" "choosing 96.0 kHz did not reach the driver"
choose 108 90 Up Up # back to 48.0 kHz
await_status "sample rate 48000 Hz" "choosing 48.0 kHz did not reach the driver"
"$simdriver" log | grep -q "0x808828C4 -> 0x00000000" || fail "no sample-rate write in the driver's log"

choose 287 90 Up Up Up Up # 4.0 ms to 2.0 ms
await_status "buffer 2000 us" "choosing 2.0 ms did not reach the driver"

click 63 165 # the Mic 1 boost
await_status "feature FB 10 boost    left +12.00 dB" "the Mic 1 boost did not reach the unit"
"$simdriver" log | grep -q "00 08 B8 81 0A 10 02 01 02 02 0C 00" || fail "no boost frame in the driver's log"
hive="$TESSARY_REGISTRY_DIR/HKEY_CURRENT_USER.reg"
for _ in $(seq 20); do grep -qi '"Ch1Boost"=dword:00000001' "$hive" 2>/dev/null && break; sleep 0.1; done
grep -q 'Software\\Ostrel\\TessarySettings\\Tessary\]' "$hive" || fail "no profile key in the hive"
grep -qi '"Ch1Boost"=dword:00000001' "$hive" || fail "the boost is not in the hive"
shot after-choices
kill -0 "$settings" 2>/dev/null || fail "the program ended"
echo "rate, latency and boost reached the driver, and the boost the hive: ok"
