#!/usr/bin/env bash
# Runs a command inside a fresh X server without a screen (1024 × 768, 24-bit;
# "with_x.sh --screen WxH command..." for another size). Xvfb picks a free display number itself (-displayfd), so tests running side
# by side never race for one.
set -euo pipefail
screen=1024x768
if [ "${1:-}" = --screen ]; then screen=$2; shift 2; fi
workdir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$workdir/display" \
  >"$workdir/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$workdir"' EXIT
for ((i = 0; i < 100; i++)); do
  [ -s "$workdir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$workdir/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$workdir/display" ] || { echo "Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$workdir/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
status=0
"$@" || status=$?
exit $status
