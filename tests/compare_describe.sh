#!/usr/bin/env bash
# The Windows build of the tool, run under Wine, must print the same bytes as this build:
# `tavrin describe` for a few seeds over the payload files that make_payloads writes, and
# `tavrin inspect --json` of each file (its records hold floats in odd corners: subnormal,
# -0, FLT_MAX, 1e-05). The mp3-*.bin files carry real MP3 streams, which each build decodes
# with its own decoder (libmpg123 here, the system codec through ACM under Wine): the decoded
# show_length, decoded_samples and frames_total must agree.
# usage: compare_describe.sh TAVRIN TAVRIN_EXE MAKE_PAYLOADS WINE_RUN WORK_DIR
# Exits 77 (skipped) when TAVRIN_EXE has not been built.
set -u
linux_tool=$1 win_tool=$2 make_payloads=$3 wine_run=$4 work=$5

if [ ! -f "$win_tool" ]; then
  echo "skipped: $win_tool not built (make build-win)"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
"$make_payloads" . || { echo "make_payloads failed"; exit 1; }

payloads=(none.bin one.bin seven.bin refused.bin)
# 229 and 641 make palette colours whose powf results mingw's and glibc's libm round apart.
seeds=(0 1 42 229 641 12345 4294967295)
# FILE:N, N the tracks that decode to a PCM buffer (the last of mp3-rates.bin has a loop of 999
# samples). The first three hold one track, which every seed chooses.
mp3_payloads=(mp3-tail.bin:1 mp3-crossfade.bin:1 mp3-short.bin:1 mp3-rates.bin:2)
mp3_seeds=(0 42 229 641)
# Seed texts past 32 bits: both builds must keep the same low 32 bits.
seed_texts=(4294967296 99999999999999999999)

runs=0 failures=0

# compare NAME ARGS...: runs both builds with ARGS; stdout and exit status must match.
compare() {
  local name=$1
  shift
  "$linux_tool" "$@" >"$name.linux" 2>"$name.linux.err"
  local linux_status=$?
  "$wine_run" "$win_tool" "$@" >"$name.win" 2>"$name.win.err" </dev/null
  local win_status=$?
  # The tool never fails without a word. A failure that printed nothing at all is Wine's own
  # (seen once in a busy CI run, exit status 1 with empty output): run it once more, and say so.
  if [ "$win_status" -ne 0 ] && [ ! -s "$name.win" ] && [ ! -s "$name.win.err" ]; then
    echo "wine printed nothing and gave exit status $win_status for tavrin $*: running it again"
    "$wine_run" "$win_tool" "$@" >"$name.win" 2>"$name.win.err" </dev/null
    win_status=$?
  fi
  runs=$((runs + 1))
  if [ "$linux_status" -ne "$win_status" ] || ! cmp -s "$name.linux" "$name.win"; then
    failures=$((failures + 1))
    echo "DIFFERENT: tavrin $* (exit status $linux_status on Linux, $win_status on Windows)"
    diff "$name.linux" "$name.win" | head -n 20
    head -n 5 "$name.win.err"
  fi
}

# describe NAME ARGS...: compare, and the Linux build must have printed a description.
describe() {
  local name=$1
  shift
  compare "$name" describe "$@"
  if ! grep -q '^"chosen_track": ' "$name.linux"; then
    failures=$((failures + 1))
    echo "NO DESCRIPTION: tavrin describe $*"
    head -n 5 "$name.linux.err"
  fi
}

for p in "${payloads[@]}"; do
  for s in "${seeds[@]}"; do
    if [ "$p" = none.bin ]; then
      # A file without a payload is refused alike; --no-payload is the silent show.
      compare "describe-$s-$p" describe "$s" --payload "$p"
      describe "describe-$s-silent" "$s" --no-payload
    else
      describe "describe-$s-$p" "$s" --payload "$p"
    fi
  done
  compare "inspect-$p" inspect "$p" --json
done
# Ornament sets: their vertex sums show every vertex, which both builds must compute alike.
for s in 0 42 641; do
  for phrase in 0 7; do
    compare "ornaments-$s-$phrase" describe "$s" --payload none.bin --ornaments "$phrase"
  done
done
for s in "${seed_texts[@]}"; do
  describe "describe-$s" "$s" --no-payload
done

for entry in "${mp3_payloads[@]}"; do
  p=${entry%%:*} buffers=${entry##*:}
  for s in "${mp3_seeds[@]}"; do
    describe "describe-$s-$p" "$s" --payload "$p"
  done
  compare "inspect-$p" inspect "$p" --json
  # Agreement means something only if the streams were decoded, and describe shows it.
  decoded=$(grep -o '"decode_problem": null' "inspect-$p.linux" | wc -l)
  if [ "$decoded" -ne "$buffers" ]; then
    failures=$((failures + 1))
    echo "DECODED $decoded TRACKS of $p on Linux, not $buffers"
  fi
  if [ "$buffers" -eq 1 ]; then
    length=$(grep -o '"decoded_show_length": [^,]*' "inspect-$p.linux" | cut -d' ' -f2)
    for s in "${mp3_seeds[@]}"; do
      if ! grep -qxF "\"show_length\": $length," "describe-$s-$p.linux"; then
        failures=$((failures + 1))
        echo "NOT THE DECODED LENGTH $length: tavrin describe $s --payload $p"
      fi
    done
  fi
done

# Some seed must choose a track from each file with tracks, or the comparison never reaches
# the chosen track's timing.
for p in one.bin seven.bin refused.bin; do
  if ! grep -q '^"chosen_track": [0-9]' describe-*-"$p".linux; then
    failures=$((failures + 1))
    echo "NO TRACK CHOSEN from $p by seeds ${seeds[*]}"
  fi
done

echo "$runs runs, $failures failures"
[ "$failures" -eq 0 ]
