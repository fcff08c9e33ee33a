#!/usr/bin/env bash
# Says what the demo's listener (ffmpeg decoding the mount) heard: seconds
# of audio, sample rate, bit rate and station name, read from its log and its
# -progress file.
#
#   scripts/demo_listener_report.sh LISTENER_LOG PROGRESS_FILE
set -euo pipefail
log=$1
progress=$2

# The input stream's line, e.g. "Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s".
audio=$(grep -m1 -E 'Stream #0:0.*: Audio: ' "$log" || true)
rate=$(sed -nE 's/.* ([0-9]+) Hz.*/\1/p' <<<"$audio")
bit_rate=$(sed -nE 's/.* ([0-9]+) kb\/s.*/\1/p' <<<"$audio")
station=$(sed -nE '0,/^ *icy-name *: /s/^ *icy-name *: (.*)$/\1/p' "$log")
microseconds=$(sed -nE 's/^out_time_us=([0-9]+)$/\1/p' "$progress" 2>/dev/null | tail -n1)

echo "== the listener heard"
if [ -z "$audio" ]; then
  echo "  nothing: it could not open the stream"
  tail -n 5 "$log" | sed 's/^/  /'
  exit 0
fi
awk -v us="${microseconds:-0}" 'BEGIN { printf "  seconds heard: %.1f\n", us / 1000000 }'
echo "  sample rate:   ${rate:-?} Hz"
echo "  bit rate:      ${bit_rate:-?} kbps"
echo "  station name:  ${station:-?}"
