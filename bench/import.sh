#!/usr/bin/env bash
# Times reading a 100,000-record, 20-field CSV into the source grid and importing it into
# ClientDataSetAZV (bench/import_tool) against Python's csv module only parsing the same file,
# in the same run, and prints the ratio.
#
# usage: bench/import.sh [BUILD_DIR] [RECORDS]   (BUILD_DIR configured with ORDOVAN_BUILD_BENCH)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
records=${2:-100000}
tool=$build/bench/import_tool
[[ -x $tool ]] || { echo "build $tool first (preset bench)" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "hyperfine missing: scripts/install-deps.sh --bench" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
csv=$work/source.csv
python3 "$here/gen_import_csv.py" "$csv" "$records"
echo "source: $(du -h "$csv" | cut -f1), $records records of 20 fields"

"$tool" "$csv"
python3 - "$csv" <<'PY'
import csv, sys
n = sum(1 for _ in csv.reader(open(sys.argv[1], newline='', encoding='cp1252'), delimiter=';'))
print("python csv rows:", n)
PY

parse="python3 -c \"import csv,sys
for r in csv.reader(open(sys.argv[1], newline='', encoding='cp1252'), delimiter=';'): pass\" $csv"
hyperfine --warmup 2 --runs 10 --export-json "$work/times.json" \
    -n python-csv "$parse" -n import_tool "$tool $csv"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
py, us = r["python-csv"]["median"], r["import_tool"]["median"]
print(f"median: python csv {py*1000:.0f} ms, read+import {us*1000:.0f} ms, "
      f"ratio {us/py:.2f} (target <= 1.00)")
PY
