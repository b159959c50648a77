#!/usr/bin/env bash
# `cmake --install` into a scratch folder (as a package build does, with DESTDIR) holds exactly the files a user needs, each where the desktop, man and the
# program itself look for it:
#   install-smoke.sh BUILD_DIR APP_ID "ICON SIZES"
set -uo pipefail
build=$1
id=$2
read -ra sizes <<<"${3//;/ }"
dest=$(mktemp -d "${TMPDIR:-/tmp}/ordovan-install.XXXXXX")
trap 'rm -rf "$dest"' EXIT
status=0
fail() { echo "install: $*"; status=1; }

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR="$dest" cmake --install "$build" >/dev/null || { echo "cmake --install failed"; exit 1; }
root="$dest$prefix"
manual="share/doc/ordovan/Ordovan Pro - Handbuch.pdf"
expected=(
    bin/ordovan
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "$manual"
    share/doc/ordovan/Handbuch.pdf
    share/man/man1/ordovan.1.gz
    "share/icons/hicolor/scalable/apps/$id.svg"
)
for s in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png")
done

# Nothing more, nothing less: no libraries, headers, build tools or tests.
actual=$(cd "$root" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [[ $actual != "$wanted" ]]; then
    fail "installed files differ from the expected ones:"
    diff <(echo "$wanted") <(echo "$actual") | sed -n 's/^[<>]/  &/p'
fi

[[ -x $root/bin/ordovan ]] || fail "bin/ordovan is not executable"
"$root/bin/ordovan" --version | grep -q '^Ordovan Profi' || fail "bin/ordovan --version does not run"

# The Help menu looks beside the program, then in ../share/doc/ordovan; the Mandant
# editor's help button opens Handbuch.pdf, a link to the same file.
[[ $(head -c 5 "$root/bin/../$manual") == "%PDF-" ]] || fail "the manual is no PDF"
[[ $(readlink "$root/share/doc/ordovan/Handbuch.pdf") == "Ordovan Pro - Handbuch.pdf" ]] ||
    fail "Handbuch.pdf is no link to the manual"

gzip -t "$root/share/man/man1/ordovan.1.gz" || fail "the man page is no gzip file"
zcat "$root/share/man/man1/ordovan.1.gz" | grep -q '^\.TH ORDOVAN 1 ' || fail "the man page has no title line"
zcat "$root/share/man/man1/ordovan.1.gz" | grep -qF "$prefix/share/doc/ordovan/Ordovan Pro \\- Handbuch.pdf" ||
    fail "the man page names another place for the manual"

# Each PNG has the size its folder says (width and height in the IHDR chunk).
for s in "${sizes[@]}"; do
    png="$root/share/icons/hicolor/${s}x${s}/apps/$id.png"
    [[ -f $png ]] || continue
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [[ $w == "$s" && $h == "$s" ]] || fail "${s}x${s} icon is ${w}x${h}"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"
grep -qxF "Icon=$id" "$root/share/applications/$id.desktop" || fail "the desktop entry names another icon"

exit $status
