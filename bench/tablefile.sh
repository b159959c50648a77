#!/usr/bin/env bash
# Table file benchmark: loads a generated db5.xml of 1,000,000 payment records and compares
# it with `xmllint --huge --noout` on the same bytes (with a windows-1252 declaration added),
# measures peak memory against the file size, the cost of one attribute of 50 and 100 MB
# (linear means about twice the time for twice the size), and saving against loading.
# Everything is measured in the same run and printed as ratios.
#
#   bench/tablefile.sh            build (preset "bench"), generate once, measure
#   ROWS=200000 RUNS=5 WORK_DIR=/var/tmp/x TOOL=/path/to/tablefile_tool bench/tablefile.sh
#
# Needs xmllint (libxml2-utils) and /usr/bin/time (time): scripts/install-deps.sh --bench.
# About 1.5 GB of disk in WORK_DIR.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rows=${ROWS:-1000000}
runs=${RUNS:-3}
work=${WORK_DIR:-${TMPDIR:-/tmp}/ordovan-bench}
tool=${TOOL:-}

if [[ -z "$tool" ]]; then
    (cd "$root" && cmake --preset bench >/dev/null)
    cmake --build "$root/build-bench" --target tablefile_tool >/dev/null
    tool="$root/build-bench/bench/tablefile_tool"
fi
for t in xmllint /usr/bin/time; do
    command -v "$t" >/dev/null || { echo "missing $t: run scripts/install-deps.sh --bench" >&2; exit 1; }
done

mkdir -p "$work"
db5="$work/db5-$rows.xml"
if [[ ! -f "$db5" ]]; then
    echo "generating $db5 ($rows rows) ..."
    "$tool" generate "$db5" "$rows"
fi
declaration='<?xml version="1.0" standalone="yes"?>'
if [[ "$(head -c ${#declaration} "$db5")" != "$declaration" ]]; then
    echo "unexpected start of $db5" >&2
    exit 1
fi
twin="$work/db5-$rows-1252.xml"
{ printf '<?xml version="1.0" encoding="windows-1252" standalone="yes"?>'
  tail -c +$((${#declaration} + 1)) "$db5"; } >"$twin"
for mb in 50 100; do
    [[ -f "$work/attr$mb.xml" ]] || "$tool" bigattr "$work/attr$mb.xml" "$mb"
done

# Wall seconds, peak KiB and CPU seconds (user + system) of one command.
measure() {
    /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$@" >/dev/null
    awk '{ print $1, $2, $3 + $4 }' "$work/time.txt"
}
min() { sort -g | head -1; }

# Interleaved, so a busy machine slows both sides alike; the best run of each counts.
# CPU time is shown too: on a shared machine it is the steadier of the two.
load_times=() xmllint_times=() load_cpus=() xmllint_cpus=() load_kib=0
for ((i = 0; i < runs; i++)); do
    read -r s kib cpu < <(measure "$tool" load "$db5")
    load_times+=("$s") load_cpus+=("$cpu")
    ((kib > load_kib)) && load_kib=$kib
    read -r s _ cpu < <(measure xmllint --huge --noout "$twin")
    xmllint_times+=("$s") xmllint_cpus+=("$cpu")
done
load_s=$(printf '%s\n' "${load_times[@]}" | min)
xmllint_s=$(printf '%s\n' "${xmllint_times[@]}" | min)
load_cpu=$(printf '%s\n' "${load_cpus[@]}" | min)
xmllint_cpu=$(printf '%s\n' "${xmllint_cpus[@]}" | min)

attr50_ms=$("$tool" load "$work/attr50.xml" "$runs" | awk '{print $2}')
attr100_ms=$("$tool" load "$work/attr100.xml" "$runs" | awk '{print $2}')

# Saving and loading timed inside one process, in turn (file writing and parsing alone).
read -r _ inner_load_ms _ save_ms _ < <("$tool" save "$db5" "$work/saved.xml" "$runs")
cmp -s "$db5" "$work/saved.xml" && same=yes || same=NO

bytes=$(stat -c %s "$db5")
awk -v rows="$rows" -v bytes="$bytes" -v load="$load_s" -v xl="$xmllint_s" -v kib="$load_kib" \
    -v lcpu="$load_cpu" -v xcpu="$xmllint_cpu" \
    -v a50="$attr50_ms" -v a100="$attr100_ms" -v save="$save_ms" -v iload="$inner_load_ms" \
    -v same="$same" 'BEGIN {
    r1 = load / xl; r2 = kib * 1024 / bytes; r3 = a100 / a50; r4 = iload / save
    printf "db5.xml: %d rows, %.0f MB\n", rows, bytes / 1e6
    printf "load (process)            %8.2f s\n", load
    printf "xmllint --huge --noout    %8.2f s\n", xl
    printf "  load / xmllint          %8.2f   (target <= 0.5)  %s\n", r1, (r1 <= 0.5 ? "ok" : "MISSED")
    printf "load CPU (user+system)    %8.2f s\n", lcpu
    printf "xmllint CPU               %8.2f s\n", xcpu
    printf "  load / xmllint, CPU     %8.2f\n", lcpu / xcpu
    printf "peak memory of the load   %8.0f MB\n", kib / 1024
    printf "  peak / file size        %8.2f   (target < 2)     %s\n", r2, (r2 < 2 ? "ok" : "MISSED")
    printf "50 MB attribute           %8.0f ms\n", a50
    printf "100 MB attribute          %8.0f ms\n", a100
    printf "  100 MB / 50 MB          %8.2f   (linear ~2, quadratic ~4) %s\n", r3, (r3 < 3 ? "ok" : "MISSED")
    printf "load (in process)         %8.0f ms\n", iload
    printf "save (in process)         %8.0f ms   (saved file identical: %s)\n", save, same
    printf "  load / save             %8.2f   (target >= 2)    %s\n", r4, (r4 >= 2 ? "ok" : "MISSED")
}'
