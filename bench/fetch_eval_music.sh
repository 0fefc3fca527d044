#!/bin/bash
# Fetches the free music of tempo_eval's real songs: Debian packages downloaded with apt-get
# (no root needed) and unpacked with dpkg -x into DIR/<package>/, nothing installed. Game
# archives (.pk3, zip) are unpacked beside them. Frets on Fire songs come as separate stems
# (song.ogg, guitar.ogg, rhythm.ogg) that the game plays together: each song's stems are mixed
# with ffmpeg into DIR/<package>/mix/<song folder>.ogg. Also unpacks bpm-tools and soundstretch into
# DIR/tools/ for checking the tempo table (bench/tempo_truth.tsv) by other detectors.
#
#   bench/fetch_eval_music.sh [DIR]      (default ~/.cache/tavrin-eval/music)
set -euo pipefail
dir=${1:-$HOME/.cache/tavrin-eval/music}
packages="fb-music-high drascula-music asc-music singularity-music nexuiz-music
  fretsonfire-songs-muldjord fretsonfire-songs-sectoid btanks-data extremetuxracer-data lincity-ng-data"
tools="bpm-tools soundstretch libsoundtouch1"
mkdir -p "$dir/debs"
cd "$dir/debs"
for p in $packages $tools; do
  ls ${p}_*.deb >/dev/null 2>&1 || apt-get download "$p"
done
for p in $packages; do
  if [ ! -d "$dir/$p" ]; then
    mkdir -p "$dir/$p.part"
    dpkg -x ${p}_*.deb "$dir/$p.part"
    find "$dir/$p.part" -name '*.pk3' | while read -r archive; do
      (cd "$(dirname "$archive")" && unzip -q -o "$archive")
    done
    find "$dir/$p.part" -name guitar.ogg | while read -r guitar; do
      song=$(dirname "$guitar")
      inputs=()
      for stem in song guitar rhythm; do
        [ -f "$song/$stem.ogg" ] && inputs+=(-i "$song/$stem.ogg")
      done
      mkdir -p "$dir/$p.part/mix"
      ffmpeg -nostdin -loglevel error "${inputs[@]}" \
        -filter_complex "amix=inputs=$((${#inputs[@]} / 2)):duration=longest" \
        -c:a libvorbis -q:a 6 "$dir/$p.part/mix/$(basename "$song").ogg"
    done
    mv "$dir/$p.part" "$dir/$p"
  fi
done
if [ ! -d "$dir/tools" ]; then
  mkdir -p "$dir/tools.part"
  for p in $tools; do dpkg -x ${p}_*.deb "$dir/tools.part"; done
  mv "$dir/tools.part" "$dir/tools"
fi
echo "music in $dir"
