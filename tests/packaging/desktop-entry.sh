#!/usr/bin/env bash
# The desktop entry passes desktop-file-validate without a complaint and carries the names,
# the icon and the categories menus and software centres show.
set -uo pipefail
file=$1
command -v desktop-file-validate >/dev/null || {
    echo "desktop-file-validate is not installed (desktop-file-utils)"
    exit 77
}
status=0
complaints=$(desktop-file-validate "$file" 2>&1) || status=1
if [[ -n $complaints ]]; then
    echo "$complaints"
    status=1
fi
expect() {
    grep -qxF "$1" "$file" || { echo "$file: no line \"$1\""; status=1; }
}
expect "Name=Ordovan Profi"
expect "GenericName=SEPA-Dateien erstellen"
expect "Categories=Office;Finance;"
expect "Exec=ordovan"
expect "Icon=$(basename "$file" .desktop)"
exit $status
