#!/usr/bin/env bash
# The live program under a real X server with a window manager: fullscreen at
# start with the canvas centred, F12 to a window framed at (200, 200) whose
# 512 × 384 client area shows the picture pixel for pixel, F12 back to
# fullscreen, Escape ends the run with status 0 within a second.
source "$(dirname "$0")/lib.sh"

start_window_manager
start_demo DEMO_TEST_PATTERN=1 DEMO_FRAME_STATS=1
retry 10 find_window || { show_demo_log; fail "no window appeared"; }
retry 5 is_fullscreen || { describe_window; fail "the window did not cover the screen"; }

# The 512 × 384 picture is shown at twice its size: display row r covers
# screen rows 2r and 2r + 1. Canvas rows 0..255 are display rows 64..319.
sleep 0.5
grab_screen
for row in 0 127 640 767; do
  for x in 128 384 640 896; do expect_pixel "$x" "$row" "0 0 0"; done
done
for row in 128 129 300 638 639; do
  expect_pixel 128 "$row" "255 0 0"
  expect_pixel 384 "$row" "0 255 0"
  expect_pixel 640 "$row" "0 0 255"
  expect_pixel 896 "$row" "255 255 255"
done
# Frames keep coming: the moving block changes the middle band.
band() { od -An -tx1 -j $((352 * 1024 * 3)) -N $((64 * 1024 * 3)) "$workdir/screen.rgb" | md5sum; }
first_band=$(band)
changed=no
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  sleep 0.2
  grab_screen
  if [ "$(band)" != "$first_band" ]; then changed=yes; break; fi
done
[ "$changed" = yes ] || fail "the picture did not change in ten grabs"

xdotool key --window "$demo_window" F12
retry 5 client_is 200 200 512 384 || { describe_window; fail "F12 did not give the 512x384 client framed at (200,200)"; }
describe_window
sleep 0.3
client_geometry
expect_test_pattern_1to1 "$cx" "$cy"

xdotool key --window "$demo_window" F12
retry 5 is_fullscreen || { describe_window; fail "F12 again did not return to fullscreen"; }
# Frames go on in the new set-up.
canvas_shown() { grab_screen && [ "$(pixel_at 640 300)" = "0 0 255" ]; }
retry 5 canvas_shown || fail "no frames after returning to fullscreen"
expect_pixel 640 100 "0 0 0"

press_key Escape
wait_demo_exit 1 || fail "Escape did not end the run within a second"
show_demo_log
[ "$demo_status" = 0 ] || fail "exit status $demo_status after Escape"
grep -Eq 'demo: [1-9][0-9]* frames presented' "$workdir/demo.err" || fail "no frames were presented"
# The renderer: the one SDL_RENDER_DRIVER names, else SDL's software renderer
# on a machine without a graphics device (OpenGL would draw on the processor).
want_renderer=${SDL_RENDER_DRIVER:-}
if [ -z "$want_renderer" ] && ! compgen -G '/dev/dri/card*' >/dev/null &&
   ! compgen -G '/dev/dri/renderD*' >/dev/null && [ ! -e /dev/nvidiactl ]; then
  want_renderer=software
fi
if [ -n "$want_renderer" ]; then
  grep -q "drawn by the $want_renderer renderer" "$workdir/demo.err" ||
    fail "not drawn by the $want_renderer renderer"
fi
echo "ok"
