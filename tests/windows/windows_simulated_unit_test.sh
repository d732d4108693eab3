#!/usr/bin/env bash
# The Windows programs against a simulated unit under Wine: SetupAPI finds the
# unit through the simulated driver's kernel half, and the frames reach it
# through CreateFile and DeviceIoControl. The Linux build, run against its own
# simulated driver on the same display, gives the bytes the Windows build must
# send: the mixer's start-up, a fader dragged and a mute clicked with the
# pointer. Then the settings program follows a unit plugged in and out, and
# the stream buffer depth TessaryDiag writes to the local-machine hive reaches
# the driver when a unit connects.
#   windows_simulated_unit_test.sh BUILD_DIR TessaryMixer.exe TessarySettings.exe TessaryDiag.exe
#                                  WindowProbe.exe LINUX_MIXER LINUX_SIMDRIVER
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
build=$1
mixer_exe=$2
settings_exe=$3
diag_exe=$4
probe_exe=$5
linux_mixer=$6
linux_simdriver=$7
title="Brelmor/Halvaren Ostrel Tessary Mixer"
[ -x "$linux_mixer" ] && [ -x "$linux_simdriver" ] || { echo "SKIP: no Linux build to compare with"; exit 77; }
start_wine_session
for program in "$mixer_exe" "$settings_exe" "$diag_exe" "$probe_exe" "$build/platform/simdriver/windows/host/tessary-simdriver.exe"; do
  install_program "$program"
done
probe_exe='C:\Tessary\WindowProbe.exe'
simdriver() { wine 'C:\Tessary\tessary-simdriver.exe' "$@" | tr -d '\r'; }

# What the user does in the mixer's window $1 with the pointer: Mic 1's fader
# dragged down in steps from near the top, then Mic 2's mute clicked.
work_the_mixer() {
  xdotool mousemove --sync --window "$1" 36 74
  sleep 0.2
  xdotool mousedown 1
  for y in 83 92 101 110 119 128; do
    xdotool mousemove --sync --window "$1" 36 "$y"
    sleep 0.06
  done
  xdotool mouseup 1
  sleep 0.2
  # The pointer comes to rest on the button before the click, as a user's does.
  xdotool mousemove --sync --window "$1" 123 257
  sleep 0.2
  xdotool click 1
}

# mixer_lines LOG: the requests of the mixer, in order. The path of an open
# is compared without case, as Windows compares it: under Wine no name reaches
# the kernel half, which logs the path it knows the device by.
mixer_lines() { grep '^TessaryMixer ' "$1" | sed '/^TessaryMixer open /s/.*/\U&/' || true; }

# settled LOG_COMMAND: runs it until its output stops growing (the program has
# done what it had to), then prints the output.
settled() {
  local before="" now
  for _ in $(seq 50); do
    now=$("$@")
    [ -n "$now" ] && [ "$now" = "$before" ] && break
    before=$now
    sleep 0.4
  done
  printf '%s\n' "$now"
}

step "the Linux build against its own simulated driver"
linux="$work/linux"
mkdir -p "$linux/config" "$linux/runtime" "$linux/registry" "$linux/program"
chmod 700 "$linux/runtime"
# A copy, so that its state file is the test's: a mixer outside a bin folder keeps it beside itself.
cp "$linux_mixer" "$linux/program/TessaryMixer"
export TESSARY_DRIVER_SOCKET="$linux/driver.sock" TESSARY_REGISTRY_DIR="$linux/registry"
"$linux_simdriver" serve --units 1 >/dev/null &
linux_driver=$!
for _ in $(seq 50); do [ -S "$TESSARY_DRIVER_SOCKET" ] && break; sleep 0.1; done
XDG_CONFIG_HOME="$linux/config" XDG_RUNTIME_DIR="$linux/runtime" "$linux/program/TessaryMixer" >/dev/null 2>&1 &
linux_pid=$!
lx=$(window_named "$title") || fail "no window of the Linux mixer"
settled "$linux_simdriver" log >"$linux/start.log"
work_the_mixer "$lx"
sleep 1
"$linux_simdriver" status --json >"$linux/worked.json"
kill "$linux_pid" 2>/dev/null || true
wait "$linux_pid" 2>/dev/null || true
kill "$linux_driver" 2>/dev/null || true
wait "$linux_driver" 2>/dev/null || true
unset TESSARY_DRIVER_SOCKET TESSARY_REGISTRY_DIR
[ -n "$(mixer_lines "$linux/start.log")" ] || fail "the Linux mixer sent nothing at its start"
# The reference must show the user's work, or the comparison below proves nothing:
# Mic 1 moved from the level it starts at (0xFF00), Mic 2 silenced (0x8000).
read -r mic1 mic2 < <(sed -n 's/.*"volume":{"5":\[[0-9]*,\([0-9]*\),\([0-9]*\)\].*/\1 \2/p' "$linux/worked.json")
[ "${mic1:-65280}" != 65280 ] && [ "${mic2:-}" = 32768 ] ||
  fail "the pointer did not work the Linux mixer (Mic 1 ${mic1:-?}, Mic 2 ${mic2:-?})"

