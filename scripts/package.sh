#!/usr/bin/env bash
# Builds the Debian package build/setuppilot_<version>_<arch>.deb: the main
# build configured for /usr, only the shipped programs and pictures, then
# CPack. Usage: scripts/package.sh   (SP_JOBS caps the build's jobs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${SP_JOBS:-$(nproc)}
build=$root/build

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSP_WERROR=ON \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j "$jobs" --target setuppilot setuppilot-iscsid netdock sp_artwork sp_icons
rm -f "$build"/setuppilot_*.deb
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
mv "$build"/package/setuppilot_*.deb "$build"/
ls "$build"/setuppilot_*.deb
