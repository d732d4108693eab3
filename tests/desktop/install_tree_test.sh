#!/usr/bin/env bash
# Installs the build into a staging folder as a package would (prefix /usr) and
# checks the tree: exactly the expected files, programs that answer --version
# and --help without a display, desktop entries, AppStream metadata, manual
# pages and the user service as their validators see them, and icons at the
# sizes their folders name.
#   install_tree_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log" || { cat "$work/install.log"; exit 1; }

ids=(com.ostrel.TessaryMixer com.ostrel.TessarySettings com.ostrel.TessaryDiag)
programs=(TessaryMixer TessarySettings TessaryDiag tessaryctl tessary-simdriver)
sizes=(16 24 32 48 64 128 256)
{
    for program in "${programs[@]}"; do
        echo "usr/bin/$program"
        echo "usr/share/man/man1/$program.1.gz"
    done
    for id in "${ids[@]}"; do
        echo "usr/share/applications/$id.desktop"
        echo "usr/share/icons/hicolor/scalable/apps/$id.svg"
        for size in "${sizes[@]}"; do echo "usr/share/icons/hicolor/${size}x${size}/apps/$id.png"; done
    done
    echo usr/share/metainfo/com.ostrel.TessaryMixer.metainfo.xml
    echo usr/share/metainfo/com.ostrel.TessarySettings.metainfo.xml
    echo etc/xdg/autostart/com.ostrel.TessarySettings.desktop
    echo usr/lib/systemd/user/tessary-simdriver.service
    echo usr/share/doc/tessary/copyright
    echo usr/share/doc/tessary/changelog.gz
} | sort >"$work/expected"
(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
diff -u "$work/expected" "$work/installed" >"$work/tree.diff" || { cat "$work/tree.diff" >&2; fail "installed tree"; }

# The windowed programs too answer before any window, device or instance check:
# no display, no driver, no runtime folder.
for program in "${programs[@]}"; do
    path=$stage/usr/bin/$program
    [ -x "$path" ] || { fail "$program is not executable"; continue; }
    answer=$(env -u DISPLAY -u XDG_RUNTIME_DIR TESSARY_DRIVER_SOCKET="$work/none/driver.sock" "$path" --version) ||
        fail "$program --version exits with $?"
    [ "$answer" = "$program (Tessary control suite) $version" ] || fail "$program --version: $answer"
    env -u DISPLAY "$path" --help >"$work/help" || fail "$program --help exits with $?"
    head -1 "$work/help" | grep -q "^usage: $program " || fail "$program --help: $(head -1 "$work/help")"
done

for entry in "$stage"/usr/share/applications/*.desktop "$stage"/etc/xdg/autostart/*.desktop; do
    if ! desktop-file-validate "$entry" >"$work/validate" 2>&1 || grep -q "error:" "$work/validate"; then
        fail "desktop-file-validate $(basename "$entry"): $(cat "$work/validate")"
    fi
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry" | head -1)
    [ -x "$stage/usr/bin/$program" ] || fail "$(basename "$entry") runs $program, which is not installed"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$stage/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$(basename "$entry") names icon $icon, which is not installed"
done

for metainfo in "$stage"/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net "$metainfo" >"$work/validate" 2>&1 || fail "appstreamcli validate $(basename "$metainfo"): $(cat "$work/validate")"
    launchable=$(sed -n 's/.*<launchable type="desktop-id">\(.*\)<\/launchable>.*/\1/p' "$metainfo")
    [ -f "$stage/usr/share/applications/$launchable" ] || fail "$(basename "$metainfo") launches $launchable, which is not installed"
done

for page in "$stage"/usr/share/man/man1/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man $(basename "$page") failed"
    [ -z "$warnings" ] || fail "man --warnings $(basename "$page"): $warnings"
done

# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
for icon in "$stage"/usr/share/icons/hicolor/*x*/apps/*.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    [ "$(png_size "$icon")" = "$folder" ] || fail "$icon is $(png_size "$icon"), not $folder"
done

# The unit as systemd reads it, against the staged program and manual page.
unit=$stage/usr/lib/systemd/user/tessary-simdriver.service
grep -qx "ExecStart=/usr/bin/tessary-simdriver serve --units 1" "$unit" || fail "the service runs $(grep ExecStart "$unit")"
if command -v systemd-analyze >/dev/null; then
    sed "s|/usr/bin/|$stage/usr/bin/|" "$unit" >"$work/tessary-simdriver.service"
    MANPATH=$stage/usr/share/man systemd-analyze verify "$work/tessary-simdriver.service" >"$work/verify" 2>&1 ||
        fail "systemd-analyze verify: $(cat "$work/verify")"
else
    echo "systemd-analyze is not installed: the unit file is not verified"
fi

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "installed tree checked: $(wc -l <"$work/installed") files"
