#!/usr/bin/env bash
# Runs the program's main job on the built-in example: a club collects three membership fees
# by direct debit (CORE). Everything happens in a throw-away folder; the SEPA file, the log
# file and the exit status are shown at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
binary="$top/build/ordovan"
[[ -x "$binary" ]] || { echo "Bitte zuerst bauen: cmake --preset default && cmake --build build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ordovan-beispiel.XXXXXX")
# shellcheck source=scripts/example-data.sh
source "$top/scripts/example-data.sh"
example_data "$work" "$binary"
data="$XDG_DATA_HOME/Ordovan 2022"

status=0
"$binary" --unattended startstop ls_core 1 || status=$?

echo "== Rückgabewert: $status"
echo "== SEPA-Datei $work/sepa-lastschriften.xml"
cat "$work/sepa-lastschriften.xml" 2>/dev/null || echo "(keine SEPA-Datei)"
echo "== Log-Datei"
for log in "$data"/Log/*.txt; do iconv -f WINDOWS-1252 -t UTF-8 "$log"; done
echo "== Daten in $work"
exit "$status"
