#!/usr/bin/env bash
# The device layer's and the settings commands' tests, the Linux build's own,
# as Windows programs under Wine: their requests go through SetupAPI,
# CreateFile and DeviceIoControl to the simulated driver's kernel half, and
# from there to the units the test program serves itself.
#   windows_device_layer_test.sh BUILD_DIR TEST.exe...
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
build=$1
shift
start_wine_session
step "the simulated driver's kernel half is installed"
"$here/../../tools/wine-simdriver.sh" install --build "$build" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "the simulated driver could not be installed"; }
failed=()
for tests in "$@"; do
  step "$(basename "$tests")"
  wine "$tests" --gtest_brief=1 2>&1 | tr -d '\r' || failed+=("$(basename "$tests")")
done
[ ${#failed[@]} -eq 0 ] || fail "failed under Wine: ${failed[*]}"
