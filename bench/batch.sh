#!/usr/bin/env bash
# Whole-run benchmark: `ordovan --unattended startstop gs 1` over a source of COUNT credit
# transfers (start, read, import, checks, SEPA file, log file, history, archive, saving all
# tables, end), against the npm package "sepa" (version 3) alone building and serialising the
# same transfers under Node.js. Both are measured in the same run, interleaved, best of RUNS;
# every program run starts from a fresh copy of the prepared installation. Prints the times,
# the ratio and the program's peak memory.
#
#   bench/batch.sh                    build (preset "bench"), install the peer, measure
#   COUNT=20000 RUNS=5 BIN=/path/to/build bench/batch.sh
#
# Needs node, npm and GNU time (scripts/install-deps.sh --bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
count=${COUNT:-100000}
runs=${RUNS:-3}
work=${WORK_DIR:-${TMPDIR:-/tmp}/ordovan-bench-batch}
bin=${BIN:-}

if [[ -z "$bin" ]]; then
    (cd "$root" && cmake --preset bench >/dev/null)
    cmake --build "$root/build-bench" --target ordovan batch_tool >/dev/null
    bin="$root/build-bench"
fi
command -v node >/dev/null || { echo "missing node: run scripts/install-deps.sh --bench" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing GNU time: run scripts/install-deps.sh --bench" >&2; exit 1; }
if [[ ! -f "$root/bench/node_modules/sepa/package.json" ]]; then
    npm install --no-save --no-audit --no-fund --prefix "$root/bench" sepa@3 >/dev/null
fi

rm -rf "$work"
mkdir -p "$work"
# Prepared once where the runs happen (the settings name absolute paths), then kept aside.
"$bin/bench/batch_tool" prepare "$work/run" "$count"
mv "$work/run" "$work/pristine"

min() { sort -g | head -1; }
run_ms=() npm_ms=() rss_kb=()
for ((i = 0; i < runs; i++)); do
    rm -rf "$work/run"
    cp -a "$work/pristine" "$work/run"
    start=$(date +%s%N)
    XDG_DATA_HOME="$work/run/data" XDG_CONFIG_HOME="$work/run/config" \
        /usr/bin/time -f "%M" -o "$work/rss" \
        "$bin/ordovan" --unattended startstop gs 1 2>"$work/stderr" </dev/null || {
        echo "ordovan failed:" >&2; cat "$work/stderr" >&2; exit 1; }
    end=$(date +%s%N)
    run_ms+=("$(((end - start) / 1000000))")
    rss_kb+=("$(tail -1 "$work/rss")")
    npm_ms+=("$(node "$root/bench/batch_npm.mjs" "$work/pristine/Bank/quelle.csv" "$work/npm.xml")")
done
r=$(printf '%s\n' "${run_ms[@]}" | min)
n=$(printf '%s\n' "${npm_ms[@]}" | min)
m=$(printf '%s\n' "${rss_kb[@]}" | sort -g | tail -1)

echo "peer: npm sepa $(node -p "require('$root/bench/node_modules/sepa/package.json').version"), node $(node --version)"
echo "records:                       $count credit transfers (best of $runs)"
echo "ordovan SEPA file:             $(stat -c %s "$work/run/Bank/sepa.xml") bytes"
echo "npm sepa file:                 $(stat -c %s "$work/npm.xml") bytes"
echo "npm sepa build+serialise:      ${n} ms"
echo "ordovan whole run:             ${r} ms   ratio npm/ordovan $(awk "BEGIN{printf \"%.2f\", $n/($r>0?$r:1)}")x (target >= 3)"
echo "ordovan peak memory:           $((m / 1024)) MB (target < 1024)"
