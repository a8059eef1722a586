# Helpers for the end-to-end tests of the live program. Sourced by the test
# scripts, which run inside with_x.sh (a 1024 × 768 × 24 screen unless it was
# asked for another size).
set -euo pipefail

DEMO=${DEMO:?DEMO must name the demo binary}
workdir=$(mktemp -d)
demo_pid=""
wm_pid=""

cleanup() {
  if [ -n "$demo_pid" ] && kill -0 "$demo_pid" 2>/dev/null; then kill "$demo_pid" 2>/dev/null || true; fi
  if [ -n "$wm_pid" ] && kill -0 "$wm_pid" 2>/dev/null; then kill "$wm_pid" 2>/dev/null || true; fi
  rm -rf "$workdir"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The screen's size: screen_w screen_h.
read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w, h}')

# Runs "$@" until it succeeds, every 0.1 s, for at most $1 seconds.
retry() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  for ((i = 0; i < tries; i++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

start_window_manager() {
  # On a busy machine openbox now and then gives up while the new X server
  # is still settling: it is started once more before that counts.
  local attempt
  for attempt in 1 2; do
    openbox >"$workdir/openbox.log" 2>&1 &
    wm_pid=$!
    retry 10 wm_ready && return 0
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
  done
  cat "$workdir/openbox.log" >&2
  fail "openbox did not start"
}

# Starts the demo in the background (extra environment as arguments, then
# after "--" the program's own arguments), its stderr in $workdir/demo.err.
start_demo() {
  local vars=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do vars+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  (cd "$workdir" && exec env "${vars[@]}" "$DEMO" "$@" >"$workdir/demo.out" 2>"$workdir/demo.err") &
  demo_pid=$!
}

# Finds the demo's visible top-level window (SDL may make and drop helper
# windows while it starts, so every look-up searches again).
demo_window=""
find_window() {
  local w
  demo_window=""
  for w in $(xdotool search --onlyvisible --pid "$demo_pid" 2>/dev/null || true); do
    if xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      demo_window=$w
      return 0
    fi
  done
  return 1
}

# Waits up to $1 seconds for the demo's window to stay the same for a second
# (SDL replaces its first window when it sets up the renderer; acting on the
# first one races with that).
settled_window() {
  local seconds=$1 previous="" i
  for ((i = 0; i < seconds * 4; i++)); do
    if find_window && [ "$demo_window" = "$previous" ] && sleep 1 && find_window &&
      [ "$demo_window" = "$previous" ]; then
      return 0
    fi
    previous=$demo_window
    sleep 0.25
  done
  return 1
}

# Sends a key to the demo's window. A key that ends the run may take the
# window away between the press and the release xdotool sends: that is no
# failure of the test.
press_key() { xdotool key --window "$demo_window" "$1" 2>/dev/null || true; }

# Client geometry of the demo window: sets cx cy cw ch.
client_geometry() {
  local info
  cx="" cy="" cw="" ch=""
  find_window || return 1
  info=$(xwininfo -id "$demo_window" 2>/dev/null) || return 1
  cx=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  cy=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  cw=$(awk '/Width:/ {print $NF}' <<<"$info")
  ch=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# Decorations the window manager puts around the client: sets fl fr ft fb.
frame_extents() {
  local line
  line=$(xprop -id "$demo_window" _NET_FRAME_EXTENTS 2>/dev/null || true)
  if grep -q '=' <<<"$line"; then
    read -r fl fr ft fb < <(sed -E 's/.*= *//; s/,/ /g' <<<"$line")
  else
    fl=0 fr=0 ft=0 fb=0
  fi
}

is_fullscreen() {
  client_geometry || return 1
  [ "$cx" = 0 ] && [ "$cy" = 0 ] && [ "$cw" = "$screen_w" ] && [ "$ch" = "$screen_h" ]
}

# The outer frame (decorations included) at (x, y) with size w × h.
frame_is() {
  client_geometry || return 1
  frame_extents
  [ $((cx - fl)) = "$1" ] && [ $((cy - ft)) = "$2" ] &&
    [ $((cw + fl + fr)) = "$3" ] && [ $((ch + ft + fb)) = "$4" ]
}

# The outer frame's corner at (x, y) around a client area of w × h.
client_is() {
  client_geometry || return 1
  frame_extents
  [ $((cx - fl)) = "$1" ] && [ $((cy - ft)) = "$2" ] && [ "$cw" = "$3" ] && [ "$ch" = "$4" ]
}

describe_window() {
  client_geometry || { echo "no demo window" >&2; return 0; }
  frame_extents
  echo "client ${cw}x${ch} at ($cx,$cy), decorations l=$fl r=$fr t=$ft b=$fb" >&2
}

# Grabs the screen as raw RGB bytes into $workdir/screen.rgb.
grab_screen() {
  ffmpeg -loglevel error -y -f x11grab -video_size "${screen_w}x${screen_h}" -i "$DISPLAY" \
    -frames:v 1 -f rawvideo -pix_fmt rgb24 "$workdir/screen.rgb"
}

# The colour at screen pixel (x, y) as "r g b".
pixel_at() {
  od -An -tu1 -j $((($2 * screen_w + $1) * 3)) -N 3 "$workdir/screen.rgb" | xargs
}

# Grabs the w × h screen area at (x, y) as raw RGB bytes into $workdir/area.rgb.
grab_area() {
  ffmpeg -loglevel error -y -f x11grab -video_size "$3x$4" -i "$DISPLAY+$1,$2" \
    -frames:v 1 -f rawvideo -pix_fmt rgb24 "$workdir/area.rgb"
}

# Checks that the 512 × 384 screen area at (x, y) is the test pattern's frame
# pixel for pixel: black above and below the canvas (display lines 0-63 and
# 320-383), the four bars exactly, and in the band only grey and one 32-pixel
# black block per line.
expect_test_pattern_1to1() {
  grab_area "$1" "$2" 512 384
  od -An -v -tu1 -w3 "$workdir/area.rgb" | awk '
    function bad(what) { if (!errors++) first = what; }
    {
      i = NR - 1; x = i % 512; y = int(i / 512); rgb = $1 " " $2 " " $3;
      if (y < 64 || y >= 320) { if (rgb != "0 0 0") bad("(" x "," y ") is " rgb ", not black"); next }
      line = y - 64;
      if (line >= 112 && line < 144) {
        if (rgb == "0 0 0") block[line]++;
        else if (rgb != "128 128 128") bad("(" x "," y ") is " rgb " in the band");
        next
      }
      want = bars[int(x * 4 / 512)];
      if (rgb != want) bad("(" x "," y ") is " rgb ", not " want);
    }
    BEGIN { bars[0] = "255 0 0"; bars[1] = "0 255 0"; bars[2] = "0 0 255"; bars[3] = "255 255 255" }
    END {
      if (NR != 512 * 384) bad(NR " pixels grabbed");
      for (line = 112; line < 144; line++) if (block[line] != 32) bad("band line " line " has " block[line] + 0 " black pixels");
      if (errors) { print errors " pixels differ; first: " first > "/dev/stderr"; exit 1 }
    }' || fail "the window does not show the canvas pixel for pixel"
}

expect_pixel() {
  local got
  got=$(pixel_at "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel ($1,$2) is '$got', expected '$3'"
}

# Waits up to $1 seconds for the demo to end; sets demo_status.
wait_demo_exit() {
  local tenths=$(($1 * 10))
  for ((i = 0; i < tenths; i++)); do
    if ! kill -0 "$demo_pid" 2>/dev/null; then
      demo_status=0
      wait "$demo_pid" || demo_status=$?
      demo_pid=""
      return 0
    fi
    sleep 0.1
  done
  return 1
}

show_demo_log() { sed 's/^/  demo: /' "$workdir/demo.err" >&2 || true; }

# Screen position of display point (lx, ly) of the 512 × 384 picture shown in
# the window's client area with its aspect kept: sets sx sy.
screen_point() {
  read -r sx sy < <(awk -v cx="$cx" -v cy="$cy" -v cw="$cw" -v ch="$ch" -v lx="$1" -v ly="$2" 'BEGIN {
    s = cw / 512; if (ch / 384 < s) s = ch / 384;
    ox = cx + (cw - 512 * s) / 2; oy = cy + (ch - 384 * s) / 2;
    printf "%d %d\n", ox + lx * s, oy + ly * s }')
}

# Like expect_pixel, each channel within $4 of the expected value (a 5- or
# 6-bit channel comes back from the screen slightly off full scale).
expect_pixel_near() {
  local got
  got=$(pixel_at "$1" "$2")
  awk -v got="$got" -v want="$3" -v tol="$4" 'BEGIN {
    split(got, g, " "); split(want, w, " ");
    for (i = 1; i <= 3; i++) { d = g[i] - w[i]; if (d < 0) d = -d; if (d > tol || g[i] == "") exit 1 }
  }' || fail "pixel ($1,$2) is '$got', expected '$3' (within $4)"
}
