#!/usr/bin/env bash
# Renders the README's pictures with `tavrin render` from the default show.
# Usage: docs/frames/render-frames.sh [BUILD_DIR]   (default: build)
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# seed, show time, name
while read -r seed t name; do
    "$build/tavrin" render "$seed" --payload "$build/default-show.tavrin" --size 480x270 --quiet \
        --at "$t" -o "$tmp/$name" >/dev/null
    mv "$tmp/$name"/frame-0001-*.png "$here/$name.png"
done <<'LIST'
6 4.800 rays-and-rings
18 5.357 horizon
2 6.429 tunnel
5 6.429 petals
42 21.696 star-wipe-over-plasma
6 16.800 julia-cover
17 20.000 mandelbrot-cover
5 92.143 echo
2 91.071 kaleidoscope
3 2.500 title
3 14.000 ornaments
3 56.000 scene-sprites
3 72.000 sticker
3 32.800 emblem
3 80.000 closing-card
LIST
