#!/usr/bin/env bash
# Fullscreen on a screen whose size is no whole multiple of 512 × 384 (run by
# with_x.sh --screen WxH): the picture fills the height or the width with its
# aspect kept, black bars beside it, and its edges stay sharp (a bar edge is
# blurred over at most one screen pixel, not smeared by a linear stretch).
source "$(dirname "$0")/lib.sh"

start_window_manager
start_demo DEMO_TEST_PATTERN=1
retry 10 find_window || { show_demo_log; fail "no window appeared"; }
retry 5 is_fullscreen || { describe_window; fail "the window did not cover the ${screen_w}x${screen_h} screen"; }
sleep 0.5
grab_screen

# Where the 512 × 384 picture should be: the limiting side fills the screen.
read -r px py pw ph < <(awk -v W="$screen_w" -v H="$screen_h" 'BEGIN {
  if (W * 384 <= H * 512) { w = W; h = int(W * 384 / 512 + 0.5) } else { h = H; w = int(H * 512 / 384 + 0.5) }
  printf "%d %d %d %d\n", int((W - w) / 2), int((H - h) / 2), w, h }')
echo "picture ${pw}x${ph} at ($px,$py) on ${screen_w}x${screen_h}" >&2

# One screen row, or one column, as lines of "r g b".
row_pixels() { od -An -v -tu1 -w3 -j $(($1 * screen_w * 3)) -N $((screen_w * 3)) "$workdir/screen.rgb"; }
column_pixels() { grab_area "$1" 0 1 "$screen_h" && od -An -v -tu1 -w3 "$workdir/area.rgb"; }
# First and last index of a non-black line in the input.
lit_span() { awk '{ $1 = $1 } $0 != "0 0 0" { if (first == "") first = NR - 1; last = NR - 1 } END { print first, last }'; }
near() { [ $(($1 - $2)) -le 1 ] && [ $(($2 - $1)) -le 1 ]; }

# A canvas line well away from the band (display line 100).
canvas_row=$(awk -v py="$py" -v ph="$ph" 'BEGIN { printf "%d", py + (100 + 0.5) * ph / 384 }')
read -r first last < <(row_pixels "$canvas_row" | lit_span)
near "$first" "$px" && near "$last" $((px + pw - 1)) ||
  fail "canvas line spans columns $first..$last, expected $px..$((px + pw - 1))"
# The bars beside the picture are black from top to bottom.
for x in 0 $((px - 1)) $((px + pw)) $((screen_w - 1)); do
  [ "$x" -ge 0 ] && [ "$x" -lt "$screen_w" ] || continue
  [ "$x" -lt "$px" ] || [ "$x" -ge $((px + pw)) ] || continue
  for y in 0 $((screen_h / 2)) $((screen_h - 1)); do expect_pixel "$x" "$y" "0 0 0"; done
done
# Height: the 256 canvas lines are display lines 64..319.
bar_x=$(awk -v px="$px" -v pw="$pw" 'BEGIN { printf "%d", px + 64 * pw / 512 }')
read -r top bottom < <(column_pixels "$bar_x" | lit_span)
want_top=$(awk -v py="$py" -v ph="$ph" 'BEGIN { printf "%d", py + 64 * ph / 384 }')
want_bottom=$(awk -v py="$py" -v ph="$ph" 'BEGIN { printf "%d", py + 320 * ph / 384 - 1 }')
near "$top" "$want_top" && near "$bottom" "$want_bottom" ||
  fail "canvas spans lines $top..$bottom, expected $want_top..$want_bottom"

# Sharp edges: between two bars only pure bar colours but for at most one
# mixed pixel (a linear stretch of the whole picture leaves two or three).
row_pixels "$canvas_row" >"$workdir/row.txt"
colours=("255 0 0" "0 255 0" "0 0 255" "255 255 255")
for edge in 1 2 3; do
  at=$(awk -v px="$px" -v pw="$pw" -v e="$edge" 'BEGIN { printf "%d", px + e * 128 * pw / 512 }')
  mixed=$(awk -v from=$((at - 10)) -v to=$((at + 10)) -v a="${colours[$((edge - 1))]}" -v b="${colours[$edge]}" '
    NR - 1 >= from && NR - 1 <= to { $1 = $1; if ($0 != a && $0 != b) n++ } END { print n + 0 }' "$workdir/row.txt")
  echo "edge $edge: $mixed mixed pixels" >&2
  [ "$mixed" -le 1 ] || fail "bar edge $edge at column $at is blurred over $mixed pixels"
done

xdotool key --window "$demo_window" Escape
wait_demo_exit 2 || fail "Escape did not end the run"
[ "$demo_status" = 0 ] || { show_demo_log; fail "exit status $demo_status"; }
echo "ok"
