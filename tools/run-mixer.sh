#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated driver with one unit
# and shows its status.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/release"
"$here/tools/setup.sh" "$build"

export TESSARY_DRIVER_SOCKET=${TESSARY_DRIVER_SOCKET:-$(mktemp -d)/driver.sock}
"$build/platform/simdriver/tessary-simdriver" serve --units 1 &
daemon=$!
trap 'kill $daemon 2>/dev/null; wait $daemon 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -S "$TESSARY_DRIVER_SOCKET" ] && break; sleep 0.1; done
"$build/platform/simdriver/tessary-simdriver" status
