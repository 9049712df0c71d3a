#!/usr/bin/env bash
# The program under Xvfb with one virtual camera and HOME in the given folder (its save
# folder then): a recording started by the keyboard (Alt, Right, Right, Down, Down, Enter),
# the signal sent 3 s later. Prints the milliseconds from the signal to the program's exit
# and its exit status ("exit_ms=N status=S"), or why it could not.
#   xvfb_signal.sh <lumivisor binary> <home folder> <signal name>
set -euo pipefail
export HOME="$2" XDG_CONFIG_HOME="$2/.config"
unset QT_QPA_PLATFORM LC_ALL  # a real X display, the system's locale
exec xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1920x1080x24 -noreset" bash -s "$1" "$2" "$3" "$(dirname "$(realpath "$0")")" <<'INNER'
set -euo pipefail
binary="$1"; home="$2"; signal="$3"
source "$4/xvfb_program.sh"
start_program "$binary" --virtual-cameras 1
# Until the camera is open the Operation items are greyed: the menu again (after Escape).
for _ in $(seq 10); do
  [ -s "$home/NEWAVI_0.avi" ] && break
  for k in Escape alt Right Right Down Down Return; do xdotool key "$k"; sleep 0.3; done
  for _ in $(seq 20); do [ -s "$home/NEWAVI_0.avi" ] && break; sleep 0.1; done
done
[ -s "$home/NEWAVI_0.avi" ] || { echo "no recording started"; exit 1; }
sleep 3
start=$(date +%s%N)
kill -s "$signal" "$pid"
for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
end=$(date +%s%N)
status=0
wait "$pid" || status=$?
echo "exit_ms=$(( (end - start) / 1000000 )) status=$status"
INNER
