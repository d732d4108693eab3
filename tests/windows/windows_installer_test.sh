#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix: a silent install puts
# the programs, Start-menu entries, logon start and uninstall entry in place;
# the installed programs run from there and keep the user's data in the user's
# folders; a newer version installed over it keeps that data; a silent
# uninstall takes away everything it installed and nothing of the user's.
#   windows_installer_test.sh BUILD_DIR WindowProbe.exe
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
build=$1
probe_exe=$2
start_wine_session
install_program "$probe_exe"
probe_exe='C:\Tessary\WindowProbe.exe'

programs="$drive/Program Files/Ostrel/Tessary"
start_menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrel Tessary"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel Tessary'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
profile='HKCU\Software\Ostrel\TessarySettings\Tessary'
mixer_title="Brelmor/Halvaren Ostrel Tessary Mixer"

# installer VERSION: makes the installer of this build as that version.
installer() {
  (cd "$build" && cpack -G NSIS --config CPackConfig.cmake -B "$work/packages" -D "CPACK_PACKAGE_VERSION=$1" \
    -D "CPACK_PACKAGE_FILE_NAME=tessary-$1-win64" >/dev/null) || fail "no installer for $1"
  echo "$work/packages/tessary-$1-win64.exe"
}
registry_value() { # registry_value KEY NAME: the value's data, or nothing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
installed_files() { (cd "$programs" && ls | tr '\n' ' '); }

first=$(installer 1.0.0)
newer=$(installer 1.0.1)
echo "installer: $(stat -c %s "$first") bytes"

step "a silent install puts everything in place"
start=$(date +%s%N)
wine "$first" /S || fail "the silent install failed"
echo "silent install: $((($(date +%s%N) - start) / 1000000)) ms"
expected="LICENSE.txt TessaryDiag.exe TessaryMixer.exe TessarySettings.exe Uninstall.exe "
[ "$(installed_files)" = "$expected" ] || fail "installed: $(installed_files)"
for entry in "Tessary Mixer" "Tessary Settings" "Tessary Diagnostics" Uninstall; do
  [ -f "$start_menu/$entry.lnk" ] || fail "no Start-menu entry '$entry'"
done
[ "$(registry_value "$run_key" TessarySettings)" = '"C:\Program Files\Ostrel\Tessary\TessarySettings.exe"' ] ||
  fail "the settings program does not start at logon"
[ "$(registry_value "$uninstall_key" DisplayName)" = "Ostrel Tessary" ] || fail "no uninstall entry"
[ "$(registry_value "$uninstall_key" Publisher)" = "Ostrel" ] || fail "no publisher"
[ "$(registry_value "$uninstall_key" DisplayVersion)" = "1.0.0" ] || fail "not version 1.0.0"
[ "$(registry_value "$uninstall_key" DisplayIcon)" = 'C:\Program Files\Ostrel\Tessary\TessaryMixer.exe' ] ||
  fail "no icon"
[ -n "$(registry_value "$uninstall_key" EstimatedSize)" ] || fail "no size"

step "the installed programs run; the mixer keeps its state in the user's folder"
wine 'C:\Program Files\Ostrel\Tessary\TessaryMixer.exe' &
mixer=$!
[ "$(shown_as "$mixer_title" "1 641 448")" = "1 641 448" ] || fail "the installed mixer shows no window"
probe close "$mixer_title"
ended_with "$mixer" 0 || fail "the mixer did not end ($exit_status)"
state=$(ls "$drive"/users/*/AppData/Roaming/TessaryMixer.poo 2>/dev/null | head -n 1)
[ -s "$state" ] || fail "no state file in the user's application-data folder"
[ ! -e "$programs/TessaryMixer.poo" ] || fail "a state file under Program Files"
wine 'C:\Program Files\Ostrel\Tessary\TessarySettings.exe' &
settings=$!
probe find "Ostrel Tessary" 20000 >/dev/null || fail "the installed settings program shows no dialog"
probe press "Ostrel Tessary" 1008
sleep 0.5
[ "$(registry_value "$profile" Ch1Boost)" = 0x1 ] || fail "the boost click was not kept"
cp "$state" "$work/state-before"

step "a newer version over it ends the settings program and keeps the user's data"
wine "$newer" /S || fail "the upgrade failed"
ended_with "$settings" 0 || fail "the running settings program was not ended ($exit_status)"
[ "$(registry_value "$uninstall_key" DisplayVersion)" = "1.0.1" ] || fail "not version 1.0.1 after the upgrade"
[ "$(installed_files)" = "$expected" ] || fail "after the upgrade: $(installed_files)"
cmp -s "$state" "$work/state-before" || fail "the upgrade changed the mixer's state"
[ "$(registry_value "$profile" Ch1Boost)" = 0x1 ] || fail "the upgrade lost the profile"

step "a silent uninstall takes away all it installed and keeps the user's data"
wine "C:\\Program Files\\Ostrel\\Tessary\\Uninstall.exe" /S || fail "the silent uninstall failed"
# The uninstaller runs from a copy of itself and returns at once: wait until
# it has taken away the last of what it removes (it goes on after the folder).
uninstalled() {
  [ ! -e "$programs" ] && [ ! -e "$start_menu" ] && [ -z "$(registry_value "$run_key" TessarySettings)" ] &&
    ! wine reg query "$uninstall_key" >/dev/null 2>&1 && ! wine reg query 'HKLM\Software\Ostrel\Ostrel Tessary' >/dev/null 2>&1
}
deadline=$((SECONDS + 20))
until uninstalled || [ "$SECONDS" -ge "$deadline" ]; do sleep 0.2; done
[ ! -e "$programs" ] || fail "left behind: $(installed_files)"
[ ! -e "$start_menu" ] || fail "the Start-menu entries stayed"
[ -z "$(registry_value "$run_key" TessarySettings)" ] || fail "the logon start stayed"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry stayed"
! wine reg query 'HKLM\Software\Ostrel\Ostrel Tessary' >/dev/null 2>&1 || fail "the install key stayed"
cmp -s "$state" "$work/state-before" || fail "the uninstall took the mixer's state"
[ "$(registry_value "$profile" Ch1Boost)" = 0x1 ] || fail "the uninstall took the profile"
