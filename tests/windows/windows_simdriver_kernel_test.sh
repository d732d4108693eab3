#!/usr/bin/env bash
# The simulated driver's kernel half installed in a fresh Wine prefix with
# tools/wine-simdriver.sh, exercised by SimDriverKernelTest.exe (a program and a
# host of its own), and removed again.
#   windows_simdriver_kernel_test.sh BUILD_DIR SimDriverKernelTest.exe
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
need_display "$0" "$@"
build=$1
test_exe=$2
start_wine_session
install_program "$test_exe"

step "install"
"$here/../../tools/wine-simdriver.sh" --build "$build" install || fail "the driver was not installed"
step "requests through the driver"
wine 'C:\Tessary\SimDriverKernelTest.exe' | tr -d '\r' >"$work/test.log"
status=${PIPESTATUS[0]}
cat "$work/test.log"
[ "$status" -eq 0 ] || fail "SimDriverKernelTest failed"
step "remove"
"$here/../../tools/wine-simdriver.sh" --build "$build" remove || fail "the driver was not removed"
wine "$build/simdriver/tessarysim-setup.exe" wait 1 >/dev/null 2>&1 && fail "the driver's device is still there"
echo "PASS"
