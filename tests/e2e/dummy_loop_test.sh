#!/usr/bin/env bash
# The main loop with SDL's dummy video driver (no screen at all): it renders
# and presents the frames asked for, paced near the refresh rate by the
# present's own wait, then ends with status 0.
set -euo pipefail
DEMO=${DEMO:?DEMO must name the demo binary}
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
status=0
(cd "$workdir" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy DEMO_TEST_PATTERN=1 \
  DEMO_QUIT_AFTER_FRAMES=90 DEMO_FRAME_STATS=1 timeout 15 "$DEMO" 2>"$workdir/err") || status=$?
cat "$workdir/err" >&2
[ "$status" = 0 ] || { echo "FAIL: exit status $status" >&2; exit 1; }
line=$(grep -E 'demo: [0-9]+ frames presented' "$workdir/err") || { echo "FAIL: no frame count" >&2; exit 1; }
frames=$(sed -E 's/demo: ([0-9]+) frames.*/\1/' <<<"$line")
rate=$(sed -E 's/.*\(([0-9.]+) per second\), paced.*/\1/' <<<"$line")
[ "$frames" = 90 ] || { echo "FAIL: $frames frames presented, 90 asked for" >&2; exit 1; }
# Unpaced, the test pattern runs at thousands of frames per second; a slow,
# busy machine may fall below 60, never far above it.
awk -v r="$rate" 'BEGIN { exit !(r <= 70) }' || { echo "FAIL: $rate frames per second: not paced" >&2; exit 1; }
grep -q 'paced by timer' "$workdir/err" || { echo "FAIL: the dummy driver's vsync claim was believed" >&2; exit 1; }
echo "ok"
