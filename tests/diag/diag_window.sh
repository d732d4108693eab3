# The tool's window as a user sees it, for the program tests on Linux and under
# Wine: finding it, where its controls are, and which choice shows selected.
# Coordinates are the client area's; $client_left and $client_top say where it
# starts in the X window (a window frame drawn inside it moves it).
client_left=${client_left:-0}
client_top=${client_top:-0}

source "$(dirname "${BASH_SOURCE[0]}")/../x11/x_windows.sh"

# Options are 17 px high at x 24 in the frame (8, 28); the round box is 13 px at the left.
option_y() { case $1 in 4) echo 57 ;; 3) echo 90 ;; 2) echo 123 ;; 1) echo 157 ;; 0) echo 190 ;; esac; }
click_at() { xdotool mousemove --window "$1" $((client_left + $2)) $((client_top + $3)) click 1; }
click_option() { click_at "$1" 62 $((28 + $(option_y "$2") + 8)); }
click_ok() { click_at "$1" 164 360; }
click_cancel() { click_at "$1" 236 360; }

# Brightness (0..65535) at the centre of option $2's round box in screenshot $1.
dot() {
  convert "$1" -crop "1x1+$((client_left + 8 + 24 + 1 + 6))+$((client_top + 28 + $(option_y "$2") + 2 + 6))" -colorspace Gray -format '%[fx:int(65535*p{0,0})]' info:
}

selected_option() { # which option shows the dot in screenshot $1
  local i found=""
  for i in 0 1 2 3 4; do
    if [ "$(dot "$1" $i)" -lt 20000 ]; then
      [ -z "$found" ] || fail "options $found and $i both look selected"
      found=$i
    fi
  done
  echo "$found"
}
