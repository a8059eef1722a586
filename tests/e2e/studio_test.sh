#!/usr/bin/env bash
# The studio under a real X server: a small show of one texture (no music, so
# the wall clock keeps time), played, paused, stepped and sought with keys
# sent by xdotool. Every frame a seek or a step lands on must be on screen
# exactly as a capture of that frame has it; the overlay leaves the canvas
# alone; a changed script is reloaded by itself, a broken one is refused.
source "$(dirname "$0")/lib.sh"

make_show() {
  mkdir -p "$1/data"
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=512x256:rate=1 -frames:v 1 "$1/data/final.jpg"
  # Envelope 0 (the texture's strength) at $2 from the start, held; nothing
  # else happens, so the show never ends by itself.
  printf 'sync 1\npattern 5\nt0 1\n100 %s 0\nt1 0\nt2 0\nt3 0\nt4 0\n' "$2" >"$1/data/data"
}

# Frames 0..61 of a capture of the show in folder $1, into $1/ref.
capture_reference() {
  (cd "$1" && "$DEMO" --frames ref --max-frames 62 >/dev/null 2>&1) || fail "the reference capture failed"
}

# Whether the canvas on screen is frame $2 of the reference in folder $1.
canvas_is() {
  local want="$1/ref/$2.rgb"
  [ -f "$want" ] || ffmpeg -loglevel error -y -i "$1/ref/frame-$(printf %06d "$2").png" \
    -f rawvideo -pix_fmt rgb24 "$want"
  client_geometry || return 1
  grab_area "$cx" $((cy + 64)) 512 256
  cmp -s "$workdir/area.rgb" "$want"
}
expect_canvas() {
  retry 3 canvas_is "$1" "$2" || fail "after $3 the canvas is not frame $2 of the capture"
}
canvas_sum() { client_geometry && grab_area "$cx" $((cy + 64)) 512 256 && md5sum <"$workdir/area.rgb"; }
band_sum() { client_geometry && grab_area "$cx" "$cy" 512 64 && md5sum <"$workdir/area.rgb"; }
key() { xdotool key --window "$demo_window" "$@"; }

make_show "$workdir" 255
make_show "$workdir/changed" 96
capture_reference "$workdir"
capture_reference "$workdir/changed"

start_window_manager
start_demo -- --studio
settled_window 15 || { show_demo_log; fail "no window appeared"; }
retry 5 client_geometry || fail "no client area"
[ "$cw" = 512 ] && [ "$ch" = 384 ] || { describe_window; fail "the studio window is not 512x384"; }

# Playing: the texture zooms on every step.
first=$(canvas_sum)
sleep 0.3
[ "$(canvas_sum)" != "$first" ] || fail "the picture does not move while playing"

# Paused: the picture holds.
key space
sleep 0.3
held=$(canvas_sum)
sleep 0.5
[ "$(canvas_sum)" = "$held" ] || fail "the picture moves while paused"

key Home
expect_canvas "$workdir" 0 "Home"
key period
expect_canvas "$workdir" 1 "'.'"
key Right
expect_canvas "$workdir" 61 "Right"
key comma
expect_canvas "$workdir" 60 "','"
key shift+Left
expect_canvas "$workdir" 0 "Shift+Left"
key period period
expect_canvas "$workdir" 2 "'.' twice"

# The overlay is drawn over the band above the canvas, never into the canvas.
blank_band=$(band_sum)
key h
sleep 0.3
[ "$(band_sum)" != "$blank_band" ] || fail "H shows no overlay"
expect_canvas "$workdir" 2 "H"

# A changed script shows at once, at the same step; a broken one is kept out.
cp "$workdir/changed/data/data" "$workdir/data/data.new"
mv "$workdir/data/data.new" "$workdir/data/data"
expect_canvas "$workdir/changed" 2 "the script changed"
printf 'sync 1\npattern 5\nt0 1\n0 oops 0\n' >"$workdir/data/data"
grep_refusal() { grep -q "kept the last good version" "$workdir/demo.err"; }
retry 3 grep_refusal || { show_demo_log; fail "a broken script was not refused"; }
expect_canvas "$workdir/changed" 2 "the script broke"

# The window may be gone before the key's release reaches it.
press_key Escape
wait_demo_exit 2 || fail "Escape did not end the run"
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status after Escape"; }
echo "ok"
