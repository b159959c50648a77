#!/usr/bin/env bash
# Times reading a 100,000-row, 20-column .xlsx into the source grid (bench/xlsx_tool read,
# which runs ReadWorkbookSource) against xlsx2csv converting the same file to CSV, in the same
# run, and prints the ratio.
#
# usage: bench/xlsx.sh [BUILD_DIR] [ROWS]   (BUILD_DIR configured with ORDOVAN_BUILD_BENCH)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
rows=${2:-100000}
tool=$build/bench/xlsx_tool
[[ -x $tool ]] || { echo "build $tool first (preset bench)" >&2; exit 1; }
for t in hyperfine xlsx2csv; do
    command -v $t >/dev/null || { echo "$t missing: scripts/install-deps.sh --bench" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
book=$work/zahlungen.xlsx
"$tool" make "$book" $((rows + 1)) 20
echo "source: $(du -h "$book" | cut -f1), $rows rows of 20 fields and a title row"
"$tool" read "$book"

hyperfine --warmup 1 --runs 5 --export-json "$work/times.json" \
    -n xlsx2csv "xlsx2csv $book $work/out.csv" -n xlsx_tool "$tool read $book"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
them, us = r["xlsx2csv"]["median"], r["xlsx_tool"]["median"]
print(f"median: xlsx2csv {them*1000:.0f} ms, read into the grid {us*1000:.0f} ms, "
      f"ratio {us/them:.2f} (target <= 1.00)")
PY
