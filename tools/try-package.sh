#!/usr/bin/env bash
# The Debian package tried as a new user would, on this machine (as root):
# installs it, starts the simulated driver (the user service where systemd runs
# the user's session, else the installed program), starts the installed mixer
# under Xvfb as a fresh user, drags Mic 1's fader, closes the mixer, starts it
# against a freshly plugged unit and sees the level come back from the user's
# folder; checks that nothing under the install changed, purges the package and
# lists what is left. The settings program is started and ended with its exit switch. The trial user is removed at the end.
#   tools/try-package.sh [PACKAGE.deb]      default: build/release/tessary_*.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
package=$(realpath "${1:-$(ls "$here"/build/release/tessary_*.deb)}")
[ "$(id -u)" -eq 0 ] || { echo "run as root: it installs and purges the package" >&2; exit 2; }
dpkg-query -W tessary >/dev/null 2>&1 && { echo "tessary is installed already; purge it first" >&2; exit 2; }
user=tessary-trial
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    # userdel also says the user had no mail spool.
    if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1 || true; fi
    if dpkg-query -W tessary >/dev/null 2>&1; then apt-get purge -y -qq tessary >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
step() { echo; echo "== $*"; }

step "install $(basename "$package")"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" 2>&1 | grep -v "Reading database\|^debconf" || true
dpkg-query -W -f='${Package} ${Version} ${Status}\n' tessary
dpkg -L tessary | while read -r path; do [ -f "$path" ] && echo "$path"; done | sort >"$work/files"
xargs -a "$work/files" sha256sum >"$work/before.sha256"
echo "$(wc -l <"$work/files") files installed"
touch "$work/installed-marker"

step "the user service"
systemd-analyze verify /usr/lib/systemd/user/tessary-simdriver.service && echo "systemd-analyze verify: no complaint"
useradd --create-home --shell /bin/bash "$user"
runtime=/run/user/$(id -u "$user")
if [ -d "$runtime" ] && runuser -u "$user" -- env XDG_RUNTIME_DIR="$runtime" systemctl --user is-system-running >/dev/null 2>&1; then
    driver=service
else
    echo "no systemd user session here: the driver is started from its installed path"
    runtime=$work/runtime
    mkdir -m 700 "$runtime"
    chown "$user:" "$runtime"
    driver=direct
fi

cat >"$work/as-user.sh" <<'TRIAL'
set -euo pipefail
socket=$XDG_RUNTIME_DIR/tessary/driver.sock
driver_pid=
mixer=
trap 'kill $mixer $driver_pid 2>/dev/null || true' EXIT
start_driver() {
    if [ "$DRIVER" = service ]; then
        systemctl --user start tessary-simdriver
    else
        tessary-simdriver serve --units 1 >>"$XDG_RUNTIME_DIR/driver.log" 2>&1 &
        driver_pid=$!
    fi
    for _ in $(seq 100); do [ -S "$socket" ] && return; sleep 0.05; done
    echo "no driver socket" >&2; exit 1
}
stop_driver() {
    if [ "$DRIVER" = service ]; then systemctl --user stop tessary-simdriver; else kill -TERM "$driver_pid"; fi
    for _ in $(seq 100); do [ -S "$socket" ] || return 0; sleep 0.05; done
}
mic1() { tessary-simdriver status | grep -m1 "feature FB 5" || true; }
start_mixer() {
    TessaryMixer >>"$XDG_RUNTIME_DIR/mixer.log" 2>&1 &
    mixer=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$mixer" --name "Tessary Mixer" | head -1)
    sleep 1
}
# Mic 1's fader is at x 36 from window height 74 (near full level) downwards.
drag_mic1_to() {
    xdotool windowraise "$window" mousemove --sync --window "$window" 36 74 mousedown 1
    for y in $(seq 83 9 "$1") "$1"; do xdotool mousemove --sync --window "$window" 36 "$y"; sleep 0.03; done
    sleep 0.06; xdotool mouseup 1; sleep 0.3
}

echo "as $(id -un), HOME=$HOME, XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR, DISPLAY=$DISPLAY"
start_driver
echo "unit at start:      $(mic1)"
start_mixer
echo "mixer $mixer shows window $window"
drag_mic1_to 111
echo "after the drag:     $(mic1)"
xdotool mousemove --sync --window "$window" 624 14 click 1   # the skin's close button
timeout 10 tail --pid="$mixer" -f /dev/null
mixer=
echo "mixer closed; the user's files:"
find "$HOME" -newer "$HOME/.profile" -type f | sort
grep -a -o "Fader L0" "$HOME/.config/TessaryMixer.poo" >/dev/null && echo "TessaryMixer.poo holds Fader L0"

stop_driver
start_driver
echo "fresh unit:         $(mic1)"
start_mixer
echo "mixer started again: $(mic1)"
kill -TERM "$mixer"
timeout 10 tail --pid="$mixer" -f /dev/null
mixer=

# The settings program as its autostart entry starts it, and its exit switch.
TessarySettings >>"$XDG_RUNTIME_DIR/settings.log" 2>&1 &
settings=$!
sleep 3
kill -0 "$settings" && echo "TessarySettings $settings runs"
TessarySettings /e
if timeout 10 tail --pid="$settings" -f /dev/null; then echo "'TessarySettings /e' ended it"; else echo "still running after /e"; kill "$settings"; fi
stop_driver
driver_pid=
TRIAL
chmod 644 "$work/as-user.sh"

step "the mixer as $user under Xvfb"
runuser -u "$user" -- env -i HOME="/home/$user" PATH=/usr/bin:/bin LANG=C.UTF-8 USER="$user" \
    XDG_RUNTIME_DIR="$runtime" DRIVER="$driver" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/as-user.sh"

# Root can write /usr/bin, where a mixer run from a build folder would keep its
# state; an installed one keeps it in root's own folder all the same.
step "the mixer as root"
mkdir -m 700 "$work/root-home" "$work/root-runtime"
env -i HOME="$work/root-home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/root-runtime" \
    TESSARY_DRIVER_SOCKET="$work/root-runtime/driver.sock" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        TessaryMixer >/dev/null 2>&1 & mixer=$!
        timeout 30 xdotool search --sync --onlyvisible --pid $mixer --name "Tessary Mixer" >/dev/null
        sleep 1; kill -TERM $mixer; wait $mixer'
echo "root's files: $(cd "$work/root-home" && find . -type f | sort | tr '\n' ' ')"
if [ -e /usr/bin/TessaryMixer.poo ]; then echo "written beside the installed program"; else echo "nothing beside /usr/bin/TessaryMixer"; fi

step "nothing under the install changed"
sha256sum --quiet -c "$work/before.sha256" && echo "all $(wc -l <"$work/files") installed files as installed"
changed=$(find /usr/bin /usr/share/applications /usr/share/metainfo /usr/share/icons/hicolor /usr/share/man/man1 \
    /usr/share/doc/tessary /usr/lib/systemd/user /etc/xdg/autostart -newer "$work/installed-marker" 2>/dev/null)
[ -z "$changed" ] && echo "nothing new or changed in the install's folders" || echo "changed since install: $changed"

step "purge"
apt-get purge -y -qq tessary 2>&1 | grep -v "Reading database" || true
dpkg-query -W tessary 2>/dev/null && echo "still known to dpkg" || echo "dpkg knows no tessary"
left=$(while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done <"$work/files")
[ -z "$left" ] && echo "none of the package's files is left" || echo "left: $left"
echo "the user's own files:"
find "/home/$user" -type f -newer "/home/$user/.profile" | sort