step "the simulated driver in the prefix, serving one unit"
"$here/../../tools/wine-simdriver.sh" install --build "$build" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "the simulated driver could not be installed"; }
wine 'C:\Tessary\tessary-simdriver.exe' serve --units 1 >"$work/serve.log" 2>&1 &
for _ in $(seq 100); do simdriver status 2>/dev/null | grep -q '^1 unit' && break; sleep 0.1; done
simdriver status | grep -q '^1 unit' || fail "the simulated driver does not serve ($(cat "$work/serve.log"))"

step "the mixer's start-up reaches the unit as the Linux build's does"
wine 'C:\Tessary\TessaryMixer.exe' >/dev/null 2>&1 &
mixer=$!
[ "$(shown_as "$title" "1 641 448")" = "1 641 448" ] || fail "no mixer window"
settled simdriver log >"$work/start.log"
diff <(mixer_lines "$linux/start.log") <(mixer_lines "$work/start.log") ||
  fail "the Windows mixer's start-up differs from the Linux build's (< Linux, > Windows)"
echo "$(mixer_lines "$work/start.log" | wc -l) requests alike"

step "a fader drag and a mute click leave the unit as the Linux build's left it"
wx=$(window_named "$title") || fail "no X window for the mixer"
work_the_mixer "$wx"
sleep 1
simdriver status --json >"$work/worked.json"
diff "$linux/worked.json" "$work/worked.json" || fail "the unit differs from the Linux build's (< Linux, > Windows)"
probe close "$title"
ended_with "$mixer" 0 || fail "the mixer did not end with status 0 ($exit_status)"

step "the settings program follows the unit plugged out and in"
simdriver unplug >/dev/null
wine 'C:\Tessary\TessarySettings.exe' >/dev/null 2>&1 &
settings=$!
probe find "Ostrel Tessary" 20000 >/dev/null || fail "no settings dialog"
shows() { # TEXT: waits up to 10 s for the sample-rate list to show it
  for _ in $(seq 50); do
    [ "$(probe text "Ostrel Tessary" 1000)" = "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
shows " No Device" || fail "with no unit the dialog does not show ' No Device'"
simdriver plug >/dev/null
shows "48.0 kHz" || fail "the plugged unit's sample rate is not shown (shows '$(probe text "Ostrel Tessary" 1000)')"
simdriver log >"$work/settings.log"
grep -q '^TessarySettings open .*unit0' "$work/settings.log" ||
  { grep -v '^TessaryMixer' "$work/settings.log" | tail; fail "the settings program did not open the plugged unit"; }
# A driver notification sets the event the program registered, in its own
# process: the program reads the notification and refreshes.
notifications_read() { simdriver log | grep -c '^TessarySettings 0x80882828 -> 0x00000000' || true; }
read_before=$(notifications_read)
simdriver notify 2 >/dev/null
for _ in $(seq 50); do [ "$(notifications_read)" -gt "$read_before" ] && break; sleep 0.2; done
[ "$(notifications_read)" -gt "$read_before" ] || fail "the settings program never read the driver's notification"
simdriver unplug >/dev/null
shows " No Device" || fail "after the unit went the dialog does not show ' No Device'"
wine 'C:\Tessary\TessarySettings.exe' /e
ended_with "$settings" 0 || fail "the settings program did not end ($exit_status)"

step "TessaryDiag's depth in the local-machine hive reaches the driver as a unit connects"
caption=" Ostrel Tessary Diagnostics"
wine 'C:\Tessary\TessaryDiag.exe' >/dev/null 2>&1 &
tool=$!
w=$(window_named "$caption") || fail "no window captioned '$caption'"
source "$here/../diag/diag_window.sh"
read -r client_left client_top < <(probe client "$caption")
sleep 1
click_option "$w" 0 # Maximum, 20 ms
click_ok "$w"
probe boxtext TessaryDiag 10000 >/dev/null || fail "no message box after OK"
probe boxok TessaryDiag
ended_with "$tool" 0 || fail "TessaryDiag did not end after OK ($exit_status)"
simdriver plug >/dev/null
simdriver status --json | grep -q '"streamBufferDepth":20000,' ||
  fail "the driver took no 20 ms depth: $(simdriver status | grep depth)"
