#!/usr/bin/env bash
# Sets up what is missing, builds and runs every test.
#   tools/test.sh              release build in build/release
#   tools/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build/sanitize
#   tools/test.sh --tsan       ThreadSanitizer build of the device layer, the Windows stand-ins and
#                              the simulated driver with their tests, in build/tsan
# Tests that open windows need an X display; without one they run under Xvfb.
# The daemon soak test (label soak, a minute) runs in the release build only.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

build="$here/build/release"
cmake_args=()
if [ "${1:-}" = "--sanitize" ]; then
  build="$here/build/sanitize"
  cmake_args+=(-DTESSARY_SANITIZE=ON -DTESSARY_BUILD_BENCH=OFF)
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tools/lsan.supp}
elif [ "${1:-}" = "--tsan" ]; then
  build="$here/build/tsan"
  cmake_args+=(-DTESSARY_TSAN=ON -DTESSARY_BUILD_BENCH=OFF)
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}
fi

# Tests keep to their own registry hives and never reach a simulated driver the
# user may have running.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TESSARY_REGISTRY_DIR="$scratch/registry"
export TESSARY_DRIVER_SOCKET="$scratch/no-driver.sock"
# Nor do they reach the user's session bus (a panel would show their tray
# icons) or share named objects with the user's programs.
unset DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$here/tools/setup.sh" "$build" ${cmake_args[@]+"${cmake_args[@]}"}

ctest_command=(ctest --test-dir "$build" --output-on-failure -j2 --timeout 300 -LE soak)
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "${ctest_command[@]}"
else
  "${ctest_command[@]}"
fi
# The soak test alone, with its figures shown.
if [ "$build" = "$here/build/release" ]; then
  soak_status=0
  ctest --test-dir "$build" -L soak -V --timeout 300 >"$scratch/soak.log" 2>&1 || soak_status=$?
  sed -n 's/^[0-9]*: //p' "$scratch/soak.log" | grep -vE "^(Test command|Working Directory|Test timeout)" || true
  exit "$soak_status"
fi
