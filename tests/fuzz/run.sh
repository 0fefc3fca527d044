#!/usr/bin/env bash
# Runs the payload fuzzer for about SECONDS seconds on a freshly generated seed corpus.
#   tests/fuzz/run.sh BINARY SECONDS
# FUZZ_JOBS (1 or 2, default 2) sets how many fuzzing processes run side by side.
# Findings (crash-*, leak-*, timeout-*, oom-*) are kept in BINARY's directory under findings/;
# the script then prints their paths and exits with status 1.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY SECONDS" >&2
    exit 2
fi
binary=$(realpath "$1")
seconds=$2
bindir=$(dirname "$binary")
corpus_maker="$bindir/payload_corpus"
jobs=${FUZZ_JOBS:-2}
[ "$jobs" -ge 1 ] 2>/dev/null || jobs=1
[ "$jobs" -le 2 ] || jobs=2

for f in "$binary" "$corpus_maker"; do
    if [ ! -x "$f" ]; then
        echo "fuzz: $f is missing; run 'make build-fuzz' first" >&2
        exit 2
    fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
findings="$bindir/findings"
mkdir -p "$scratch/corpus" "$findings"

"$corpus_maker" "$scratch/corpus" || exit 1
seeds=$(ls "$scratch/corpus" | wc -l)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

touch "$scratch/started"
echo "fuzz: $binary, ${seconds}s, $jobs job(s), $seeds seed files"
(
    cd "$scratch" || exit 1
    "$binary" "$scratch/corpus" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/" -jobs="$jobs" -workers="$jobs" >"$scratch/fuzz.log" 2>&1
)
status=$?

# With -jobs, each process writes fuzz-N.log in the working directory (fuzz.log then only
# repeats them).
logs=("$scratch"/fuzz-*.log)
[ -e "${logs[0]}" ] || logs=("$scratch/fuzz.log")
for log in "${logs[@]}"; do
    [ -s "$log" ] || continue
    runs=$(grep -E '^stat::number_of_executed_units:' "$log" | tail -1 | awk '{print $2}')
    rate=$(grep -E '^stat::average_exec_per_sec:' "$log" | tail -1 | awk '{print $2}')
    # The last status line carries the coverage: edges (cov) and features (ft) reached.
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
    if [ -n "$runs" ]; then
        echo "fuzz: $(basename "$log" .log): $runs runs, $rate execs/s, ${cov:-cov: ?}"
    fi
done
echo "fuzz: corpus: $(ls "$scratch/corpus" | wc -l) files ($seeds seeds), $(du -sk "$scratch/corpus" | cut -f1) KiB"

found=()
while IFS= read -r f; do found+=("$f"); done < <(find "$findings" -type f -newer "$scratch/started")
if [ "${#found[@]}" -gt 0 ] || [ "$status" -ne 0 ]; then
    for log in "${logs[@]}"; do
        [ -s "$log" ] && { echo "---- $(basename "$log")"; grep -A40 -E 'ERROR|runtime error|check failed|deadly signal' "$log" | head -80; }
    done
    for f in "${found[@]}"; do
        echo "fuzz: reproducer: $f  (replay: $binary $f)"
    done
    echo "fuzz: FAILED (fuzzer status $status)" >&2
    exit 1
fi
echo "fuzz: no findings"
