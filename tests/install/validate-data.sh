#!/usr/bin/env bash
# The desktop entry and the AppStream metadata pass their validators with
# nothing to say: no errors, warnings or hints.
# Usage: validate-data.sh DATA_DIR
set -u
id=io.github.mirell.Mirell
status=0
out=$(desktop-file-validate "$1/$id.desktop" 2>&1) || status=1
[ -z "$out" ] || { echo "$out"; status=1; }
out=$(appstreamcli validate --no-net --pedantic "$1/$id.metainfo.xml" 2>&1) || status=1
# The id's capitals are the reverse-DNS spelling the desktop file needs too.
grep -v -e 'Validation was successful' -e 'cid-contains-uppercase-letter' -e '^$' <<<"$out" && status=1
exit $status
