#!/usr/bin/env bash
# Device enumeration through the system's SetupAPI under Wine: with interfaces
# of the mixer's and the settings program's classes registered and enabled but
# no driver behind them, the programs find them, ask for their device paths and
# fail to open them as on a machine whose driver is missing: the mixer quietly,
# the settings program with " No Device".
#   windows_devices_test.sh TessaryMixer.exe TessarySettings.exe WindowProbe.exe RegisterTestDevice.exe
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
mixer_exe=$1
settings_exe=$2
probe_exe=$3
register_exe=$4
mixer_class='{006902CB-E626-45B4-8A62-2EAAD63F8D12}'
settings_class='{34F6CC0C-BE3A-4F6E-BE12-47E58C84B08D}'
start_wine_session
for program in "$mixer_exe" "$settings_exe" "$probe_exe" "$register_exe"; do install_program "$program"; done
probe_exe='C:\Tessary\WindowProbe.exe'

step "the interfaces are registered and present"
paths=$(wine 'C:\Tessary\RegisterTestDevice.exe' "$mixer_class" "$settings_class" | tr -d '\r') ||
  fail "the test device could not be registered: $paths"
mixer_path=$(echo "$paths" | sed -n 1p)
settings_path=$(echo "$paths" | sed -n 2p)
echo "$mixer_path"
echo "$settings_path"

# Wine's file trace names every path a program opens: the programs must reach
# CreateFile with the device path they asked SetupAPI for.
# opened LOG PATH: waits up to 5 s for the trace to show it; the path's name
# after "\\?\" is unmistakable, however the trace escapes it. Says what was
# opened when it never shows.
opened() {
  for _ in $(seq 50); do
    grep -F 'CreateFileW' "$1" | grep -qiF "${2##*\\}" && return 0
    sleep 0.1
  done
  echo "files opened by name:" >&2
  grep -F 'CreateFileW L' "$1" | grep -viE '\.(dll|nls|drv|exe)|windows' | tail -n 20 >&2
  return 1
}

step "the settings program shows ' No Device'; a boost click opens its interface's path and fails"
WINEDEBUG=trace+file wine 'C:\Tessary\TessarySettings.exe' 2>"$work/settings.log" &
settings=$!
probe find "Ostrel Tessary" 20000 >/dev/null || fail "no settings dialog"
[ "$(probe text "Ostrel Tessary" 1000)" = " No Device" ] || fail "the settings dialog does not show ' No Device'"
# The settings program opens a unit's interface for each command it sends it.
probe press "Ostrel Tessary" 1008
sleep 1
opened "$work/settings.log" "$settings_path" || fail "the settings program never opened $settings_path"
wine 'C:\Tessary\TessarySettings.exe' /e
ended_with "$settings" 0 || fail "the settings program did not end ($exit_status)"

step "the mixer opens its interface's path, fails quietly and runs"
WINEDEBUG=trace+file wine 'C:\Tessary\TessaryMixer.exe' 2>"$work/mixer.log" &
mixer=$!
[ "$(shown_as "Brelmor/Halvaren Ostrel Tessary Mixer" "1 641 448")" = "1 641 448" ] || fail "no mixer window"
opened "$work/mixer.log" "$mixer_path" || fail "the mixer never opened $mixer_path"
probe close "Brelmor/Halvaren Ostrel Tessary Mixer"
ended_with "$mixer" 0 || fail "the mixer did not end with status 0 ($exit_status)"
