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

# The Windows program: the cross compiler, and Wine with what it recommends (its audio
# through PulseAudio, its fonts), which the Windows tests run it under; zip for the portable
# folder's archive (tools/package-windows.sh).
windows_packages=(
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine pulseaudio pulseaudio-utils zip
)

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
updated=0

# Installs those of the named packages that are missing; the first argument is the extra
# apt-get option ("" or --no-install-recommends).
install_missing() {
  local option=$1
  shift
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "setup: installing ${missing[*]}"
  if [ "$updated" = 0 ]; then
    "${as_root[@]}" apt-get update -q
    updated=1
  fi
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q $option "${missing[@]}"
}

install_missing --no-install-recommends "${packages[@]}"
if [ "${QUORVA_SKIP_WINDOWS:-0}" != 1 ]; then
  install_missing "" "${windows_packages[@]}"
fi
