#!/bin/sh
# Checks the folder layering of the sources: which folders each folder's files may include, and
# that the deciding layers stay free of system headers and file access.
#
#   data/            built-in tables (and the build-time generators, checked like the tables)
#   core/            foundation: generators, payload parsing from bytes, float helpers, show values
#   audio/ looks/    music values and decoding; colours, patterns, sprites and ornaments
#   player/          start-up sequence and frame loop, overlays, the player's two tables
#   render/ figures/ GL: uploads and draws
#   platform/ tools/ the builds' system code; the command-line tool
#
# Usage: check_layers.sh [source root]. Prints every breach and exits 1 if there is any.
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2

status=0

# allowed FOLDER "FOLDERS IT MAY INCLUDE"
allowed() {
    folder=$1
    may=$2
    for f in $(find "$folder" -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp' | sort); do
        grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$f" | while IFS= read -r line; do
            target=$(printf '%s\n' "$line" | sed 's/.*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/')
            top=${target%%/*}
            [ "$top" = "$target" ] && continue # a file beside it
            ok=0
            for m in $folder $may; do [ "$top" = "$m" ] && ok=1; done
            if [ $ok = 0 ]; then
                echo "$f: includes $target ($folder/ may use only: $folder $may)"
                echo x >> "$tmp"
            fi
        done
    done
}

# The deciding layers: no GL, window-system, Windows or POSIX header, and no file opened.
plain() {
    for f in $(find "$@" -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp' | sort); do
        case $f in data/make_*|data/*_gen.cpp|data/sprite_pictures.h|data/pattern_atlas.h) continue ;; esac
        hits=$(grep -nE '#[[:space:]]*include[[:space:]]*<(GL/|GLES|EGL/|X11/|alsa/|windows\.h|mmsystem\.h|mmreg\.h|msacm\.h|unistd\.h|fcntl\.h|sys/|dlfcn\.h|pthread\.h|poll\.h|time\.h|errno\.h)|\b(fopen|freopen|fdopen|getenv|_wfopen)[[:space:]]*\(|\bopen[[:space:]]*\([^)]*O_' "$f")
        if [ -n "$hits" ]; then
            printf '%s\n' "$hits" | sed "s|^|$f:|; s|\$| (deciding code talks to no system)|"
            echo x >> "$tmp"
        fi
    done
}

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT

allowed data ""
allowed core "data"
allowed audio "core data"
allowed looks "core data"
allowed player "audio looks core data"
allowed render "figures player audio looks core data"
allowed figures "render player audio looks core data"
# audio/mp3_decode_mpg123.cpp is the Linux decoder back-end (tavrin_decode), outside the check.
plain core looks player data
for f in audio/features.h audio/features.cpp audio/decode.h audio/decode.cpp audio/decode_track.cpp; do
    plain_one=$(grep -nE '#[[:space:]]*include[[:space:]]*<(GL/|X11/|windows\.h|unistd\.h|fcntl\.h|sys/)|\b(fopen|getenv)[[:space:]]*\(' "$f")
    if [ -n "$plain_one" ]; then
        printf '%s\n' "$plain_one" | sed "s|^|$f:|"
        echo x >> "$tmp"
    fi
done

if [ -s "$tmp" ]; then
    echo "layering broken: $(wc -l < "$tmp") breach(es)"
    exit 1
fi
echo "layering holds"
