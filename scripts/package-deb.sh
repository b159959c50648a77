#!/usr/bin/env bash
# Builds the Debian package: a release build installed under /usr (preset "package", folder
# build-package), packed by CPack as build-package/ordovan_<version>_amd64.deb with the
# dependencies dpkg-shlibdeps finds. Then shows what a user would get: the control data, the
# files, and whether apt could install it here (a simulation; nothing is installed).
#
#   scripts/package-deb.sh
#
# Install it with: sudo apt install ./build-package/ordovan_<version>_amd64.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-2}

cmake --preset package
cmake --build build-package -j"$jobs"
(cd build-package && cpack -G DEB)

deb=$(ls -t build-package/ordovan_*_amd64.deb | head -n 1)
echo "== $deb"
dpkg-deb --info "$deb"
echo "== Dateien"
dpkg-deb --contents "$deb"
echo "== Installierbar? (apt-get --simulate)"
apt-get install --simulate --no-install-recommends "./$deb" | grep -E '^(Inst|Conf) |^E:' || true
