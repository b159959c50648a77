#!/usr/bin/env bash
# The man page renders without a warning (groff with all warnings on, and man-db as users
# call it) and describes every word, option and exit status the program's --help lists.
set -uo pipefail
page=$1
program=$2
command -v groff >/dev/null || { echo "groff is not installed (groff-base)"; exit 77; }
status=0

warnings=$(groff -K utf8 -man -Tutf8 -ww -z "$page" 2>&1)
if [[ -n $warnings ]]; then
    echo "groff: $warnings"
    status=1
fi
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [[ -n $warnings ]]; then
        echo "man: $warnings"
        status=1
    fi
fi

# The page writes a hyphen as \-.
escaped() { sed 's/-/\\-/g' <<<"$1"; }
help=$("$program" --help)
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$(escaped "$option")" "$page" || { echo "$page: option $option missing"; status=1; }
done
for word in start startstop ls_core ls_cor1 ls_b2b gs; do
    grep -qxF ".B $(escaped "$word")" "$page" || { echo "$page: word $word missing"; status=1; }
done
for code in $(sed -n '/^Rückgabewerte:/,$p' <<<"$help" | grep -oE '^ +[0-9]+' | tr -d ' '); do
    grep -qxF ".B $code" "$page" || { echo "$page: exit status $code missing"; status=1; }
done
exit $status
