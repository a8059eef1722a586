#!/usr/bin/env bash
# Without any display the program says so in one line, says how to record the
# show instead, and fails: with no server named, and with one that does not
# answer.
set -euo pipefail
DEMO=${DEMO:?DEMO must name the demo binary}
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT

check() {
  local what=$1; shift
  local status=0
  (cd "$workdir" && env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY -u DISPLAY "$@" timeout 10 "$DEMO" \
    >"$workdir/out" 2>"$workdir/err") || status=$?
  [ "$status" != 0 ] || { echo "FAIL ($what): exit status 0" >&2; exit 1; }
  [ "$status" != 124 ] || { echo "FAIL ($what): still running after 10 s" >&2; exit 1; }
  grep -E '^demo: no display' "$workdir/err" | grep -q 'demo --capture' ||
    { echo "FAIL ($what): no explanation on stderr:" >&2; cat "$workdir/err" >&2; exit 1; }
  [ "$(grep -c '^demo: no display' "$workdir/err")" = 1 ] || { echo "FAIL ($what): not one line" >&2; exit 1; }
}
check "nothing set"
# A display number no server listens on (the socket directory holds the live ones).
for n in $(seq 90 120); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
check "no server on :$n" DISPLAY=":$n" XDG_RUNTIME_DIR="$workdir"
echo "ok"
