#!/usr/bin/env bash
# Takes the manual's screenshots from the real program. Under Xvfb (no screen needed), with
# the built-in example in a throw-away data folder and after one run (so that log, history
# and archive show something), the program photographs each of its windows, tabs and pages
# itself (ORDOVAN_SCREENSHOTS, src/ui/screenshottour.h): main.png, main-<tab>.png,
# <window>.png, <window>-<page>.png, named after the objectNames.
#
#   scripts/screenshots.sh [FOLDER [SIZE]]   default: docs/manual/screenshots, 1000x720
#
# SIZE is WIDTHxHEIGHT of the main window (700x600 is the smallest it must look right at) or
# "maximiert"; to check a layout, take the pictures into another folder, e.g.
#   scripts/screenshots.sh /tmp/bilder 700x600
#
# The folder's PNG files are replaced only when the program took at least one picture.
# Rebuild afterwards: the manual's PDF picks them up, and the build fails while the manual
# shows one that is missing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
binary="$top/build/ordovan"
out=${1:-$top/docs/manual/screenshots}
size=${2:-1000x720}
[[ -x "$binary" ]] || { echo "Bitte zuerst bauen: cmake --preset default && cmake --build build" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run fehlt: scripts/install-deps.sh (xvfb, xauth)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ordovan-screenshots.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=scripts/example-data.sh
source "$top/scripts/example-data.sh"
# A window large enough for every control, the same on every machine.
if [[ $size == maximiert ]]; then
    geometry=('"WindowState"="wsMaximized"')
elif [[ $size =~ ^([0-9]+)x([0-9]+)$ ]]; then
    geometry=('"WindowState"="wsNormal"'
              "$(printf '"Height"=dword:%08x' "${BASH_REMATCH[2]}")"
              "$(printf '"Width"=dword:%08x' "${BASH_REMATCH[1]}")")
else
    echo "Größe \"$size\" nicht verstanden: BREITExHÖHE oder maximiert" >&2
    exit 64
fi
example_data "$work" "$binary" "${geometry[@]}"
"$binary" --unattended startstop ls_core 1 >"$work/run.log" 2>&1 || true

pictures="$work/pictures"
mkdir -p "$pictures"
# A fixed screen, 96 dpi and the fonts of scripts/install-deps.sh; German texts whatever
# the caller's locale. The program ends by itself once the pictures are taken.
status=0
ORDOVAN_SCREENSHOTS="$pictures" LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb \
    timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$binary" >"$work/tour.log" 2>&1 ||
    status=$?

shopt -s nullglob
taken=("$pictures"/*.png)
if ((${#taken[@]} == 0)); then
    echo "Keine Bildschirmfotos: das Programm hat kein benanntes Fenster angelegt (Rückgabewert $status)." >&2
    sed 's/^/  /' "$work/tour.log" >&2
    exit 1
fi
mkdir -p "$out"
rm -f "$out"/*.png
cp "${taken[@]}" "$out"/
for f in "${taken[@]}"; do echo "$out/$(basename "$f")"; done
