#!/usr/bin/env bash
# Screenshots of every tab (at 700 x 600 and maximised) and of the program's own windows,
# taken under Xvfb on a throw-away data folder with one Mandant and one finished run.
#   scripts/window-screenshots.sh [FOLDER]      (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/screenshots}")"
for tool in build/ordovan build/tests/ordovan_uitool; do
    [[ -x $tool ]] || { echo "screenshots: $tool missing, build first" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run missing (package xvfb)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export HOME="$work"
mkdir -p "$work/Bank" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '%s\r\n' '"Name";"IBAN";"BIC";"Betrag";"Zweck";"Mandat"' \
    '"Anna Schäfer";"DE89370400440532013000";"COBADEFFXXX";"234,50";"Miete Januar";"M-1"' \
    '"Bernd Ölmann";"DE02120300000000202051";"BYLADEM1001";"12,00";"Beitrag 2022";"M-2"' \
    | iconv -f UTF-8 -t WINDOWS-1252 > "$work/Bank/quelle.csv"

build/tests/ordovan_uitool mandant
build/tests/ordovan_uitool configure "$work/Bank/quelle.csv" "$work/Bank/sepa.xml"
# One run, so that the grids and the history have rows.
build/ordovan --unattended startstop ls_core 1 2>/dev/null || true

mkdir -p "$out"
xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/ordovan_uitool screenshots "$out"
