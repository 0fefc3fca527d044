#!/usr/bin/env bash
# Installs every Debian package that building, testing and running tavrin needs.
# Idempotent: quiet and quick when everything is already present.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # Windows build and running its tests
  g++-mingw-w64-x86-64-win32 wine wine64
  # player: window, GL, offscreen GL
  libx11-dev libgl-dev libegl-dev libgl1 libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  # audio decoding, encoding, reading and analysis
  libmpg123-dev libmp3lame-dev libsndfile1-dev libsamplerate0-dev libaubio-dev libasound2-dev
  # pictures and video export
  libpng-dev ffmpeg
  # display tests
  xvfb xdotool x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
