#!/usr/bin/env bash
# The show keeps its speed on a display of another refresh rate: with the
# timer pacer forced to HZ presents per second (SDL's dummy video driver, no
# screen), four seconds of play take 60 steps per second while the presents
# keep to HZ.
# Usage: step_rate_test.sh HZ
set -euo pipefail
DEMO=${DEMO:?DEMO must name the demo binary}
hz=${1:?refresh rate}
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
status=0
(cd "$workdir" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy DEMO_TEST_PATTERN=1 \
  DEMO_REFRESH_HZ="$hz" DEMO_QUIT_AFTER_FRAMES=$((hz * 4)) DEMO_FRAME_STATS=1 \
  timeout 20 "$DEMO" 2>"$workdir/err") || status=$?
cat "$workdir/err" >&2
[ "$status" = 0 ] || { echo "FAIL: exit status $status" >&2; exit 1; }
line=$(grep -E 'demo: [0-9]+ frames presented' "$workdir/err") || { echo "FAIL: no statistics" >&2; exit 1; }
presents=$(sed -E 's/.*\(([0-9.]+) per second\), paced.*/\1/' <<<"$line")
steps=$(sed -E 's/.*s of play \(([0-9.]+) per second\).*/\1/' <<<"$line")
# The unit test holds the pacer to 0.5 %; a whole program on a busy machine
# gets 2 % (a present late by the scheduler, the run's first and last frame).
awk -v s="$steps" 'BEGIN { exit !(s >= 58.8 && s <= 61.2) }' ||
  { echo "FAIL: $steps steps per second at $hz Hz, not 60" >&2; exit 1; }
awk -v p="$presents" -v hz="$hz" 'BEGIN { exit !(p >= hz * 0.9 && p <= hz * 1.02) }' ||
  { echo "FAIL: $presents presents per second, not $hz" >&2; exit 1; }
echo "ok"
