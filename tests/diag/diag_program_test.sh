#!/usr/bin/env bash
# TessaryDiag as a user meets it: starts it on a hive, looks at the window, clicks
# and checks what lands in the hive. Runs under its own Xvfb unless a display is given.
#   diag_program_test.sh PATH/TO/TessaryDiag SCREENSHOT_DIR
set -euo pipefail
program=$1
shots=$2
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
mkdir -p "$shots"
caption=" Ostrel Tessary Diagnostics"
settings='[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VRD_1394\ConfigDB\Settings]'
registry=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$registry"
}
trap cleanup EXIT
export TESSARY_REGISTRY_DIR=$registry
hive=$registry/HKEY_LOCAL_MACHINE.reg

fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/diag_window.sh"

store() { # store VALUE_LINE: the hive holds the settings key with this depth line
  printf 'Windows Registry Editor Version 5.00\n\n%s\n"IsoStreamBufferDepth[us]"=%s\n' "$settings" "$1" > "$hive"
}

gone() { # waits for window $1 to be unmapped or destroyed
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$2" 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

start() {
  "$program" & pid=$!
}

finished() { # waits for the program to end; fails if it does not within 10 s
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" || fail "exit status $?"; pid=""; return 0; }
    sleep 0.1
  done
  fail "program still running"
}

press_ok_in_box() { # the message box over the tool: Return presses its OK button
  local box
  box=$(window_named "TessaryDiag") || fail "no message box"
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
  xdotool key Return # the box may close before xdotool is done with it; `gone` tells
  gone "$box" "TessaryDiag" || fail "message box stays"
}

echo "== stored 12 ms: shown selected; choosing Maximum and OK writes 20 ms"
store dword:00002ee0
start
w=$(window_named "$caption") || fail "no window captioned '$caption'"
[ "$(xdotool getwindowname "$w")" = "$caption" ] || fail "caption"
sleep 0.5
import -window "$w" "$shots/diag-window.png"
[ "$(selected_option "$shots/diag-window.png")" = 1 ] || fail "Very Long (12 ms) is not the selected choice"
click_option "$w" 0
sleep 0.3
import -window "$w" "$shots/diag-window-maximum.png"
[ "$(selected_option "$shots/diag-window-maximum.png")" = 0 ] || fail "Maximum (20 ms) did not become selected"
grep -qx '"IsoStreamBufferDepth\[us\]"=dword:00002ee0' "$hive" || fail "hive changed before OK"
click_ok "$w"
box=$(window_named "TessaryDiag") || fail "no reconnect advice after OK"
sleep 0.3
import -window root "$shots/diag-reconnect-advice.png"
grep -qx '"IsoStreamBufferDepth\[us\]"=dword:00004e20' "$hive" || { cat "$hive"; fail "20 ms not written"; }
press_ok_in_box
finished

echo "== stored 3 ms: the default is selected and OK writes 2 ms"
store dword:00000bb8
start
w=$(window_named "$caption") || fail "no window"
sleep 0.5
import -window "$w" "$shots/diag-window-3ms.png"
[ "$(selected_option "$shots/diag-window-3ms.png")" = 3 ] || fail "the default is not selected for 3 ms"
click_ok "$w"
press_ok_in_box
finished
grep -qx '"IsoStreamBufferDepth\[us\]"=dword:000007d0' "$hive" || { cat "$hive"; fail "2 ms not written"; }

echo "== Cancel writes nothing"
store dword:00002ee0
cp "$hive" "$registry/before"
start
w=$(window_named "$caption") || fail "no window"
click_option "$w" 0
click_cancel "$w"
finished
cmp -s "$hive" "$registry/before" || fail "Cancel changed the hive"

echo "== no driver key: warned before the window and again on OK"
rm -f "$hive"
start
box=$(window_named "TessaryDiag") || fail "no warning at start"
sleep 0.3
import -window root "$shots/diag-key-not-found.png"
xdotool search --onlyvisible --name "$caption" >/dev/null 2>&1 && fail "window shown before the warning was dismissed"
press_ok_in_box
w=$(window_named "$caption") || fail "no window after the warning"
click_ok "$w"
press_ok_in_box # key not found
press_ok_in_box # reconnect advice
finished
[ ! -s "$hive" ] || fail "a hive was written without the driver's key"

echo "diag program: all checks passed; screenshots in $shots"
