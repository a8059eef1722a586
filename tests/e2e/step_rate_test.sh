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
read -r steps played dropped < <(sed -E 's/.* ([0-9]+) steps in ([0-9.]+) s of play .*, ([0-9]+) dropped in stalls.*/\1 \2 \3/' <<<"$line")
# The unit test holds the pacer to 0.5 %; a whole program on a busy machine
# gets 2 % (a present late by the scheduler, the run's first and last frame).
# Stalls longer than the catch-up limit (a machine too busy to run the
# program for a quarter of a second) drop show time on purpose: counted here.
rate=$(awk -v s="$steps" -v d="$dropped" -v p="$played" 'BEGIN { printf "%.2f", (s + d) / p }')
awk -v r="$rate" 'BEGIN { exit !(r >= 58.8 && r <= 61.2) }' ||
  { echo "FAIL: $rate steps per second at $hz Hz (stalls included), not 60" >&2; exit 1; }
# Presents keep to the forced rate, or fall behind it on a busy machine.
awk -v p="$presents" -v hz="$hz" 'BEGIN { exit !(p >= hz * 0.6 && p <= hz * 1.02) }' ||
  { echo "FAIL: $presents presents per second, not $hz" >&2; exit 1; }
echo "ok"
