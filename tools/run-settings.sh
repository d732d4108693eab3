#!/usr/bin/env bash
# Installs what is missing, builds, and runs TessarySettings against the
# simulated driver with one Tessary, with a registry of its own. With an X
# display the program runs in the notification area until you end it (Exit in
# its menu, or Escape in the dialog); click its icon to show the dialog, or
# start it again if the desktop has no notification area. Without one it runs under
# Xvfb three times: at 96 DPI, at 120 DPI, and on a desktop scaled to twice
# the size (192 DPI with the desktop's scaling factor 2, as a HiDPI desktop
# has it). Each time the script waits for the dialog, saves a screenshot and
# prints its path; then it prints what the driver received: the reads the
# dialog fills itself from and the clock-source and boost frames it sends.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/release"
"$here/tools/setup.sh" "$build" --target TessarySettings --target tessary-simdriver

simdriver="$build/platform/simdriver/tessary-simdriver"
settings="$build/settings/TessarySettings"
work=$(mktemp -d)
export TESSARY_DRIVER_SOCKET="$work/driver.sock"
export TESSARY_REGISTRY_DIR="$work/registry"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

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
  "$settings"
  exit 0
fi

stamp=$(date +%Y%m%d-%H%M%S)
export settings
# The desktop's scaling factor, where JUCE reads it: GNOME's setting, kept in a file of this run's own.
export GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
for run in 96dpi:96:1 120dpi:120:1 scale2:192:2; do
  IFS=: read -r name dpi scale <<<"$run"
  gsettings set org.gnome.desktop.interface scaling-factor "$scale" 2>/dev/null || true
  screenshot="${TMPDIR:-/tmp}/tessary-settings-$stamp-$name.png"
  export screenshot
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi $dpi" bash -c '
    set -euo pipefail
    # A window manager, as on a desktop: JUCE takes the display scale from it.
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 50); do xprop -root _NET_WORKAREA 2>/dev/null | grep -q = && break; sleep 0.1; done
    "$settings" &
    pid=$!
    # It starts hidden in the tray; with no notification area here, a second start shows it.
    for _ in $(seq 100); do
      [ -n "$(xdotool search --all --pid "$pid" --name "^Ostrel Tessary\$" 2>/dev/null)" ] && break
      sleep 0.1
    done
    sleep 0.5
    "$settings"
    window=""
    for _ in $(seq 100); do
      window=$(xdotool search --all --onlyvisible --pid "$pid" --name "^Ostrel Tessary\$" 2>/dev/null | head -n1 || true)
      [ -n "$window" ] && break
      sleep 0.1
    done
    if [ -z "$window" ]; then echo "the settings dialog did not appear" >&2; kill "$pid" "$wm"; exit 1; fi
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
    kill "$pid" "$wm"
    wait "$pid" || true
  '
  echo "Screenshot ($name): $screenshot"
done
echo "What the driver received from the last start:"
"$simdriver" log | grep TessarySettings | tail -n 12
