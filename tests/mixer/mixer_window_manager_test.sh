#!/usr/bin/env bash
# The mixer window under a real window manager, as a user meets it: the window
# keeps its fixed size whatever the window manager is asked, the image
# minimise button iconifies the window, a second start of the program brings it
# back, and the button works again after that. Always runs on a private Xvfb
# display of its own with openbox, so no other test's windows are affected.
#   mixer_window_manager_test.sh PATH/TO/TessaryMixer
set -euo pipefail
program=$1
if [ -z "${TESSARY_PRIVATE_DISPLAY:-}" ]; then
  export TESSARY_PRIVATE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
command -v openbox >/dev/null || { echo "FAIL: openbox is not installed (tools/setup.sh installs it)" >&2; exit 1; }

title="Brelmor/Halvaren Ostrel Tessary Mixer"
scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The program's single-instance channel and driver socket stay inside this test.
export TESSARY_MIXER_INSTANCE_SOCKET="$scratch/instance.sock"
export TESSARY_DRIVER_SOCKET="$scratch/no-driver.sock"
export TESSARY_REGISTRY_DIR="$scratch/registry"
# Installed in the test's folder too, so that its state file stays there.
export XDG_CONFIG_HOME="$scratch/config"
mkdir -p "$scratch/bin"
ln "$program" "$scratch/bin/TessaryMixer" 2>/dev/null || cp "$program" "$scratch/bin/TessaryMixer"
program="$scratch/bin/TessaryMixer"

source "$(dirname "$0")/../x11/window_manager.sh"
start_window_manager "$scratch"

"$program" &
mixer=$!
pids+=("$mixer")

window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled '$title'"

state() { xprop -id "$window" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'; }
await_state() {
  for _ in $(seq 100); do [ "$(state)" = "$1" ] && return 0; sleep 0.1; done
  fail "window state is '$(state)', expected '$1' ($2)"
}
click_minimise() { # the 25 x 25 button at (584, 3) of the window
  # A --sync move to where the pointer already is waits for a motion that
  # never comes: step aside first.
  xdotool mousemove --window "$window" 320 400
  sleep 0.1
  xdotool mousemove --sync --window "$window" 596 15 click 1
}

await_state Normal "after start"

geometry() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p'; }
hints_fixed() { # the window manager is told it cannot be resized
  local hints
  hints=$(xprop -id "$window" WM_NORMAL_HINTS)
  grep -q "minimum size: 641 by 448" <<<"$hints" && grep -q "maximum size: 641 by 448" <<<"$hints"
}
keeps_size() {
  # The program fixes them once it has painted, which a slow build does a while after the mapping.
  for _ in $(seq 50); do hints_fixed && break; sleep 0.1; done
  hints_fixed || fail "size hints not fixed ($1): $(xprop -id "$window" WM_NORMAL_HINTS | tr '\n' ' ')"
  xdotool windowsize "$window" 800 600
  sleep 0.5
  [ "$(geometry)" = "641x448" ] || fail "the window was resized to $(geometry) ($1)"
}
keeps_size "after start"
xdotool windowmove "$window" 40 50
sleep 0.3
keeps_size "after a move"
# JUCE sets the bounds again when it paints after a few idle seconds.
sleep 3.5
xdotool mousemove --sync --window "$window" 590 10 # over the minimise button, which lights up
sleep 0.5
keeps_size "after an idle pause and a repaint"
# The window manager maps the window before the program has laid out and shown
# its content; a click only lands once the window has the input focus.
for _ in $(seq 100); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] && break; sleep 0.1; done
sleep 0.5
click_minimise
await_state Iconic "after a click on the minimise button"

"$program" || fail "second start exited with status $?"
await_state Normal "after a second start"
kill -0 "$mixer" 2>/dev/null || fail "the first instance ended"
count=$(xdotool search --name "^${title}\$" 2>/dev/null | wc -l)
[ "$count" -eq 1 ] || fail "$count windows titled '$title', expected one"

click_minimise
await_state Iconic "after a second click on the minimise button"
echo "minimise, hand-over and restore: ok"
