#!/usr/bin/env bash
# The AppStream metadata passes appstreamcli's validation (no network: links are not
# fetched) and names the desktop entry it belongs to.
set -uo pipefail
file=$1
command -v appstreamcli >/dev/null || { echo "appstreamcli is not installed (appstream)"; exit 77; }
status=0
appstreamcli validate --no-net --pedantic "$file" || status=1
id=$(basename "$file" .metainfo.xml)
grep -qF "<id>$id</id>" "$file" || { echo "$file: id is not $id"; status=1; }
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$file" ||
    { echo "$file: does not launch $id.desktop"; status=1; }
exit $status
