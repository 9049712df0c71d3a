#!/usr/bin/env bash
# The window's outer size and place at start-up under Xvfb (1920x1080), without a window
# manager (2 launches) and under openbox (10 launches): a 640x480 camera gives 653x538,
# frame included, centred on the screen. The frame extents come from _NET_FRAME_EXTENTS.
#   xvfb_window_fit.sh <lumivisor binary>
set -euo pipefail
binary="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/.config" LANG=C.UTF-8
# -noreset: without a window manager the program is the last client; the server resets when
# it quits and refuses the next launch while it does.

xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1920x1080x24 -noreset" bash -s "$binary" "$(dirname "$(realpath "$0")")" <<'INNER'
set -uo pipefail
binary="$1"
source "$2/xvfb_program.sh"
want="653x538+633+271"
outer() {  # outer geometry of a client window: WxH+X+Y
  local x=0 y=0 w=0 h=0 l=0 r=0 t=0 b=0 ext
  eval "$(timeout 5 xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{print "x="$4}
    /Absolute upper-left Y/{print "y="$4} /Width:/{print "w="$2} /Height:/{print "h="$2}')"
  ext="$(timeout 5 xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')"
  [ -n "$ext" ] && IFS=, read -r l r t b <<<"$ext"
  echo "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))"
}
launch() {  # prints the outer geometry once it is the wanted one (or after 6 s), twice
  start_program "$binary" --virtual-cameras 1  # (ends this subshell with "no window")
  for _ in $(seq 30); do
    got="$(outer "$window")"
    [ "$got" = "$want" ] && break
    sleep 0.2
  done
  sleep 1  # and it stays there
  echo "$got $(outer "$window")"
  kill "$pid"; wait "$pid" 2>/dev/null
}
fail=0
check() {
  local got; got="$(launch)"
  if [ "$got" = "$want $want" ]; then echo "ok: $1"; else echo "FAILED: $1: $got"; fail=1; fi
}
for i in 1 2; do check "no window manager, launch $i"; done
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
for i in $(seq 10); do check "openbox, launch $i"; done
kill $wm
exit $fail
INNER
