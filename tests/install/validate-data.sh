#!/usr/bin/env bash
# The desktop entry and the AppStream metadata pass their validators with
# nothing to say: no errors, warnings or hints.
# The man page explains every option --help lists.
# Usage: validate-data.sh DATA_DIR PROGRAM
set -u
id=io.github.mirell.Mirell
status=0
out=$(desktop-file-validate "$1/$id.desktop" 2>&1) || status=1
[ -z "$out" ] || { echo "$out"; status=1; }
out=$(appstreamcli validate --no-net --pedantic "$1/$id.metainfo.xml" 2>&1) || status=1
# The id's capitals are the reverse-DNS spelling the desktop file needs too.
grep -v -e 'Validation was successful' -e 'cid-contains-uppercase-letter' -e '^$' <<<"$out" && status=1
for option in $(QT_QPA_PLATFORM=offscreen "$2" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+' | grep -vx -- --help-all); do
  grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" "$1/mirell.1" || { echo "mirell.1 lacks $option"; status=1; }
done
exit $status
