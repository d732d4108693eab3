#!/usr/bin/env bash
# Installs what is missing, builds, and runs TessaryMixer against the simulated
# driver with one Tessary. With an X display the mixer runs until you close it.
# Without one it runs under Xvfb: the script waits for the window, saves a
# screenshot, prints its path and the start-up balance frames the driver
# received, then closes the mixer.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/release"
"$here/tools/setup.sh" "$build" --target TessaryMixer --target tessary-simdriver

simdriver="$build/platform/simdriver/tessary-simdriver"
mixer="$build/mixer/TessaryMixer"
work=$(mktemp -d)
export TESSARY_DRIVER_SOCKET="$work/driver.sock"
export TESSARY_MIXER_INSTANCE_SOCKET="$work/instance.sock"

"$simdriver" serve --units 1 &
daemon=$!
cleanup() {
  kill "$daemon" 2>/dev/null || true
  wait "$daemon" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -S "$TESSARY_DRIVER_SOCKET" ] && break; sleep 0.1; done
[ -S "$TESSARY_DRIVER_SOCKET" ] || { echo "the simulated driver did not start" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  "$mixer"
  exit 0
fi

screenshot="${TMPDIR:-/tmp}/tessary-mixer-$(date +%Y%m%d-%H%M%S).png"
export mixer screenshot
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -euo pipefail
  "$mixer" &
  pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --all --onlyvisible --pid "$pid" --name "Tessary Mixer" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then echo "the mixer window did not appear" >&2; kill "$pid"; exit 1; fi
  sleep 1
  # Read the window from the screen; asking ImageMagick for the window itself can
  # make it wait for events on it while it holds the X server.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
  # Close it as a user would: the close button at the right end of the title bar.
  xdotool mousemove --sync --window "$window" 624 14 click 1
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "the mixer did not close; ending it" >&2; kill "$pid"; fi
  wait "$pid" || true
'
echo "Screenshot: $screenshot"
echo "Start-up balance frames the driver received:"
# Balance (control selector 03) to the six input channels, position 128 (FF 00).
"$simdriver" log | grep -E '00 08 B8 81 0[567] 10 02 0[12] 03 02 FF 00$' || echo "  none"
