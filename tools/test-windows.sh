#!/usr/bin/env bash
# Builds the Windows programs (tools/build-windows.sh) and runs them under Wine:
# the tests labelled windows, each in a fresh Wine prefix on an X display of its
# own. The mixer's window, and what it sends a simulated unit, are compared
# with the Linux build's (build/release), when that has been built.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/build-windows.sh"
build="$here/build/windows/x86_64"
linux_mixer="$here/build/release/mixer/TessaryMixer"
linux_simdriver="$here/build/release/platform/simdriver/tessary-simdriver"
if [ -x "$linux_mixer" ] && [ -x "$linux_simdriver" ]; then
  cmake -S "$here" -B "$build" -DTESSARY_LINUX_MIXER="$linux_mixer" -DTESSARY_LINUX_SIMDRIVER="$linux_simdriver" >/dev/null
fi
ctest --test-dir "$build" -L windows --output-on-failure -j2 --timeout 300
