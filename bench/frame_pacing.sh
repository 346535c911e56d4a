#!/usr/bin/env bash
# Processor use of the whole running program at the 60 frames-per-second limit, on the NULL
# port, under a virtual X server. The pacing error of the frame timer itself is measured by
# bench_frame_pacing (built from bench/frame_pacing.cpp).
#
#   bench/frame_pacing.sh BIN_DIR [SONG.mid] [SECONDS]
#
# QUORVA_BENCH_TAB=K (0..5) clicks the K-th page tab first (xdotool), to measure that page.
#
# BIN_DIR holds the built quorva and its data files. The program runs from a copy in a
# temporary directory with a setting.dat of its own (NULL port, default sleeps, 60 fps).
set -euo pipefail
bin=$(cd "${1:?usage: frame_pacing.sh BIN_DIR [SONG.mid] [SECONDS]}" && pwd)
song=${2:-}
seconds=${3:-10}

work=$(mktemp -d)
cleanup() {
  [ -n "${program:-}" ] && kill -TERM "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/quorva" "$bin"/*.dat "$work/"
rm -f "$work/setting.dat"
# output NULL, defaults elsewhere: sleep 1 ms active / 30 ms inactive, 60 fps.
printf '\x03\x01\x00\x02\x02\x02\x03\x00\x01\x02\x00' > "$work/setting.dat"
[ -n "$song" ] && cp "$song" "$work/song.mid"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
sleep 1

cd "$work"
if [ -n "$song" ]; then
  env DISPLAY=$display SDL_AUDIODRIVER=dummy ${QUORVA_BENCH_ENV:-} ./quorva song.mid 2>"$work/stderr.txt" &
else
  env DISPLAY=$display SDL_AUDIODRIVER=dummy ${QUORVA_BENCH_ENV:-} ./quorva 2>"$work/stderr.txt" &
fi
program=$!
sleep 2
if [ -n "${QUORVA_BENCH_TAB:-}" ]; then
  # The window stands centred on the 800x600 screen: its tab K spans 80 + 64K .. 80 + 64K + 64.
  DISPLAY=$display xdotool mousemove $((80 + 64 * QUORVA_BENCH_TAB + 32)) 68 mousedown 1
  sleep 0.2
  DISPLAY=$display xdotool mouseup 1
  sleep 1
fi

ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$program/stat"; }
start_cpu=$(cpu)
start_time=$(date +%s.%N)
sleep "$seconds"
end_cpu=$(cpu)
end_time=$(date +%s.%N)
threads=$(awk '/^Threads:/ { print $2 }' "/proc/$program/status")

kill -TERM "$program"
status=0
wait "$program" || status=$?
program=
awk -v c0="$start_cpu" -v c1="$end_cpu" -v t0="$start_time" -v t1="$end_time" -v hz="$ticks" -v n="$threads" -v s="$status" \
  'BEGIN { printf "cpu_percent_of_one_core=%.1f over %.1f s, threads=%d, exit status after SIGTERM=%d\n", 100 * (c1 - c0) / hz / (t1 - t0), t1 - t0, n, s }'
if [ -s "$work/stderr.txt" ]; then
  echo "program messages:"; cat "$work/stderr.txt"
fi
