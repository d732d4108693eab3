# Sourced by the program tests: finding a program's X window by its name.

# Prints the id of the visible window named exactly $1, waiting up to 10 s.
window_named() {
  local w
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
