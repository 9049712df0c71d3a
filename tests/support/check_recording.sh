#!/usr/bin/env bash
# Checks a recording with readers that are not the program's: the AVI's main header counts
# frames, the video stream's header counts as many frames as ffprobe decodes, and ffmpeg
# decodes the whole file without a word. When the number of frames delivered to the
# recording is given, the file shows exactly that many pictures in turn: a frame repeated to
# keep time (the same picture in a row) counts once, and the camera never sends one picture
# twice in a row, so a frame lost anywhere shows. Prints the frames decoded, or what
# disagrees (exit status 1).
#   check_recording.sh FILE [DELIVERED]
set -uo pipefail
file="$1"
delivered="${2:-}"
fail() {
  echo "$file: $*"
  exit 1
}
[ -s "$file" ] || fail "missing or empty"
# RIFF, size, "AVI ", LIST, size, "hdrl", then the main header: total frames at byte 48.
[[ "$(head -c 28 "$file" | tr -c 'A-Za-z ' '.')" == RIFF????AVI\ LIST????hdrlavih ]] ||
  fail "no AVI main header"
main="$(od -An -tu4 -j48 -N4 "$file" | tr -d ' ')"
counts="$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=nb_frames,nb_read_frames -of csv=p=0 "$file" 2>&1)"
IFS=, read -r header decoded <<<"$counts"
crcs="$(mktemp)"
trap 'rm -f "$crcs"' EXIT
errors="$(ffmpeg -nostdin -v error -i "$file" -map 0:v:0 -fps_mode passthrough -f framecrc - \
  2>&1 >"$crcs")"
pictures="$(grep -v '^#' "$crcs" | awk -F, '{print $NF}' | uniq | wc -l)"
[ -z "$errors" ] || fail "ffmpeg: $errors"
[ "$main" -gt 0 ] 2>/dev/null || fail "the main header counts ${main:-no} frames"
[ "$decoded" -gt 0 ] 2>/dev/null || fail "ffprobe: $counts"
[ "$header" = "$decoded" ] || fail "the stream header counts $header frames, ffprobe decodes $decoded"
[ -z "$delivered" ] || [ "$pictures" = "$delivered" ] ||
  fail "the file shows $pictures pictures in turn ($decoded frames), $delivered were delivered"
echo "$decoded"
