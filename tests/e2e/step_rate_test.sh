#!/usr/bin/env bash
# The show keeps its speed on a display of another refresh rate: with the
# timer pacer forced to HZ presents per second (SDL's dummy video driver, no
# screen), four seconds of play take 60 steps per second while the presents
# keep to HZ. With "studio", the same holds for the studio playing a small
# show that never ends by itself.
# Usage: step_rate_test.sh HZ [studio]
set -euo pipefail
DEMO=${DEMO:?DEMO must name the demo binary}
hz=${1:?refresh rate}
mode=${2:-live}
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
if [ "$mode" = studio ]; then
  # One held envelope and no pictures: the studio's show, drawn black.
  mkdir -p "$workdir/data"
  printf 'sync 1\npattern 5\nt0 1\n100 255 0\nt1 0\nt2 0\nt3 0\nt4 0\n' >"$workdir/data/data"
  run=(env -u DEMO_TEST_PATTERN "$DEMO" --studio)
else
  run=(env DEMO_TEST_PATTERN=1 "$DEMO")
fi
status=0
(cd "$workdir" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  DEMO_REFRESH_HZ="$hz" DEMO_QUIT_AFTER_FRAMES=$((hz * 4)) DEMO_FRAME_STATS=1 \
  timeout 20 "${run[@]}" 2>"$workdir/err") || status=$?
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
