# Sourced by the scripts that drive the program under Xvfb. start_program COMMAND...: starts
# it, waits for its window and gives that the keyboard focus; sets pid and window. The
# program is stopped when the script exits.
start_program() {
  "$@" &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
  window=""
  for _ in $(seq 200); do
    window="$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no window"; exit 1; }
  xdotool windowfocus --sync "$window"
}
