#!/usr/bin/env bash
# How a live run ends, each within a few seconds:
# - the window destroyed from outside (xdotool windowclose): status 0, and no
#   Xlib error dump;
# - SIGTERM or SIGINT while the show runs: status 128 + the signal;
# - SIGTERM while start-up is stuck reading a picture (a FIFO nobody writes
#   to): status 143;
# - Escape while the pictures load: the loading stops and the run ends with
#   status 0 (the next picture is a FIFO that would hold it forever).
source "$(dirname "$0")/lib.sh"

start_window_manager

echo "-- window destroyed from outside" >&2
start_demo DEMO_TEST_PATTERN=1 -- --window
settled_window 15 || { show_demo_log; fail "no window appeared"; }
sleep 0.5
xdotool windowclose "$demo_window"
wait_demo_exit 5 || fail "the run did not end when its window was destroyed"
if grep -q 'X Error' "$workdir/demo.err"; then show_demo_log; fail "an Xlib error dump"; fi
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status after the window was destroyed"; }

for signal in TERM INT; do
  echo "-- SIG$signal while the show runs" >&2
  start_demo DEMO_TEST_PATTERN=1 -- --window
  settled_window 15 || { show_demo_log; fail "no window appeared"; }
  sleep 0.5
  kill -s "$signal" "$demo_pid"
  wait_demo_exit 5 || fail "SIG$signal did not end the run"
  want=$((128 + $(kill -l "$signal")))
  [ "$demo_status" = "$want" ] || { show_demo_log; fail "exit status $demo_status after SIG$signal, not $want"; }
done

mkdir -p "$workdir/data"
echo "-- SIGTERM while a picture load hangs" >&2
mkfifo "$workdir/data/final.jpg"
start_demo -- --window
settled_window 15 || { show_demo_log; fail "no window appeared"; }
sleep 0.5
kill -s TERM "$demo_pid"
wait_demo_exit 5 || fail "SIGTERM did not end a hung start-up"
[ "$demo_status" = 143 ] || { show_demo_log; fail "exit status $demo_status after SIGTERM in start-up"; }

echo "-- Escape while the pictures load" >&2
mkfifo "$workdir/data/soft.jpg"
start_demo -- --window
settled_window 15 || { show_demo_log; fail "no window appeared"; }
sleep 0.5
press_key Escape
# Lets the first picture's load end with a small JPEG (a broken one would
# bring up a box); a program that does not open the FIFO at all leaves the
# writer to the time limit.
ffmpeg -loglevel error -f lavfi -i color=c=red:s=16x16 -frames:v 1 "$workdir/small.jpg"
timeout 3 bash -c "cat '$workdir/small.jpg' >'$workdir/data/final.jpg'" || true
wait_demo_exit 5 || fail "Escape during loading did not end the run"
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status after Escape during loading"; }
echo "ok"
