#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need, then
# configures and builds. Safe to run again: it installs only what is missing.
# Usage: tools/setup.sh [BUILD_DIR] [cmake args...] [--target TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
shift || true
configure_args=()
build_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --target) build_args+=(--target "$2"); shift 2 ;;
    *) configure_args+=("$1"); shift ;;
  esac
done

packages=(
  build-essential cmake pkg-config ccache git clang-format
  juce-modules-source libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev zlib1g-dev libx11-dev
  binutils-mingw-w64-i686 fonts-wine
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils xdotool openbox imagemagick fonts-dejavu-core libglib2.0-bin gsettings-desktop-schemas
  libsystemd-dev dbus-daemon dbus-bin trayer
  desktop-file-utils appstream man-db dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${configure_args[@]+"${configure_args[@]}"} >/dev/null
cmake --build "$build" -j"$(nproc)" ${build_args[@]+"${build_args[@]}"}
