#!/usr/bin/env bash
# TessaryDiag.exe under Wine, in a fresh prefix: it shows the depth stored in
# the local-machine hive selected, writes the chosen one there on OK, and warns
# with the system's message box when the driver's key is missing.
#   windows_diag_test.sh TessaryDiag.exe WindowProbe.exe SHOT_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
diag_exe=$1
probe_exe=$2
shots=$3
caption=" Ostrel Tessary Diagnostics"
key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VRD_1394\ConfigDB\Settings'
mkdir -p "$shots"
start_wine_session
install_program "$diag_exe"
install_program "$probe_exe"
probe_exe='C:\Tessary\WindowProbe.exe'
source "$here/../diag/diag_window.sh"

stored_depth() {
  wine reg query "$key" /v 'IsoStreamBufferDepth[us]' 2>/dev/null | tr -d '\r' |
    sed -n 's/.*IsoStreamBufferDepth\[us\] *REG_DWORD *\(0x[0-9a-f]*\)$/\1/p'
}

step "no driver key: the system's message box says so"
wine 'C:\Tessary\TessaryDiag.exe' &
tool=$!
[ "$(probe boxtext TessaryDiag 20000)" = "Key not found! Please re-install driver." ] ||
  fail "no 'Key not found' message box"
import -window root "$shots/diag-wine-key-not-found.png"
probe boxok TessaryDiag
w=$(window_named "$caption") || fail "no window after the warning"
probe close "$caption"
wait_for_exit "$tool"

step "stored 12 ms: shown selected; choosing Maximum and OK writes 20 ms"
wine reg add "$key" /v 'IsoStreamBufferDepth[us]' /t REG_DWORD /d 12000 /f >/dev/null
wine 'C:\Tessary\TessaryDiag.exe' &
tool=$!
w=$(window_named "$caption") || fail "no window captioned '$caption'"
# Wine draws the window's frame and caption inside its X window.
read -r client_left client_top < <(probe client "$caption")
sleep 1
import -window "$w" "$shots/diag-wine-window.png"
[ "$(selected_option "$shots/diag-wine-window.png")" = 1 ] || fail "Very Long (12 ms) is not the selected choice"
click_option "$w" 0
sleep 0.5
[ "$(stored_depth)" = 0x2ee0 ] || fail "the hive changed before OK"
click_ok "$w"
probe boxtext TessaryDiag 10000 >/dev/null || fail "no message box after OK"
[ "$(stored_depth)" = 0x4e20 ] || fail "20 ms was not written (found $(stored_depth))"
probe boxok TessaryDiag
probe gone "$caption" 3000 || fail "the window stayed after the advice was dismissed"
ended_with "$tool" 0 || fail "the tool did not end after OK ($exit_status)"
