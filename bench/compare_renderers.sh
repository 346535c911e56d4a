#!/usr/bin/env bash
# Renders the same dense General MIDI song (16 channels with drums, pitch bends, about 45
# notes sounding, 3 minutes) with quorva-render --wav, fluidsynth -F and timidity -Ow, and
# prints wall time, CPU time and peak memory of each side by side.
#   bench/compare_renderers.sh [BUILD_BIN_DIR]     (default: build/bin)
# Installs fluidsynth and timidity from Debian when they are missing. Not part of the tests.
set -euo pipefail

bin=${1:-build/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

need=()
command -v fluidsynth >/dev/null || need+=(fluidsynth)
command -v timidity >/dev/null || need+=(timidity)
[ -f /usr/share/sounds/sf2/default-GM.sf2 ] || need+=(fluid-soundfont-gm)
if [ ${#need[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${need[@]}"
fi

song=$work/dense.mid
tones=$bin/fmstone.dat
if [ -f "$tones" ]; then
  "$bin/bench_dense_song" "$song"
else
  # No shipped tone file yet: a stand-in bank of 4-operator tones for every program.
  tones=$work/tones.dat
  "$bin/bench_dense_song" "$song" "$tones"
fi
soundfont=/usr/share/sounds/sf2/default-GM.sf2
timidity_cfg=()
[ -f /etc/timidity/fluidr3_gm.cfg ] && timidity_cfg=(-c /etc/timidity/fluidr3_gm.cfg)

# measure NAME COMMAND...: prints "NAME wall_s cpu_s peak_MiB"
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/$name.time" "$@" >/dev/null 2>"$work/$name.err" || {
    echo "$name failed:"; cat "$work/$name.err"; return 1; }
  read -r wall user sys peak <"$work/$name.time"
  awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v p="$peak" \
    'BEGIN { printf "%-10s wall %7.2f s   cpu %7.2f s   peak %7.1f MiB\n", n, w, u + s, p / 1024 }'
  echo "$wall $user $sys $peak" >"$work/$name.result"
}

echo "song: $(stat -c %s "$song") bytes, tones: $tones"
measure quorva "$bin/quorva-render" "$song" --wav "$work/quorva.wav" --tones "$tones" --voices 64
measure fluidsynth fluidsynth -ni -q -r 44100 -F "$work/fluidsynth.wav" "$soundfont" "$song"
measure timidity timidity "${timidity_cfg[@]}" -Ow -s 44100 -o "$work/timidity.wav" "$song"

cpu() { awk '{ print $2 + $3 }' "$work/$1.result"; }
q=$(cpu quorva)
awk -v q="$q" -v f="$(cpu fluidsynth)" -v t="$(cpu timidity)" 'BEGIN {
  printf "quorva is %.1fx faster than fluidsynth (goal 3x) and %.1fx faster than timidity (goal 5x), by CPU time\n", f / q, t / q }'
for name in quorva fluidsynth timidity; do
  printf "%-10s %s\n" "$name" "$(stat -c %s "$work/$name.wav") bytes of WAV"
done
