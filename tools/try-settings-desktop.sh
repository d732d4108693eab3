#!/usr/bin/env bash
# TessarySettings tried as a new user meets it on a desktop: a fresh home, a
# session bus, Xvfb at 1024 x 768 with a window manager and Xfce's panel in
# its default layout, whose notification area shows StatusNotifierItems, and
# the simulated driver with one Tessary. The script starts the program, opens
# the icon's menu in the panel, restores the dialog from it, changes the
# latency, hides the dialog, plugs and unplugs units and ends the program with
# "/e", saving a screenshot at each step; then it does the same with trayer's
# XEmbed tray and no session bus. It prints where the screenshots are.
#   tools/try-settings-desktop.sh [SCREENSHOT_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/release"
shots=${1:-$(mktemp -d "${TMPDIR:-/tmp}/tessary-desktop-XXXXXX")}
if [ -z "${TESSARY_DESKTOP_SESSION:-}" ]; then
  "$here/tools/setup.sh" "$build" --target TessarySettings --target tessary-simdriver
  command -v xfce4-panel >/dev/null || {
    echo "Installing xfce4-panel for this trial"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xfce4-panel >/dev/null
  }
  export TESSARY_DESKTOP_SESSION=1
  mkdir -p "$shots"
  dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$shots" 2>"$shots/session.log"
  echo "Screenshots in $shots:"
  ls "$shots"/*.png
  exit 0
fi

simdriver="$build/platform/simdriver/tessary-simdriver"
settings="$build/settings/TessarySettings"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
say() { echo "$*" | tee -a "$shots/steps.txt"; }
shot() { sleep 0.8; import -window root "$shots/$1.png"; say "  screenshot $1.png"; }
dialog() { xdotool search --onlyvisible --name '^Ostrel Tessary$' 2>/dev/null | head -n 1; }
# The client area starts 3 pixels in and 22 down, under the caption the dialog draws.
click_dialog() { xdotool mousemove --window "$(dialog)" 5 5 mousemove --sync --window "$(dialog)" $(($1 + 3)) $(($2 + 22)) click 1; }
status() { "$simdriver" status | grep -E "sample rate|buffer|CPU level|unit" | tr '\n' ';'; }

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export TESSARY_DRIVER_SOCKET="$XDG_RUNTIME_DIR/driver.sock" TESSARY_REGISTRY_DIR="$HOME/registry"

"$simdriver" serve --units 1 >/dev/null &
pids+=($!)
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
xfce4-panel >/dev/null 2>&1 &
panel=$!
pids+=("$panel")
sleep 4
# The default panel: the notification area's first icon sits here.
icon_x=898 icon_y=12

say "1. Start the program: it goes to the notification area."
"$settings" &
program=$!
pids+=("$program")
sleep 3
[ -z "$(dialog)" ] && say "  no dialog on the screen"
shot 01-icon-in-panel

say "2. Right click the icon: the menu, and its CPU submenu with the driver's level."
xdotool mousemove "$icon_x" "$icon_y" click 3
shot 02-tray-menu
xdotool mousemove $((icon_x + 40)) $((icon_y + 56))
shot 03-cpu-submenu

say "3. Restore from the menu."
xdotool mousemove $((icon_x + 40)) $((icon_y + 31)) click 1
sleep 1
[ -n "$(dialog)" ] && say "  the dialog is shown"
shot 04-dialog

say "4. Change the latency from 4.0 ms to 3.5 ms."
click_dialog 287 90
sleep 0.5
shot 05-latency-list
xdotool key Up Return
sleep 0.5
say "  driver: $(status)"

say "5. Hide it with Done."
click_dialog 85 258
sleep 1
[ -z "$(dialog)" ] && say "  the dialog is hidden, the icon stays"
shot 06-hidden

say "6. Plug in a second unit, restore with a click on the icon (the panel's activation), look."
"$simdriver" plug >/dev/null
sleep 1
xdotool mousemove "$icon_x" "$icon_y" click 1
sleep 1
shot 07-two-units
click_dialog 85 258

say "7. Unplug both units, restore, look."
"$simdriver" unplug >/dev/null
"$simdriver" unplug >/dev/null
sleep 1
xdotool mousemove "$icon_x" "$icon_y" click 1
sleep 1
shot 08-no-device
"$simdriver" plug >/dev/null
sleep 1
shot 09-unit-back
click_dialog 85 258

say "8. End it with /e."
"$settings" /e
sleep 2
kill -0 "$program" 2>/dev/null && say "  STILL RUNNING" || say "  the program ended"
shot 10-after-exit

say "9. Without a session bus, in trayer's XEmbed tray."
kill "$panel" 2>/dev/null || true
(
  unset DBUS_SESSION_BUS_ADDRESS
  trayer --edge top --align right --widthtype request --heighttype pixel --height 28 >/dev/null 2>&1 &
  tray=$!
  sleep 1
  "$settings" &
  xembed=$!
  sleep 3
  shot 11-xembed-icon
  icon=$(xwininfo -root -tree | grep '("TessarySettings" "TessarySettings")  2[2-9]x' | awk '{print $1}' | head -n 1)
  xdotool mousemove --window "$icon" 10 10 click 3
  shot 12-xembed-menu
  xdotool key Escape
  "$settings" /e
  sleep 1
  kill "$tray" 2>/dev/null || true
  kill -0 "$xembed" 2>/dev/null && say "  STILL RUNNING" || say "  the program ended"
)
