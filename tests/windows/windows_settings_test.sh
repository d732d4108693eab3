#!/usr/bin/env bash
# TessarySettings.exe under Wine, in a fresh prefix with no unit: the dialog of
# the dialog manager shows " No Device", a boost click lands in the user's
# profile in the registry, the icon is in the notification area, a second start
# shows the hidden dialog and "/e" ends the running program.
#   windows_settings_test.sh TessarySettings.exe WindowProbe.exe SHOT_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
settings_exe=$1
probe_exe=$2
shots=$3
title="Ostrel Tessary"
IDC_SAMPLE_RATE=1000
IDC_BOOST1=1008
profile='HKEY_CURRENT_USER\Software\Ostrel\TessarySettings\Tessary'
mkdir -p "$shots"
start_wine_session
install_program "$settings_exe"
install_program "$probe_exe"
probe_exe='C:\Tessary\WindowProbe.exe'

step "with no unit the hidden dialog shows ' No Device' and the icon is in the tray"
wine 'C:\Tessary\TessarySettings.exe' &
first=$!
probe find "$title" 20000 >/dev/null || fail "no dialog titled '$title'"
for _ in $(seq 50); do [ "$(probe find "$title" | cut -d' ' -f1)" = 0 ] && break; sleep 0.1; done
[ "$(probe find "$title" | cut -d' ' -f1)" = 0 ] || fail "the dialog did not hide itself to the tray"
[ "$(probe text "$title" $IDC_SAMPLE_RATE)" = " No Device" ] || fail "the sample rate list does not show ' No Device'"
[ "$(probe enabled "$title" $IDC_SAMPLE_RATE)" = 0 ] || fail "the sample rate list is enabled with no unit"
[ "$(probe tray)" = 1 ] || fail "no icon in the notification area"

step "a boost click is kept in the profile"
probe press "$title" $IDC_BOOST1
sleep 0.5
wine reg query "$profile" /v Ch1Boost | tr -d '\r' | grep -qE 'Ch1Boost +REG_DWORD +0x1$' ||
  fail "Ch1Boost=1 is not in $profile"

step "a second start shows the hidden dialog and ends"
wine 'C:\Tessary\TessarySettings.exe' &
second=$!
ended_with "$second" 0 || fail "the second start did not end with status 0 ($exit_status)"
for _ in $(seq 50); do [ "$(probe find "$title" | cut -d' ' -f1)" = 1 ] && break; sleep 0.1; done
[ "$(probe find "$title" | cut -d' ' -f1)" = 1 ] || fail "the dialog was not shown"
sleep 0.5
import -window root "$shots/settings-wine.png"

step "'/e' ends the running program and its icon"
wine 'C:\Tessary\TessarySettings.exe' /e &
ender=$!
ended_with "$ender" 0 || fail "the /e start did not end with status 0 ($exit_status)"
ended_with "$first" 0 || fail "the running program did not end ($exit_status)"
probe gone "$title" 5000 || fail "the dialog is still there"
[ "$(probe tray)" = 0 ] || fail "the icon stayed in the notification area"
