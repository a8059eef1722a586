#!/usr/bin/env bash
# Every windowed depth on screen: with the desktop depth forced to 15, 16 or 24
# bits, F12 takes the show to a window whose frames go through that depth's
# converter; the test pattern's bars must keep their colours (a swapped channel
# or a shifted field shows here). With 8 bits the "Color mode not supported"
# box comes once, and the run goes on.
# Usage: depth_test.sh BITS
source "$(dirname "$0")/lib.sh"
bits=${1:?bits per pixel}

box_gone() { ! xwininfo -id "$1" >/dev/null 2>&1; }

start_window_manager
start_demo DEMO_TEST_PATTERN=1 DEMO_WINDOWED_BPP="$bits"
retry 10 find_window || { show_demo_log; fail "no window appeared"; }
retry 5 is_fullscreen || fail "the window did not cover the screen"
xdotool key --window "$demo_window" F12

if [ "$bits" = 8 ]; then
  # The box may be a window of its own (press Return on it) or a line on
  # stderr; either way exactly one in two seconds of frames.
  boxes=0
  for ((i = 0; i < 20; i++)); do
    box=$(xwininfo -root -tree | awk '/"display box"/ && !found {print $1; found = 1}')
    if [ -n "$box" ]; then
      boxes=$((boxes + 1))
      xdotool windowfocus --sync "$box" key Return || true
      retry 3 box_gone "$box" || fail "the box did not close on Return"
    fi
    sleep 0.1
  done
  lines=$(grep -c 'Color mode not supported' "$workdir/demo.err" || true)
  [ "$boxes" -le 1 ] || fail "$boxes box windows"
  if [ "$boxes" = 0 ]; then [ "$lines" = 1 ] || fail "'Color mode not supported' shown $lines times"; fi
  retry 5 client_is 200 200 512 384 || { describe_window; fail "F12 did not give the window"; }
else
  retry 5 client_is 200 200 512 384 || { describe_window; fail "F12 did not give the window"; }
  sleep 0.5
  client_geometry
  grab_screen
  colours=("255 0 0" "0 255 0" "0 0 255" "255 255 255")
  for bar in 0 1 2 3; do
    for ly in 70 120 310; do
      screen_point $((bar * 128 + 64)) "$ly"
      expect_pixel_near "$sx" "$sy" "${colours[$bar]}" 8
    done
  done
  # Above and below the canvas the window stays black.
  screen_point 64 20
  expect_pixel "$sx" "$sy" "0 0 0"
  screen_point 64 360
  expect_pixel "$sx" "$sy" "0 0 0"
fi

xdotool key --window "$demo_window" Escape
wait_demo_exit 2 || fail "Escape did not end the run"
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status"; }
echo "ok"
