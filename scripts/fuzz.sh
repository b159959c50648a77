#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the "fuzz" preset) and runs each for a short fixed time
# over its seeds. Seeds stay as they are: what libFuzzer finds goes to build-fuzz/corpus, a
# crashing input to build-fuzz/crashes, and the script fails when any target crashed.
#   scripts/fuzz.sh [seconds per target, default 20] [target ...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-20}
shift || true

# Each target's seeds.
declare -A seeds=(
    [xls]="tests/data/tabular tests/data/wild"
    [xlsx]="tests/data/tabular tests/data/wild"
    [ods]="tests/data/tabular tests/data/wild"
    [text]="examples"
    [mdb]="tests/fuzz/mdb"
    [tablefile]="tests/fuzz/tablefile"
    [settings]="tests/fuzz/settings"
)
targets=("$@")
((${#targets[@]})) || targets=(xls xlsx ods text mdb tablefile settings)

cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for t in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$t"
    crashes="build-fuzz/crashes/$t"
    mkdir -p "$corpus" "$crashes"
    echo "== fuzz_$t: ${seconds}s over ${seeds[$t]}"
    # shellcheck disable=SC2086 # the seed folders are words
    if ! build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" ${seeds[$t]} \
        >"build-fuzz/fuzz_$t.log" 2>&1; then
        failed+=("$t")
        grep -E "ERROR|SUMMARY|Test unit written" "build-fuzz/fuzz_$t.log" || tail -20 "build-fuzz/fuzz_$t.log"
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build-fuzz/fuzz_$t.log" | tr '\n' ' '
    echo
done
if ((${#failed[@]})); then
    echo "fuzz: crashes in ${failed[*]} (inputs in build-fuzz/crashes)" >&2
    exit 1
fi
echo "fuzz: ${#targets[@]} targets, no crash"
