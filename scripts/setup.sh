#!/usr/bin/env bash
# Installs the Debian packages that tavrin needs, and only those.
#   scripts/setup.sh show   what building and playing the default show needs (make show)
#   scripts/setup.sh        that and what the tests, the Windows build and fuzzing need (make test)
# Idempotent: quiet and quick when everything is already present. Runs apt-get as root, or
# through sudo.
set -euo pipefail

profile=${1:-all}
case "$profile" in
  show|all) ;;
  *) echo "usage: scripts/setup.sh [show|all]" >&2; exit 2 ;;
esac

# Building and playing a show, and rendering one to a video without a display.
packages=(
  # compiler, build system, and pkg-config for the libraries' .pc files
  build-essential cmake pkg-config
  # the player's window (Xlib) and OpenGL headers; libopengl-dev holds libOpenGL.so, which
  # CMake's FindOpenGL needs with the GLVND layout; EGL for rendering without a display
  libx11-dev libgl-dev libopengl-dev libegl-dev
  # Mesa's drivers at run time: GLX and EGL front ends and the llvmpipe software renderer
  libgl1 libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  # MP3 decoding (libmpg123) and the ALSA headers of the player's audio output
  libmpg123-dev libasound2-dev
  # tavrin pack, which also packs the default show at build time: reading audio files,
  # resampling, tempo detection, MP3 encoding
  libsndfile1-dev libsamplerate0-dev libaubio-dev libmp3lame-dev
  # tavrin render: PNG frames, and the ffmpeg program for videos
  libpng-dev ffmpeg
  # the sprite pictures' lettering, drawn at build time: FreeType and the DejaVu Sans Bold font
  libfreetype-dev fonts-dejavu-core
)
if [ "$profile" = all ]; then
  packages+=(
    # unit tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # the fuzz target (libFuzzer with sanitizers)
    clang libclang-rt-14-dev
    # the Windows build (mingw-w64) and running its tests under Wine
    g++-mingw-w64-x86-64-win32 wine wine64
    # the player's end-to-end tests: a virtual X server and synthetic key and button presses
    xvfb xdotool
    # the Windows player's end-to-end tests: a sound server with a null sink, so that Wine's
    # wave device opens and reports a position that advances in real time; bc for the
    # fractional seconds those tests time and compare
    pulseaudio bc
  )
fi

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
