#!/usr/bin/env bash
# TessaryMixer.exe under Wine, in a fresh prefix: its window at 641 x 448 looks
# as the Linux build's does (outside text antialiasing), closing it writes the
# state file beside the program, and a second start hands over to the first.
#   windows_mixer_test.sh TessaryMixer.exe WindowProbe.exe SHOT_DIR [LINUX_TessaryMixer]
# Without the Linux program the comparison is skipped (status 77).
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
mixer_exe=$1
probe_exe=$2
shots=$3
linux_mixer=${4:-}
title="Brelmor/Halvaren Ostrel Tessary Mixer"
mkdir -p "$shots"
start_wine_session
install_program "$mixer_exe"
install_program "$probe_exe"
probe_exe='C:\Tessary\WindowProbe.exe'

step "the window: 641 x 448, as the Linux build draws it"
wine 'C:\Tessary\TessaryMixer.exe' &
first=$!
found=$(shown_as "$title" "1 641 448")
[ "$found" = "1 641 448" ] || fail "no visible 641 x 448 window titled '$title' (found: $found)"
x=$(window_named "$title") || fail "no X window for the mixer"
sleep 1
import -window "$x" "$shots/mixer-wine.png"
[ "$(identify -format '%wx%h' "$shots/mixer-wine.png")" = "641x448" ] || fail "the picture is not 641 x 448"

step "a second start hands over to the first and ends"
wine 'C:\Tessary\TessaryMixer.exe' &
second=$!
ended_with "$second" 0 || fail "the second start did not end with status 0 ($exit_status)"
kill -0 "$first" 2>/dev/null || fail "the first mixer ended"
[ "$(probe visible "$title" 1000)" = "1 641 448" ] || fail "the first mixer's window went"

step "closing the window writes the state file beside the program"
[ ! -e "$drive/Tessary/TessaryMixer.poo" ] || fail "a state file before the close"
probe close "$title" || fail "could not ask the window to close"
ended_with "$first" 0 || fail "the mixer did not end with status 0 when closed ($exit_status)"
[ -s "$drive/Tessary/TessaryMixer.poo" ] || fail "no state file C:\\Tessary\\TessaryMixer.poo"
head -c 4 "$drive/Tessary/TessaryMixer.poo" | grep -q PROP || fail "the state file is not a mix file"

if [ -z "$linux_mixer" ] || [ ! -x "$linux_mixer" ]; then
  echo "no Linux mixer given: the pictures were not compared"
  exit 77
fi
step "the Linux build's window, on the same display, for comparison"
scratch="$work/linux"
mkdir -p "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" TESSARY_DRIVER_SOCKET="$scratch/none.sock" \
  "$linux_mixer" >/dev/null 2>&1 &
linux=$!
lx=$(window_named "$title") || fail "no window of the Linux mixer"
sleep 1
import -window "$lx" "$shots/mixer-linux.png"
kill -KILL "$linux" 2>/dev/null || true
wait "$linux" 2>/dev/null || true
# Text is drawn by GDI under Wine and by FreeType on Linux: its antialiasing
# differs at the edges of letters, nothing else may.
differing=$(compare -metric AE -fuzz 20% "$shots/mixer-wine.png" "$shots/mixer-linux.png" "$shots/mixer-difference.png" 2>&1 || true)
total=$((641 * 448))
echo "pixels differing by more than 20%: $differing of $total"
[ "$differing" -le $((total / 200)) ] 2>/dev/null || fail "the pictures differ in more than 0.5% of the pixels (see $shots/mixer-difference.png)"
