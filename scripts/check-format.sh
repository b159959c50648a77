#!/usr/bin/env bash
# Fails when a C++ source of the project is not formatted as .clang-format says.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
format=${CLANG_FORMAT:-clang-format}
command -v "$format" >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h')
"$format" --dry-run -Werror "${files[@]}"
