#!/usr/bin/env bash
# Window benchmark: a data folder whose db5.xml holds ROWS SEPA records (no record counter,
# so the main tab's grid shows them all). In the same run, best of RUNS, each in a fresh
# process: loading the tables alone, and the start-up through the window until the first page
# of the SEPA grid is painted, then scrolling that grid to its last row. Prints the times,
# the memory and the ratios (limits: time 1.3, memory 1.2 of the tables alone; scrolling
# copies no rows, so it adds next to nothing).
#
#   bench/window.sh                    build (preset "bench"), generate once, measure
#   ROWS=200000 RUNS=5 BIN=/path/to/build-bench bench/window.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rows=${ROWS:-1000000}
runs=${RUNS:-3}
work=${WORK_DIR:-${TMPDIR:-/tmp}/ordovan-bench-window}
bin=${BIN:-}

if [[ -z "$bin" ]]; then
    (cd "$root" && cmake --preset bench >/dev/null)
    cmake --build "$root/build-bench" -j2 --target window_tool tablefile_tool >/dev/null
    bin="$root/build-bench"
fi

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
data="$XDG_DATA_HOME/Ordovan 2022"
if [[ ! -f "$work/ready-$rows" ]]; then
    rm -rf "$work" && mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    echo "generating $rows rows ..."
    "$bin/bench/window_tool" prepare
    "$bin/bench/tablefile_tool" generate "$data/db5.xml" "$rows" >/dev/null
    touch "$work/ready-$rows"
fi
# The window never saves here, but a run that stopped early must not leave changed tables.
cp "$data/db5.xml" "$work/db5.keep"

best() { sort -g | head -1; }
tables_ms=() tables_kib=() window_ms=() window_kib=() scroll_ms=() scroll_kib=()
for ((i = 0; i < runs; i++)); do
    read -r _ t _ k _ _ _ _ _ live < <("$bin/bench/window_tool" tables)
    tables_ms+=("$t") tables_kib+=("$k")
    read -r _ w _ wk _ _ s _ sk _ _ _ _ _ shown _ < <("$bin/bench/window_tool" window 2>/dev/null)
    [[ "$shown" == "$live" ]] || { echo "the grid shows $shown rows, not $live" >&2; exit 1; }
    window_ms+=("$w") window_kib+=("$wk") scroll_ms+=("$s") scroll_kib+=("$sk")
    cmp -s "$data/db5.xml" "$work/db5.keep" || cp "$work/db5.keep" "$data/db5.xml"
done
t=$(printf '%s\n' "${tables_ms[@]}" | best)
tk=$(printf '%s\n' "${tables_kib[@]}" | best)
w=$(printf '%s\n' "${window_ms[@]}" | best)
wk=$(printf '%s\n' "${window_kib[@]}" | best)
s=$(printf '%s\n' "${scroll_ms[@]}" | best)
sk=$(printf '%s\n' "${scroll_kib[@]}" | best)
echo "rows:                       $rows in the file, $live live (all shown in the grid)"
echo "tables alone:               $t ms, $tk KiB resident"
echo "window, first page painted: $w ms, $wk KiB resident"
echo "scroll to the last row:     $s ms, $sk KiB resident afterwards"
awk -v t="$t" -v w="$w" -v tk="$tk" -v wk="$wk" -v sk="$sk" 'BEGIN {
    printf "time ratio (window / tables):    %.2f (limit 1.30)\n", w / t
    printf "memory ratio (window / tables):  %.2f (limit 1.20)\n", wk / tk
    printf "memory ratio after scrolling:    %.2f\n", sk / tk
}'
