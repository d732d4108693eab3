#!/usr/bin/env bash
# One AV/C request through the simulated driver's kernel half under Wine
# (bench_avc_driver.exe, in a fresh prefix with the driver installed) beside
# the Linux build's socket path (bench_avc_transport), in one run.
#   bench/windows/avc_transport.sh [REQUESTS]   (default 2000)
# Needs the Linux build (build/release) and the Windows one (tools/build-windows.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
requests=${1:-2000}
linux_bench="$here/build/release/bench/bench_avc_transport"
windows_build="$here/build/windows/x86_64"
windows_bench="$windows_build/bench/windows/bench_avc_driver.exe"
for f in "$linux_bench" "$windows_bench"; do
  [ -x "$f" ] || { echo "avc_transport: $f is not built" >&2; exit 1; }
done

prefix=$(mktemp -d)
cleanup() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
"$here/tools/wine-simdriver.sh" install --build "$windows_build" >"$prefix/install.log" 2>&1 ||
  { cat "$prefix/install.log" >&2; exit 1; }

echo "AV/C request 0x80883004 (520 bytes in, 516 out), $requests requests each"
linux=$("$linux_bench" --requests "$requests")
printf '%s\n' "$linux" | sed -n '2,4p'
windows=$(wine "$windows_bench" --requests "$requests" | tr -d '\r')
printf '%s\n' "$windows"
socket=$(printf '%s\n' "$linux" | awk '$1 == "socket" { print $2 }')
driver=$(printf '%s\n' "$windows" | awk '$1 == "kernel" { print $3 }')
awk -v d="$driver" -v s="$socket" 'BEGIN { printf "kernel driver under Wine / Linux socket median: %.1fx\n", d / s }'
