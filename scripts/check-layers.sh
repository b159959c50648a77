#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest
# first: base, platform, formats, store, {import, sepa, reports}, app, ui. A layer may include
# its own folder and every layer below it; import, sepa and reports do not include each other.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)/src"
declare -A allowed=(
    [base]="base"
    [platform]="base platform"
    [formats]="base platform formats"
    [store]="base platform formats store"
    [import]="base platform formats store import"
    [sepa]="base platform formats store sepa"
    [reports]="base platform formats store reports"
    [app]="base platform formats store import sepa reports app"
    [ui]="base platform formats store import sepa reports app ui"
)
status=0
for layer in "${!allowed[@]}"; do
    [[ -d "$src/$layer" ]] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
        [[ -n ${allowed[$target]+x} ]] || continue
        if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
            echo "layer violation: ${file#"$src"/} includes $target/ (${layer} may include: ${allowed[$layer]})"
            status=1
        fi
    done < <(grep -HE '^#include "[a-z]+/' "$src/$layer"/*.cpp "$src/$layer"/*.h 2>/dev/null || true)
done
exit $status
