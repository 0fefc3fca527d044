#!/usr/bin/env bash
# The per-frame values of a show (frame_values, 60 frames per second to the end of the show)
# must be the same in the Windows build, run under Wine, as in this build: the silent default
# show and the default show's music, for a few seeds.
# usage: compare_frame_values.sh FRAME_VALUES FRAME_VALUES_EXE WINE_RUN PAYLOAD WORK_DIR
# Exits 77 (skipped) when FRAME_VALUES_EXE has not been built.
set -u
linux=$1 win=$2 wine_run=$3 payload=$4 work=$5
[ -f "$win" ] || { echo "skipped: $win not built (make build-win)"; exit 77; }
rm -rf "$work" && mkdir -p "$work" || exit 1
failures=0
for seed in 1 42 229; do
    for with in none music; do
        args=("$seed")
        [ "$with" = music ] && args+=("$payload")
        "$linux" "${args[@]}" >"$work/$seed-$with.linux" || { echo "FAIL $seed $with: the Linux build failed"; failures=$((failures + 1)); continue; }
        "$wine_run" "$win" "${args[@]}" </dev/null | tr -d '\r' >"$work/$seed-$with.win"
        if cmp -s "$work/$seed-$with.linux" "$work/$seed-$with.win"; then
            echo "ok   seed $seed, $with: $(wc -l <"$work/$seed-$with.linux") frames agree"
        else
            echo "FAIL seed $seed, $with: the builds' per-frame values differ (largest difference per column):"
            paste -d' ' "$work/$seed-$with.linux" "$work/$seed-$with.win" | awk '
                { n = NF / 2; for (i = 1; i <= n; ++i) { d = $i - $(i + n); if (d < 0) d = -d; if (d > w[i]) w[i] = d } }
                END { for (i = 1; i <= n; ++i) if (w[i] > 0) printf "     column %d: %.3g\n", i, w[i] }'
            failures=$((failures + 1))
        fi
    done
done
exit $((failures > 0))
