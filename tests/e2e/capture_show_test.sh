#!/usr/bin/env bash
# The default show captured without any display, as the run command does on
# such a machine: first a capture that Ctrl-C stops (a playable file with the
# frames so far, exit status 130), then the whole show to .mp4, which must end
# by itself in the frame the show's script and scroller set (10,777 frames at
# 60 fps: the show posts its quit in frame 10776), with the soundtrack beside
# it for the same time.
set -euo pipefail
DEMO=${DEMO:?DEMO must name the demo binary}
MAKE_SHOW=${MAKE_SHOW:?MAKE_SHOW must name the make-show binary}
workdir=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$workdir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$workdir"/*.err; do sed "s|^|  $(basename "$f"): |" "$f" >&2; done; exit 1; }

"$MAKE_SHOW" "$workdir/show" >/dev/null
cd "$workdir/show"
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER)

# Frames in the first video stream of $1, counted by decoding them.
count_frames() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$1"
}
stream_value() { # file, stream, entry
  ffprobe -v error -select_streams "$2" -show_entries "stream=$3" -of csv=p=0 "$1"
}

# Ctrl-C in the middle of the show.
"${nodisplay[@]}" "$DEMO" --capture "$workdir/stopped.mkv" >"$workdir/stop.out" 2>"$workdir/stop.err" &
pid=$!
# (the video is written under a temporary name until it is finished)
for _ in $(seq 1 100); do
  compgen -G "$workdir/.stopped.mkv.partial-*" >/dev/null && break
  sleep 0.1
done
sleep 2
kill -INT "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 130 ] || fail "stopped capture: exit status $status, expected 130"
line=$(grep -E '^demo: stopped by SIGINT after [0-9]+ frames' "$workdir/stop.err") ||
  fail "no line saying the capture was stopped"
told=$(sed -E 's/.* after ([0-9]+) frames.*/\1/' <<<"$line")
[ "$told" -gt 0 ] || fail "nothing captured before Ctrl-C"
got=$(count_frames "$workdir/stopped.mkv") || fail "the stopped capture does not open"
[ "$got" = "$told" ] || fail "the stopped capture holds $got frames, the program said $told"
echo "Ctrl-C after $told frames: exit status 130, file complete"

# The whole show.
start=$(date +%s.%N)
status=0
"${nodisplay[@]}" "$DEMO" --capture "$workdir/show.mp4" >"$workdir/full.out" 2>"$workdir/full.err" || status=$?
end=$(date +%s.%N)
[ "$status" = 0 ] || fail "whole capture: exit status $status"
cat "$workdir/full.out"
grep -q 'captured 10777 frames' "$workdir/full.out" || fail "summary: $(cat "$workdir/full.out")"
[ "$(count_frames "$workdir/show.mp4")" = 10777 ] || fail "the video does not hold 10777 frames"
[ "$(stream_value "$workdir/show.mp4" v:0 codec_name)" = h264 ] || fail "video is not H.264"
[ "$(stream_value "$workdir/show.mp4" v:0 r_frame_rate)" = 60/1 ] || fail "not 60 frames per second"
[ "$(stream_value "$workdir/show.mp4" a:0 codec_name)" = aac ] || fail "sound is not AAC"
audio=$(stream_value "$workdir/show.mp4" a:0 duration)
awk -v a="$audio" 'BEGIN { d = a - 10777 / 60; if (d < 0) d = -d; exit !(d < 0.05) }' ||
  fail "the soundtrack lasts $audio s, the pictures $(awk 'BEGIN { print 10777 / 60 }') s"
awk -v s="$start" -v e="$end" 'BEGIN { printf "whole show: 10777 frames in %.1f s\n", e - s }'
echo "ok"
