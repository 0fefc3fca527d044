#!/usr/bin/env bash
# Renders the README's pictures with `tavrin render` from the default show.
# Usage: docs/frames/render-frames.sh [BUILD_DIR]   (default: build)
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# seed, show time, picture size, name
while read -r seed t size name; do
    "$build/tavrin" render "$seed" --payload "$build/default-show.tavrin" --size "$size" --quiet \
        --at "$t" -o "$tmp/$name" >/dev/null
    mv "$tmp/$name"/frame-0001-*.png "$here/$name.png"
done <<'LIST'
6 4.800 480x270 rays-and-rings
18 5.357 480x270 horizon
2 6.429 480x270 tunnel
5 6.429 480x270 petals
42 21.696 480x270 star-wipe-over-plasma
6 16.800 480x270 julia-cover
17 20.000 480x270 mandelbrot-cover
5 92.143 480x270 echo
2 91.071 480x270 kaleidoscope
2 10.929 640x360 orbit
6 75.072 640x360 descend
6 27.264 640x360 rise
1 14.880 640x360 crane
3 65.812 640x360 ground-level
2 15.214 640x360 close-up-head
3 62.062 640x360 close-up-hips
3 5.812 640x360 tracking
2 30.429 640x360 swoop
3 39.562 640x360 top-view
1 65.040 640x360 both-stages
3 2.500 480x270 title
3 14.000 480x270 ornaments
3 56.000 480x270 scene-sprites
3 72.000 480x270 sticker
3 32.800 480x270 emblem
3 80.000 480x270 closing-card
LIST
