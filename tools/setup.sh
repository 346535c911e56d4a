#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: it installs only
# what is missing, and runs apt-get update only when something has to be installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libsdl2-ttf-dev fonts-ipafont-gothic
  librtmidi-dev libasound2-dev alsa-utils jackd2 libjack-jackd2-dev
  libfluidsynth-dev fluid-soundfont-gm fluidsynth
  xvfb xauth x11-utils imagemagick xdotool
  libsystemd-dev dbus-daemon playerctl desktop-file-utils libx11-dev
  libclang-rt-14-dev python3
  libavcodec-dev libavformat-dev libavutil-dev ffmpeg
  # Songs of other packages that tests read: texts in Shift-JIS and Windows-1252, a karaoke
  # file, General MIDI songs for loudness.
  kobodeluxe-data mma openttd-openmsx simutrans-data
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
