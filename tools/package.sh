#!/usr/bin/env bash
# Builds the Debian package from a release build and checks it with lintian,
# which must report no error (warnings are shown).
#   tools/package.sh [BUILD_DIR]     default build/release; prints the .deb's path last
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}

"$here/tools/setup.sh" "$build" >/dev/null
rm -f "$build"/tessary_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log") || { cat "$build/cpack.log"; exit 1; }
package=$(ls "$build"/tessary_*.deb)
dpkg-deb --field "$package" Package Version Architecture Depends Suggests
# Debian's own packages are checked by lintian as a normal user; as root it
# says so and carries on.
lintian --fail-on error --tag-display-limit 0 --display-info "$package"
echo "$package"
