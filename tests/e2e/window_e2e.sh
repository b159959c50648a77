#!/usr/bin/env bash
# The window end to end under Xvfb with the accessibility bus: window_e2e.py drives the
# program from its first start, by the captions of its controls and by the keyboard. Needs
# xvfb-run, dbus-run-session, at-spi2-core, python3-pyatspi and xmllint. Without them the test
# is skipped (status 77), unless ORDOVAN_REQUIRE_TOOLS=1 (CI), where a missing tool is a
# failure.
#   tests/e2e/window_e2e.sh BUILD_FOLDER
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(realpath "${1:-$source_dir/build}")"

missing=()
command -v xvfb-run >/dev/null || missing+=("xvfb-run (xvfb)")
command -v dbus-run-session >/dev/null || missing+=("dbus-run-session (dbus-daemon)")
[[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=("at-spi-bus-launcher (at-spi2-core)")
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=("pyatspi (python3-pyatspi)")
command -v xmllint >/dev/null || missing+=("xmllint (libxml2-utils)")
if ((${#missing[@]})); then
    echo "window_e2e: missing ${missing[*]}" >&2
    if [[ "${ORDOVAN_REQUIRE_TOOLS:-0}" == 1 || "${ORDOVAN_REQUIRE_FIXTURES:-0}" == 1 ]]; then exit 1; fi
    echo "window_e2e: skipped" >&2
    exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export HOME="$work" LANG=C.UTF-8
mkdir -p "$work/Bank" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# An empty data folder: the first start. The bank's export is the only file there is.
printf '%s\r\n' 'Name;IBAN;BIC;Betrag;Zweck;Mandat' \
    'Anna Schäfer;DE89370400440532013000;COBADEFFXXX;234,50;Miete Januar;M-1' \
    'Bernd Ölmann;DE02120300000000202051;BYLADEM1001;12,00;Beitrag 2022;M-2' \
    'Falsch;DE00;COBADEFFXXX;1,00;x;M-3' \
    | iconv -f UTF-8 -t WINDOWS-1252 > "$work/Bank/quelle.csv"

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
timeout 240 xvfb-run -a -s "-screen 0 1280x1024x24" \
    dbus-run-session -- /usr/bin/python3 "$source_dir/tests/e2e/window_e2e.py" \
    "$build" "$source_dir" "$work" 2> >(grep -v -e 'dbus-daemon' -e 'SpiRegistry' >&2)
