# Sourced by the tests that need a window manager on their private display.
# The caller defines `fail` and a `pids` array whose processes it ends on exit.
#   start_window_manager SCRATCH_DIR

window_manager_running() {
  case "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>&1)" in *"window id"*) return 0 ;; esac
  return 1
}

# A loaded machine can take seconds to start openbox, and an openbox that ends
# at once (its display briefly refusing connections, say) is started once more;
# a failure shows what openbox said.
start_window_manager() {
  local log="$1/openbox.log" attempt wm
  for attempt in 1 2; do
    openbox --sm-disable >>"$log" 2>&1 &
    wm=$!
    pids+=("$wm")
    for _ in $(seq 300); do
      window_manager_running && return 0
      kill -0 "$wm" 2>/dev/null || break
      sleep 0.1
    done
    echo "openbox, attempt $attempt, did not start" >>"$log"
  done
  echo "openbox said:" >&2
  cat "$log" >&2
  fail "openbox did not start"
}
