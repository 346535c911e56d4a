#!/usr/bin/env bash
# Takes the README's screenshots of the six pages from the real window under a virtual X
# server: the program plays data/demo.mid on the NULL port and each tab is clicked in turn.
#
#   tools/scripts/view_screenshots.sh BIN_DIR OUT_DIR
#
# Writes OUT_DIR/screenshot-kb-full.png ... screenshot-option.png (640x480 each), and the
# README's main picture, screenshot-main.png, the same as KB.FULL.
set -euo pipefail
bin=$(cd "${1:?usage: view_screenshots.sh BIN_DIR OUT_DIR}" && pwd)
out=$(mkdir -p "${2:?usage: view_screenshots.sh BIN_DIR OUT_DIR}" && cd "$2" && pwd)

work=$(mktemp -d)
cleanup() {
  [ -n "${program:-}" ] && kill -TERM "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/quorva" "$bin"/*.dat "$bin/demo.mid" "$work/"
printf '\x03\x01\x00\x02\x02\x02\x03\x00\x01\x02\x00' > "$work/setting.dat"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
sleep 1
cd "$work"
env DISPLAY=$display SDL_AUDIODRIVER=dummy ./quorva demo.mid 2>"$work/stderr.txt" &
program=$!
DISPLAY=$display xdotool mousemove 636 476
sleep 4
names=(kb-full kb-half kb-flow7 kb-flow12 drum-flow option)
for k in 0 1 2 3 4 5; do
  DISPLAY=$display xdotool mousemove $((64 * k + 32)) 8 mousedown 1
  sleep 0.2
  DISPLAY=$display xdotool mouseup 1
  # Off the tabs, so that the picture shows the selected tab rather than the hovered one.
  DISPLAY=$display xdotool mousemove 636 476
  sleep 1.5
  DISPLAY=$display import -window root "$out/screenshot-${names[$k]}.png"
done
cp "$out/screenshot-kb-full.png" "$out/screenshot-main.png"
