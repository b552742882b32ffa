#!/usr/bin/env bash
# Starts Mirell at rest on a private X server with a notification area and
# prints its resident memory after 30 s and its processor use over 60 s.
# Usage: scripts/measure-rest.sh [path/to/mirell]   (default: build/bin/mirell)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/bin/mirell}
[ -x "$bin" ] || { echo "measure-rest: no program at $bin" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/run"
chmod 700 "$work/run"
cp "$bin" "$(dirname "$bin")"/Chronome* "$work/"

cat >"$work/measure.sh" <<'INNER'
set -eu
export XDG_CONFIG_HOME="$W/config" XDG_RUNTIME_DIR="$W/run" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus
"$W/mirell" & pid=$!
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 30
echo "VmRSS after 30 s: $(awk '/^VmRSS/ {print $2, $3}' "/proc/$pid/status")"
c0=$(cpu); t0=$(date +%s.%N)
sleep 60
c1=$(cpu); t1=$(date +%s.%N)
awk -v c="$((c1 - c0))" -v hz="$ticks" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "CPU over %.0f s: %.3f %%\n", t1 - t0, 100 * c / hz / (t1 - t0) }'
kill "$pid"; wait "$pid" 2>/dev/null || true
INNER
W="$work" "$here/tests/with-xvfb.sh" --tray bash "$work/measure.sh"
