#!/usr/bin/env bash
# Resident memory per event and load time of songs of many notes, each loaded (twice) by a
# process of its own: 1, 10, 20 and 50 million events (half as many notes) in 64 tracks at
# 20,000 notes a second, and with --huge also 100 million notes (200 million events, an
# 800 MB file). The songs are written into SONG_DIR (default /tmp/quorva-songs) the first
# time and kept there.
#
#   bench/song_memory.sh BIN_DIR [SONG_DIR] [--huge]
#
# BIN_DIR holds bench_dense_song and bench_song_memory (build/bin after a build).
set -euo pipefail
bin=${1:?usage: song_memory.sh BIN_DIR [SONG_DIR] [--huge]}
songs=/tmp/quorva-songs
huge=0
for arg in "${@:2}"; do
  case $arg in
    --huge) huge=1 ;;
    *) songs=$arg ;;
  esac
done
mkdir -p "$songs"

notes=(500000 5000000 10000000 25000000)
[ "$huge" = 1 ] && notes+=(100000000)
for count in "${notes[@]}"; do
  song=$songs/notes$count.mid
  [ -f "$song" ] || "$bin/bench_dense_song" --notes "$count" --tracks 64 --notes-per-second 20000 "$song"
  # Once to have the file in the page cache, so that the load reads memory, not the disk.
  cat "$song" > /dev/null
  "$bin/bench_song_memory" "$song" --loads 2
done
