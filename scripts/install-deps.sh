#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the fuzz targets (clang with libFuzzer)
# and (with --bench) the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-qpa-plugins libqt6printsupport6
    libgtest-dev libgmock-dev libbenchmark-dev
    libexpat1-dev libzip-dev mdbtools-dev
    libktoblzcheck1v5 libxml2-utils libxlsxwriter-dev zlib1g-dev
    fonts-liberation fonts-dejavu-core clang-format
    # icons, the checks of desktop entry, AppStream data and man page, screenshots
    librsvg2-bin desktop-file-utils appstream groff-base man-db xvfb xauth
    # the fuzz targets (libFuzzer)
    clang libclang-rt-14-dev
    # the window driven end to end over the accessibility bus
    dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
)
if [[ "${1:-}" == "--bench" ]]; then
    packages+=(xlsx2csv hyperfine python3 time)
    # Node.js may come from elsewhere with its own npm; Debian's npm would conflict with it.
    command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
