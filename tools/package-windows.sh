#!/usr/bin/env bash
# Builds the Windows programs and their installer, build/windows/tessary-<version>-win64.exe
# (CPack's NSIS generator; Debian's nsis provides makensis and its 64-bit stubs).
#   tools/package-windows.sh [--version X.Y.Z]   another version than the project's (for upgrade tests)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
version_options=()
if [ "${1:-}" = "--version" ]; then
  version_options=(-D "CPACK_PACKAGE_VERSION=$2" -D "CPACK_PACKAGE_FILE_NAME=tessary-$2-win64")
fi
if ! command -v makensis >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends nsis
fi
"$here/tools/build-windows.sh" --x86_64-only >/dev/null
build="$here/build/windows/x86_64"
(cd "$build" && cpack -G NSIS --config CPackConfig.cmake ${version_options[@]+"${version_options[@]}"} >/dev/null)
installer=$(ls -t "$build"/tessary-*-win64.exe | head -n 1)
mv -f "$installer" "$here/build/windows/"
echo "$here/build/windows/$(basename "$installer")"
