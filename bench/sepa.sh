#!/usr/bin/env bash
# SEPA benchmark: building and saving a pain.008 direct debit of 100,000 transactions with
# the document builder, against the npm package "sepa" (version 3) building and serialising
# the same transactions under Node.js, measured in the same run (interleaved, best of RUNS).
# Also times the whole file creation run (CreateSepaFile: checks, log lines, document, save)
# over the same number of records, against the same peer. Prints times and ratios.
#
#   bench/sepa.sh                 build (preset "bench"), install the peer, measure
#   COUNT=20000 RUNS=5 FORMAT=2019 TOOL=/path/to/sepa_tool bench/sepa.sh
#
# Needs node and npm (scripts/install-deps.sh --bench); the peer goes to bench/node_modules.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
count=${COUNT:-100000}
runs=${RUNS:-3}
format=${FORMAT:-2009}
work=${WORK_DIR:-${TMPDIR:-/tmp}/ordovan-bench-sepa}
tool=${TOOL:-}

if [[ -z "$tool" ]]; then
    (cd "$root" && cmake --preset bench >/dev/null)
    cmake --build "$root/build-bench" --target sepa_tool >/dev/null
    tool="$root/build-bench/bench/sepa_tool"
fi
command -v node >/dev/null || { echo "missing node: run scripts/install-deps.sh --bench" >&2; exit 1; }
if [[ ! -f "$root/bench/node_modules/sepa/package.json" ]]; then
    npm install --no-save --no-audit --no-fund --prefix "$root/bench" sepa@3 >/dev/null
fi
echo "peer: npm sepa $(node -p "require('$root/bench/node_modules/sepa/package.json').version"), node $(node --version)"

mkdir -p "$work"
rm -f "$work/split.txt"
min() { sort -g | head -1; }
build_ms=() run_ms=() npm_ms=()
for ((i = 0; i < runs; i++)); do
    build_ms+=("$("$tool" build "$count" "$work/builder.xml" "$format" 2>>"$work/split.txt")")
    npm_ms+=("$(node "$root/bench/sepa_npm.mjs" "$count" "$work/npm.xml" "$format")")
    run_ms+=("$("$tool" run "$count" "$work/run.xml" "$format" 2>/dev/null)")
done
b=$(printf '%s\n' "${build_ms[@]}" | min)
r=$(printf '%s\n' "${run_ms[@]}" | min)
n=$(printf '%s\n' "${npm_ms[@]}" | min)

echo "transactions:               $count (format $format, best of $runs)"
echo "builder file:               $(stat -c %s "$work/builder.xml") bytes"
echo "npm sepa file:              $(stat -c %s "$work/npm.xml") bytes"
echo "npm sepa build+serialise:   ${n} ms"
echo "builder build+save:         ${b} ms   ratio npm/builder $(awk "BEGIN{printf \"%.1f\", $n/($b>0?$b:1)}")x"
echo "builder split per run:      $(paste -sd ';' "$work/split.txt")"
echo "CreateSepaFile whole run:   ${r} ms   ratio npm/run     $(awk "BEGIN{printf \"%.1f\", $n/($r>0?$r:1)}")x"
