#!/usr/bin/env bash
# TessarySettings asleep in the tray: hidden, with nothing happening, its
# threads together wake no more than a few times a second (a bound far above
# the program's own rate and far below a window's repaint timer), before the
# dialog was ever shown and after it was shown and hidden again; and what
# wakes it still gets through after such a sleep: a tray activation, a unit
# plugged in, a second start, a tray menu command, Exit. Real processes, on a
# private session bus and Xvfb display with a window manager.
#   settings_tray_sleep_test.sh TessarySettings tessary-simdriver tray-test-host
set -euo pipefail
program=$1
simdriver=$2
host=$3
if [ -z "${TESSARY_PRIVATE_DISPLAY:-}" ]; then
  export TESSARY_PRIVATE_DISPLAY=1
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@" 2> >(grep -v "Failed to set fd limit" >&2)
fi
set -E
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" ended with status $?" >&2' ERR
for tool in openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (tools/setup.sh installs it)" >&2; exit 1; }
done

scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  exec 7>&- 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -s "$scratch/program.err" ] && { echo "the program said:" >&2; cat "$scratch/program.err" >&2; }
  exit 1
}
waitfor() { # SECONDS WHAT CONDITION...
  local tries=$(($1 * 10)) what=$2
  shift 2
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  fail "$what"
}

export TESSARY_DRIVER_SOCKET="$scratch/driver.sock"
export TESSARY_REGISTRY_DIR="$scratch/registry"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$simdriver" serve --units 1 >/dev/null &
pids+=($!)
waitfor 5 "the simulated driver did not start" test -S "$TESSARY_DRIVER_SOCKET"
source "$(dirname "$0")/../x11/window_manager.sh"
start_window_manager "$scratch"
mkfifo "$scratch/watcher.in"
"$host" watch <"$scratch/watcher.in" >"$scratch/watcher.out" 2>&1 &
pids+=($!)
exec 7>"$scratch/watcher.in"
waitfor 5 "the watcher did not start" grep -q watching "$scratch/watcher.out"

shown() { [ -n "$(xdotool search --onlyvisible --name '^Ostrel Tessary$' 2>/dev/null)" ]; }
hidden() { ! shown; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }
press_done() {
  local window
  for _ in 1 2 3; do
    window=$(xdotool search --onlyvisible --name '^Ostrel Tessary$' | head -n 1)
    xdotool mousemove --window "$window" 5 5 mousemove --sync --window "$window" 88 280 click 1 || true
    for _ in $(seq 20); do hidden && return 0; sleep 0.1; done
  done
  fail "Done did not hide the dialog"
}
# The times all the program's threads went to sleep so far.
sleeps() { cat /proc/"$first"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
# Left alone for 3 s once settled, the hidden program wakes at most 300 times
# (a window's repaint timer alone wakes it hundreds of times in that while;
# quiet, it wakes a few times, but a loaded machine or a sanitizer build
# delays the settling).
sleeps_in_the_tray() { # WHEN
  sleep 3
  local before after
  before=$(sleeps)
  sleep 3
  after=$(sleeps)
  running "$first" || fail "the program ended while hidden $1"
  [ $((after - before)) -le 300 ] || fail "hidden $1, the program woke $((after - before)) times in 3 s"
  echo "hidden $1: $((after - before)) wakeups in 3 s"
}

"$program" 2>>"$scratch/program.err" &
first=$!
pids+=("$first")
waitfor 10 "the program did not register its icon" grep -q '^registered ' "$scratch/watcher.out"
item=$(sed -n 's/^registered //p' "$scratch/watcher.out" | tail -n 1)
waitfor 5 "the program did not start hidden in the tray" hidden
sleeps_in_the_tray "from the start"

"$host" activate "$item"
waitfor 5 "activating the icon after a sleep did not restore the dialog" shown
press_done
sleeps_in_the_tray "after the dialog was shown"

"$simdriver" log >/dev/null
boosts() { "$simdriver" log | grep -c 'TessarySettings.*00 08 B8 81' || true; }
wanted=$(($(boosts) + 4))
boosts_sent() { [ "$(boosts)" -ge "$wanted" ]; }
"$simdriver" unplug >/dev/null
"$simdriver" plug >/dev/null
waitfor 5 "a unit plugged in during a sleep did not get its boosts" boosts_sent
hidden || fail "a unit plugged in showed the dialog"
sleeps_in_the_tray "after a unit came and went"

timeout 10 "$program" 2>>"$scratch/program.err" || fail "a second start during a sleep failed"
waitfor 5 "a second start during a sleep did not restore the dialog" shown
press_done
sleep 3
"$host" click "$item" High
waitfor 5 "High chosen from the tray menu after a sleep did not reach the driver" \
  sh -c "'$simdriver' status | grep -q 'CPU level 1000'"

"$host" click "$item" E_xit
waitfor 5 "Exit did not end the program" ended "$first"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "asleep in the tray, and woken by a click, a unit, a second start and the menu: ok"
