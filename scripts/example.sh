#!/usr/bin/env bash
# Runs the program's main job on the built-in example: a club collects three membership fees
# by direct debit (CORE). Everything happens in a throw-away folder; the SEPA file, the log
# file and the exit status are shown at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
binary="$top/build/ordovan"
[[ -x "$binary" ]] || { echo "Bitte zuerst bauen: cmake --preset default && cmake --build build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ordovan-beispiel.XXXXXX")
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
data="$XDG_DATA_HOME/Ordovan 2022"
settings="$XDG_CONFIG_HOME/Brunnhold Software/Ordovan.reg"

# First start: creates the empty tables and the bank directory.
"$binary" --unattended

# The ordering party (Mandant 1) with its creditor identifier.
cp "$top/examples/mandant.xml" "$data/mandant.xml"
cp "$top/examples/lastschriften.csv" "$work/lastschriften.csv"

# Its settings: source, target, separator ";", qualifier '"', title row, column mapping.
key='HKEY_CURRENT_USER\SOFTWARE\Brunnhold Software\Ordovan'
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[%s]\r\n"Mandant"=dword:00000001\r\n"LastMandantID"=dword:00000001\r\n\r\n' "$key"
    printf '[%s\\1]\r\n' "$key"
    printf '"Quelldatei"="%s"\r\n' "$work/lastschriften.csv"
    printf '"Zieldatei"="%s"\r\n' "$work/sepa-lastschriften.xml"
    printf '"Trennzeichen"="Semikolon"\r\n"Textkennzeichner"="doppelt"\r\n'
    printf '"Titelzeile"=dword:00000001\r\n"Betragformat"=dword:00000000\r\n'
    printf '"NameX"=dword:00000000\r\n"NameX2"=dword:00000001\r\n"IBANX"=dword:00000002\r\n'
    printf '"BICX"=dword:00000003\r\n"Betrag"=dword:00000004\r\n"NotitzInternX"=dword:00000005\r\n'
    printf '"Verw1"=dword:00000006\r\n\r\n'
} > "$settings"

status=0
"$binary" --unattended startstop ls_core 1 || status=$?

echo "== Rückgabewert: $status"
echo "== SEPA-Datei $work/sepa-lastschriften.xml"
cat "$work/sepa-lastschriften.xml" 2>/dev/null || echo "(keine SEPA-Datei)"
echo "== Log-Datei"
for log in "$data"/Log/*.txt; do iconv -f WINDOWS-1252 -t UTF-8 "$log"; done
echo "== Daten in $work"
exit "$status"
