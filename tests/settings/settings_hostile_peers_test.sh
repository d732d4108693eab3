#!/usr/bin/env bash
# The running tray program against what any process of the user can do to it,
# with real processes on a private session bus and display, against the
# simulated driver: a second process writes to the program's window port a
# WM_DEVICECHANGE whose lParam points nowhere (0x1000), sends "TaskbarCreated"
# twice while the icon is shown, and a bus peer floods AboutToShow 1,000
# times. The program keeps running with its icon, the flood makes no driver
# request, and Exit still ends it with status 0 and takes the icon away.
#   settings_hostile_peers_test.sh TessarySettings tessary-simdriver tray-test-host window-port-probe
set -euo pipefail
program=$1
simdriver=$2
host=$3
probe=$4
if [ -z "${TESSARY_PRIVATE_DISPLAY:-}" ]; then
  export TESSARY_PRIVATE_DISPLAY=1
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@" 2> >(grep -v "Failed to set fd limit" >&2)
fi
set -E
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" ended with status $?" >&2' ERR

scratch=$(mktemp -d)
pids=()
cleanup() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -s "$scratch/program.err" ]; then
    echo "the program said:" >&2
    cat "$scratch/program.err" >&2
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  exec 7>&- 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
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

# ---------------------------------------------------------------- starts that cannot keep to one instance
# A start that finds the start mutex held for ever (a first start paused
# before it registered) gives up in bounded time and says why.
mkfifo "$scratch/holder.in"
"$probe" hold-mutex "Tessary App" <"$scratch/holder.in" >"$scratch/holder.out" &
holder=$!
pids+=("$holder")
exec 8>"$scratch/holder.in"
waitfor 5 "the start mutex was not taken" grep -q held "$scratch/holder.out"
began=$SECONDS
status=0
timeout 30 "$program" 2>"$scratch/held.err" || status=$?
[ "$status" -ne 124 ] || fail "a start waited 30 s on a start mutex held for ever"
[ "$status" -ne 0 ] || fail "a start that could not take the start mutex ended with status 0"
grep -q "start mutex" "$scratch/held.err" || fail "a start that could not take the start mutex said nothing"
echo "a start behind a held start mutex ended after $((SECONDS - began)) s with status $status"
exec 8>&-
wait "$holder" 2>/dev/null || true

# An object folder others may write: no instance can be kept to, so none runs, and it says why.
(
  export XDG_RUNTIME_DIR="$scratch/shared-runtime"
  mkdir -p "$XDG_RUNTIME_DIR/tessary"
  chmod 700 "$XDG_RUNTIME_DIR"
  chmod 777 "$XDG_RUNTIME_DIR/tessary"
  status=0
  timeout 20 "$program" 2>"$scratch/folder.err" || status=$?
  [ "$status" -ne 124 ] || fail "a start ran its dialog with an object folder others may write"
  [ "$status" -ne 0 ] || fail "a start that could not keep to one instance ended with status 0"
  grep -q "tessary" "$scratch/folder.err" && grep -q "start mutex" "$scratch/folder.err" ||
    fail "a start with an object folder others may write did not say why: $(cat "$scratch/folder.err")"
)

mkfifo "$scratch/watcher.in"
"$host" watch <"$scratch/watcher.in" >"$scratch/watcher.out" 2>&1 &
pids+=($!)
exec 7>"$scratch/watcher.in"
waitfor 5 "the watcher did not start" grep -q watching "$scratch/watcher.out"

"$program" 2>>"$scratch/program.err" &
settings=$!
pids+=("$settings")
waitfor 10 "the program did not register its icon" grep -q '^registered ' "$scratch/watcher.out"
item=$(sed -n 's/^registered //p' "$scratch/watcher.out" | tail -n 1)
running() { kill -0 "$settings" 2>/dev/null; }
# The panel shows the menu once, as it does when the user first opens it.
[ "$("$host" menu "$item" | grep checked)" = "  Medium [checked]" ] || fail "the tray menu does not show the CPU level"

# ---------------------------------------------------------------- a message with a pointer of another process
# WM_DEVICECHANGE (537), DBT_DEVICEARRIVAL (32768), lParam 0x1000 (4096).
"$probe" post "$settings" 537 32768 4096 >/dev/null || fail "the program's window port took nothing"
sleep 1
running || fail "a WM_DEVICECHANGE from another process ended the program"

# ---------------------------------------------------------------- "TaskbarCreated" while the icon is shown
for _ in 1 2; do
  "$probe" post "$settings" TaskbarCreated 0 0 >/dev/null || fail "the program's window port took nothing"
done
sleep 1
running || fail "\"TaskbarCreated\" ended the program"
"$host" owned "$item" || fail "the icon left the bus on \"TaskbarCreated\""

# ---------------------------------------------------------------- an AboutToShow flood
cpu_reads() { "$simdriver" log | grep -c '^TessarySettings 0x80882A80 ' || true; }
before=$(cpu_reads)
requests_before=$("$simdriver" log | grep -c '^TessarySettings ' || true)
"$host" flood "$item" 1000 || fail "the program did not answer every AboutToShow"
running || fail "the AboutToShow flood ended the program"
after=$(cpu_reads)
requests_after=$("$simdriver" log | grep -c '^TessarySettings ' || true)
[ "$after" -eq "$before" ] || fail "1,000 AboutToShow made $((after - before)) CPU block reads"
[ "$requests_after" -eq "$requests_before" ] ||
  fail "1,000 AboutToShow made $((requests_after - requests_before)) driver requests"
[ "$("$host" menu "$item" | grep checked)" = "  Medium [checked]" ] || fail "the menu lost its CPU level"

# ---------------------------------------------------------------- clients that jam the window port
# Three clients trickle a byte every 0.9 s into the port: a start that
# restores the dialog still gets through, at once.
port="$XDG_RUNTIME_DIR/tessary/window-$settings.sock"
[ -S "$port" ] || fail "no window port at $port"
for _ in 1 2 3; do
  "$probe" trickle "$port" 6 &
  pids+=($!)
done
sleep 0.3
began=$SECONDS
status=0
timeout 10 "$program" 2>"$scratch/restore.err" || status=$?
[ "$status" -eq 0 ] || fail "a restore start behind clients that jam the port ended with $status: $(cat "$scratch/restore.err")"
[ $((SECONDS - began)) -le 3 ] || fail "a restore start behind clients that jam the port took $((SECONDS - began)) s"
waitfor 5 "the restore start did not show the dialog" sh -c "xdotool search --onlyvisible --name '^Ostrel Tessary\$' >/dev/null"

# ---------------------------------------------------------------- Exit still ends it, with status 0
"$host" click "$item" E_xit
status=0
for _ in $(seq 50); do running || break; sleep 0.1; done
running && fail "Exit did not end the program"
wait "$settings" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status after Exit"
"$host" owned "$item" && fail "Exit left the icon on the bus"
echo "a pointer from another process, TaskbarCreated twice, 1,000 AboutToShow, then Exit with status 0: ok"
