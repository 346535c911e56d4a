#!/usr/bin/env bash
# Playback under a flood of notes: writes a dense song (64 tracks, one minute at the notes per
# second given, 20,000 unless given) and plays it on the real 5 ms timer through the NULL
# port, first alone, then while the main screen draws each of the five music pages at 60
# frames a second (bench_tick_lateness --page). One line per run: the ticks' lateness (tick
# done against the 5 ms grid), the lock wait, and each frame's cost (wall time and the frame
# thread's CPU time), in microseconds, with the frames that started a period or more late.
#
#   bash bench/flood.sh BIN_DIR [NOTES_PER_SECOND] [SECONDS]
set -euo pipefail
bin=$(cd "${1:?usage: flood.sh BIN_DIR [NOTES_PER_SECOND] [SECONDS]}" && pwd)
rate=${2:-20000}
seconds=${3:-20}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
song="$work/flood.mid"
"$bin/bench_dense_song" --notes "$((rate * 60))" --tracks 64 --notes-per-second "$rate" "$song"

# The median, p99 and max of the line that starts with the words given.
figures() { grep "^$1" "$2" | sed -E 's/.*median ([0-9.]+)  p99 ([0-9.]+)  max ([0-9.]+)/\1 \2 \3/'; }

names=("no frames" "KB.FULL" "KB.HALF" "KB.FLOW7" "KB.FLOW12" "DRUM FLOW")
printf '%s notes/s, %s s a run (load average %s)\n' "$rate" "$seconds" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s | %-22s | %-9s | %-9s | %-22s | %s\n' page "tick done p50/p99/max" "lock p99" "frame p99" \
  "frame CPU p50/p99/max" "late frames"
for page in 0 1 2 3 4 5; do
  out="$work/page$page.txt"
  if [ "$page" = 0 ]; then
    "$bin/bench_tick_lateness" "$song" "$seconds" > "$out"
  else
    "$bin/bench_tick_lateness" --page "$page" "$song" "$seconds" > "$out"
  fi
  read -r d50 d99 dmax < <(figures "lateness us, tick done" "$out")
  read -r _ l99 _ < <(figures "lock wait" "$out")
  frame="-" cpu="-" late="-"
  if [ "$page" != 0 ]; then
    read -r _ f99 _ < <(figures "frame (update" "$out")
    read -r c50 c99 cmax < <(figures "frame thread CPU" "$out")
    frame=$f99
    cpu="$c50 / $c99 / $cmax"
    late=$(grep "^frames of page" "$out" | sed -E 's/.*: ([0-9]+), ([0-9]+) started.*/\2 of \1/')
  fi
  printf '%-10s | %-22s | %-9s | %-9s | %-22s | %s\n' "${names[$page]}" "$d50 / $d99 / $dmax" "$l99" "$frame" "$cpu" "$late"
done
