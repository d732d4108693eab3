#!/usr/bin/env bash
# Installs the simulated driver's kernel half (tessarysim.sys) in a Wine prefix,
# or removes it. The prefix is $WINEPREFIX (default ~/.wine); the driver, its INF
# and tessarysim-setup.exe come from the 64-bit Windows build's simdriver/.
# install leaves a persistent wineserver running (the prefix's services, and the
# driver with them, would otherwise end with the last Wine program) and returns
# once the driver's host device (\\.\TessarySimHost) opens. An installed driver
# is replaced.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/windows/x86_64"

usage() {
  cat <<USAGE
usage: $(basename "$0") [--build DIR] install | remove
  install  install the driver on a root-enumerated device and wait until it is ready
  remove   remove the device and stop the driver
  --build DIR  the 64-bit Windows build directory (default: build/windows/x86_64)
WINEPREFIX selects the prefix (default ~/.wine); it is created when missing.
USAGE
}

action=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) [ $# -ge 2 ] || { usage >&2; exit 2; }; build=$(cd "$2" && pwd); shift 2 ;;
    -h|--help) usage; exit 0 ;;
    install|remove) [ -z "$action" ] || { usage >&2; exit 2; }; action=$1; shift ;;
    *) usage >&2; exit 2 ;;
  esac
done
[ -n "$action" ] || { usage >&2; exit 2; }

files="$build/simdriver"
for f in tessarysim.sys tessarysim.inf tessarysim-setup.exe; do
  [ -f "$files/$f" ] || { echo "wine-simdriver: $files/$f is missing: build the tessarysim and tessarysim-setup targets" >&2; exit 1; }
done

export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=wineserver
setup() { wine "$files/tessarysim-setup.exe" "$@"; }

case "$action" in
  install)
    mkdir -p "$WINEPREFIX"
    "$server" -p 2>/dev/null || true  # (already running: it stays)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || { echo "wine-simdriver: no Wine prefix at $WINEPREFIX" >&2; exit 1; }
      # A new prefix's services, still busy with its first start, do not start
      # the driver: they start again, settled, with the next program.
      wineserver -k && wineserver -w
      "$server" -p
    fi
    # Windows paths of the build's files, as the installer reads them.
    inf=$(winepath -w "$files/tessarysim.inf" 2>/dev/null | tr -d '\r')
    # A driver there is goes first, so that the build's one is loaded.
    setup remove >/dev/null
    setup install "$inf"
    setup wait 30
    echo "wine-simdriver: the driver is ready in $WINEPREFIX"
    ;;
  remove)
    [ -d "$WINEPREFIX" ] || { echo "wine-simdriver: no Wine prefix at $WINEPREFIX" >&2; exit 1; }
    "$server" -p 2>/dev/null || true  # (already running: it stays)
    setup remove
    ;;
esac
