#!/usr/bin/env bash
# The program under Xvfb and openbox, driven by the keyboard as a user drives it (xdotool):
# Enter, keypad 5 + Enter, Space + Enter (twice), Space, keypad 5 + Enter, then the Operation
# menu by keyboard (Alt, arrows) to start and stop a recording, with a screenshot while it
# records; then Enter, Space, keypad 5 and Esc while the menu bar or a menu has the
# keyboard. Checks the files it leaves (ImageMagick reads the pixels, avidemux the video).
#   xvfb_keyboard.sh <lumivisor binary> [output folder for screenshots]
set -euo pipefail
binary="$(realpath "$1")"
here="$(dirname "$(realpath "$0")")"
shots="${2:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/.config" LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8

xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1920x1080x24 -noreset" bash -s "$binary" "$work" "$shots" "$here" <<'INNER'
set -euo pipefail
binary="$1"; work="$2"; shots="$3"
openbox >/dev/null 2>&1 &
sleep 1
source "$4/xvfb_program.sh"
start_program "$binary" --virtual-cameras 1
xdotool key Num_Lock
sleep 2
wait_file() { for _ in $(seq 100); do [ -s "$work/$1" ] && return 0; sleep 0.1; done; echo "missing $1"; return 1; }
key() { xdotool key "$@"; sleep 0.3; }
key Return; wait_file NEWPIC_0.jpg
key KP_5; key Return; wait_file NEWPIC_1.jpg
key space; sleep 0.3; key Return; wait_file NEWPIC_2.jpg
sleep 0.5; key Return; wait_file NEWPIC_3.jpg
key space; key KP_5; sleep 0.3; key Return; wait_file NEWPIC_4.jpg
# Operation menu by keyboard: Alt, Right to "Operation", Down to "Start recorder", Enter.
key alt; key Right; key Right; key Down; key Down; key Return
sleep 2
[ -n "$shots" ] && import -window root "$shots/recording.png"
sleep 3
key alt; key Right; key Right; key Down; key Down; key Down; key Return
sleep 1
[ -n "$shots" ] && import -window root "$shots/stopped.png"
# While the menu bar or a menu has the keyboard, Enter, Space, keypad 5 and Esc are its
# keys. Each row: the keys, and "yes" where they open About (closed again with Esc).
# After each row the picture window has the keyboard again: Enter writes a picture, then
# keypad 5 + Enter one with the cross (keypad 5 again takes it away). Checked below: no
# picture from the menu keys, no cross from them, and no freeze (the cross reaches the
# second picture only from a live frame).
rows=(
  "alt Down Escape Escape|"                   # Esc closes the menu, then leaves the bar
  "alt Right Right Right Right Return|yes"    # the next Alt enters the bar; Enter on About
  "alt Right Right Right Right space|yes"     # Space on About
  "alt Right Right Down KP_5 Escape Escape|"  # keypad 5 in a menu
  "alt Right KP_5 Escape|"                    # keypad 5 on the bar
)
n=5
for row in "${rows[@]}"; do
  for k in ${row%|*}; do key "$k"; done
  sleep 0.5
  about="$(xdotool search --onlyvisible --name '^About' 2>/dev/null | head -1 || true)"
  [ -n "$about" ] && { key Escape; sleep 0.5; }
  key Return; wait_file "NEWPIC_$n.jpg" || true
  key KP_5; key Return; wait_file "NEWPIC_$((n + 1)).jpg" || true; key KP_5
  echo "$row|${about:+yes}|$(ls "$work" | grep -c '^NEWPIC_.*jpg$')" >>"$work/rows.log"
  n=$((n + 2))
done
kill $pid; wait $pid 2>/dev/null || true
INNER

fail=0
pixel() { convert "$work/$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p' | head -1; }
white() { IFS=, read -r r g b <<<"$(pixel "$@")"; [ "$r" -gt 200 ] && [ "$g" -gt 200 ] && [ "$b" -gt 200 ]; }
check() { if "$@"; then echo "ok: ${*:2}"; else echo "FAILED: ${*:2}"; fail=1; fi; }
for n in 0 1 2 3 4; do
  check test "$(identify -format '%m %wx%h' "$work/NEWPIC_$n.jpg")" = "JPEG 640x480"
done
check white NEWPIC_0.jpg 10 10                 # upright: white bar at the top left
check eval '! white NEWPIC_0.jpg 320 400'      # no cross
check white NEWPIC_1.jpg 320 400               # column 320
check white NEWPIC_1.jpg 600 239               # storage row 240
check cmp -s "$work/NEWPIC_2.jpg" "$work/NEWPIC_3.jpg"   # the frozen frame, twice
check eval '! white NEWPIC_4.jpg 320 400'      # cross off again
n=5
while IFS='|' read -r keys want about count; do
  check test "[$keys] About: ${about:-no}, pictures: $count" = "[$keys] About: ${want:-no}, pictures: $((n + 2))"
  check eval "! white NEWPIC_$n.jpg 320 400"   # no cross from the menu keys
  check white "NEWPIC_$((n + 1)).jpg" 320 400  # the cross: not frozen
  n=$((n + 2))
done <"$work/rows.log"
check test -s "$work/NEWAVI_0.avi"
# Readers that are not the program's agree on the frames (headers, ffprobe, ffmpeg); the
# demuxer tells the stream's format.
frames="$("$here/../support/check_recording.sh" "$work/NEWAVI_0.avi" || true)"
log="$(gst-launch-1.0 -v filesrc location="$work/NEWAVI_0.avi" ! avidemux ! fakesink 2>&1 || true)"
format="$(grep -o -m1 'format=(string)[A-Z0-9]*' <<<"$log" || true)"
echo "recording: $frames frames, $format"
check test "$frames" -gt 100
check test "$format" = "format=(string)YUY2"

ls -l "$work"
exit $fail
