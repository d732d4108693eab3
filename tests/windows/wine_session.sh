# Sourced by the Windows program tests: a fresh Wine prefix and an X display of
# their own for one test, the programs copied into C:\Tessary, and the probes.
# Needs: the test's own arguments parsed first; sets $work, $WINEPREFIX, $drive.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

# Re-runs the calling script under Xvfb when there is no display.
need_display() {
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}

start_wine_session() {
  work=$(mktemp -d)
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # No desktop integration: nothing of the test reaches the user's menus or file types.
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
  trap end_wine_session EXIT
  # A server that stays, and with it the prefix's services, between the test's
  # commands (Debian's wineserver script would make it leave with the last one).
  local server=/usr/lib/wine/wineserver64
  [ -x "$server" ] || server=wineserver
  mkdir -p "$WINEPREFIX"
  "$server" -p
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "no Wine prefix"; }
  # The test displays have no window manager: Wine must not wait for one to
  # confirm that a window was withdrawn (2 s a window, on every close).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  drive="$WINEPREFIX/drive_c"
  mkdir -p "$drive/Tessary"
}

end_wine_session() {
  local status=$?
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}

# install_program PATH: copies a program into C:\Tessary.
install_program() { cp "$1" "$drive/Tessary/"; }

probe() { wine "$probe_exe" "$@" | tr -d '\r'; }

# shown_as TITLE "VISIBLE W H": waits up to 60 s until a window with the title
# is so (a JUCE window shows at a first size before its own); prints what was
# last seen.
shown_as() {
  local seen=""
  for _ in $(seq 120); do
    seen=$(probe visible "$1" 500) || true
    [ "$seen" = "$2" ] && break
    sleep 0.5
  done
  echo "${seen:-none}"
}

# Waits up to 10 s for the process $1, started by this shell, to end; sets
# $exit_status to its status, or to "still running".
wait_for_exit() {
  local pid=$1
  exit_status="still running"
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      exit_status=0
      wait "$pid" || exit_status=$?
      return 0
    fi
    sleep 0.1
  done
}

# ended_with PID STATUS: whether the process ended, within 10 s, with that status.
ended_with() {
  wait_for_exit "$1"
  [ "$exit_status" = "$2" ]
}

source "$(dirname "${BASH_SOURCE[0]}")/../x11/x_windows.sh"
