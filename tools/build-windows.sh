#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 on this Debian machine:
#   build/windows/x86_64   TessaryMixer.exe, TessarySettings.exe, TessaryDiag.exe and the
#                          helper programs of the Windows tests (run under Wine)
#   build/windows/i686     the device layer and the settings program, compiled and linked only
# The image libraries JUCE decodes its artwork with (libpng, libjpeg) are cross-built
# once from Debian's sources into build/windows/deps-x86_64.
# Usage: tools/build-windows.sh [--x86_64-only]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build/windows"
architectures=(x86_64 i686)
[ "${1:-}" = "--x86_64-only" ] && architectures=(x86_64)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(
  build-essential cmake pkg-config ccache dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  libz-mingw-w64-dev juce-modules-source googletest
  wine wine64 xvfb xauth x11-utils xdotool imagemagick nsis
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Debian's sources of the image libraries, through a private apt configuration
# whose source entries are this machine's own package entries.
fetch_sources() {
  local apt_dir="$out/apt-sources"
  local source_dir="$out/sources"
  if ls "$source_dir"/libpng1.6_*.orig.tar.* "$source_dir"/libjpeg-turbo_*.orig.tar.* >/dev/null 2>&1; then
    return
  fi
  mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$source_dir"
  : >"$apt_dir/none.list"
  local found=0
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    sed -n '/^Types:.*\bdeb\b/,/^$/p' "$list" | sed 's/^Types:.*/Types: deb-src/' >"$apt_dir/parts/$(basename "$list")"
    found=1
  done
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] || continue
    grep -E '^deb ' "$list" | sed 's/^deb /deb-src /' >>"$apt_dir/none.list" && found=1
  done
  [ "$found" -eq 1 ] || { echo "build-windows: no apt package sources to derive source entries from" >&2; exit 1; }
  local options=(-o "Dir::Etc::SourceList=$apt_dir/none.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
  apt-get -qq "${options[@]}" update
  # The release's own versions: their upstream tarballs are all the build needs.
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  (cd "$source_dir" && apt-get -qq "${options[@]}" source --download-only "libpng1.6/$codename" "libjpeg-turbo/$codename")
}

# build_image_libraries ARCH: static libpng and libjpeg in deps-ARCH.
build_image_libraries() {
  local arch=$1
  local prefix="$out/deps-$arch"
  [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libjpeg.a" ] && return
  fetch_sources
  local work="$out/deps-build-$arch"
  rm -rf "$work" && mkdir -p "$work"
  local toolchain="$here/cmake/toolchains/mingw-w64-$arch.cmake"
  local common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_C_FLAGS="-O2" -Wno-dev)
  tar -xf "$out"/sources/libpng1.6_*.orig.tar.* -C "$work"
  cmake -S "$work"/libpng-* -B "$work/png-build" "${common[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
  cmake --build "$work/png-build" -j"$(nproc)" >/dev/null
  cmake --install "$work/png-build" >/dev/null
  tar -xf "$out"/sources/libjpeg-turbo_*.orig.tar.* -C "$work"
  cmake -S "$work"/libjpeg-turbo-* -B "$work/jpeg-build" "${common[@]}" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF >/dev/null
  cmake --build "$work/jpeg-build" -j"$(nproc)" >/dev/null
  cmake --install "$work/jpeg-build" >/dev/null
  # JUCE's loader reads libjpeg's internal header too, as Debian's package installs it.
  cp "$work"/libjpeg-turbo-*/jpegint.h "$prefix/include/"
  # JUCE includes libjpeg inside a namespace of its own, after <windows.h>: its
  # `boolean` must be declared there too, not only when <rpcndr.h> has not been
  # read (a repeated typedef of the same type is allowed in C and C++).
  sed -i '/^#ifndef __RPCNDR_H__/{N;N;s/#ifndef __RPCNDR_H__[^\n]*\n\(typedef unsigned char boolean;\)\n#endif/\1/}' \
    "$prefix/include/jconfig.h"
  grep -qx 'typedef unsigned char boolean;' "$prefix/include/jconfig.h"
  rm -rf "$work"
}

for arch in "${architectures[@]}"; do
  options=()
  if [ "$arch" = x86_64 ]; then
    build_image_libraries "$arch"
    options+=(-DTESSARY_WINDOWS_PREFIX="$out/deps-$arch")
  else
    # 32-bit programs do not run on these machines: the device layer and the
    # settings program (no JUCE on Windows) are compiled and linked only.
    options+=(-DTESSARY_WINDOWS_JUCE_PROGRAMS=OFF -DTESSARY_BUILD_TESTS=OFF -DTESSARY_BUILD_BENCH=OFF)
  fi
  cmake -S "$here" -B "$out/$arch" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTESSARY_WARNINGS_AS_ERRORS=ON "${options[@]}" >/dev/null
  cmake --build "$out/$arch" -j"$(nproc)"
done
