#!/usr/bin/env bash
# Started with --window: the frame's corner at (100, 100) around a 512 × 384
# client area that shows the picture pixel for pixel.
source "$(dirname "$0")/lib.sh"

start_window_manager
start_demo DEMO_TEST_PATTERN=1 -- --window
retry 10 find_window || { show_demo_log; fail "no window appeared"; }
retry 5 client_is 100 100 512 384 || { describe_window; fail "not a 512x384 client framed at (100,100)"; }
sleep 0.3
client_geometry
expect_test_pattern_1to1 "$cx" "$cy"

xdotool key --window "$demo_window" Escape
wait_demo_exit 2 || fail "Escape did not end the run"
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status"; }
echo "ok"
