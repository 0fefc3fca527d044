#!/usr/bin/env bash
# `tavrin pack` from the command line: exit status and messages on bad input, and the output
# file left exactly as it was. Usage: pack_cli_test.sh TAVRIN WORKDIR
set -u
tool=$1
dir=$2
rm -rf "$dir" && mkdir -p "$dir" || exit 1
failures=0
check() { # description, expected status, expected text in stderr, command...
    local what=$1 want=$2 text=$3
    shift 3
    printf 'keep me\n' >"$dir/out"
    "$@" >"$dir/stdout" 2>"$dir/stderr"
    local got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL $what: status $got, expected $want"; cat "$dir/stderr"; failures=$((failures + 1))
    elif ! grep -q -- "$text" "$dir/stderr"; then
        echo "FAIL $what: stderr lacks '$text'"; cat "$dir/stderr"; failures=$((failures + 1))
    elif [ "$(cat "$dir/out")" != "keep me" ]; then
        echo "FAIL $what: the output file changed"; failures=$((failures + 1))
    elif ls "$dir"/out.partial-* >/dev/null 2>&1; then
        echo "FAIL $what: a temporary file was left behind"; failures=$((failures + 1))
    else
        echo "ok   $what"
    fi
}
printf 'not audio\n' >"$dir/notes.wav"
check "missing input"        1 "cannot read"      "$tool" pack "$dir/missing.wav" -o "$dir/out"
check "unsupported input"    1 "cannot read"      "$tool" pack "$dir/notes.wav" -o "$dir/out"
check "tempo out of range"   2 "40 to 300"        "$tool" pack --bpm 500 "$dir/notes.wav" -o "$dir/out"
check "missing executable"   1 "cannot read"      "$tool" pack --append-to "$dir/missing" "$dir/notes.wav" -o "$dir/out"
check "unknown option"       2 "unknown option"   "$tool" pack --fast "$dir/notes.wav" -o "$dir/out"
# Only the player takes a show: not a text file, not another executable (the tool itself).
printf 'notes\n' >"$dir/notes.txt"
check "append to a text file" 1 "not an executable" "$tool" pack --append-to "$dir/notes.txt" "$dir/notes.wav" -o "$dir/out"
check "append to the tool"   1 "not the tavrin player" "$tool" pack --append-to "$tool" "$dir/notes.wav" -o "$dir/out"
# A FIFO is refused at once, never waited on (timeout: a wait would otherwise hang the test).
mkfifo "$dir/fifo"
check "append to a FIFO"     1 "FIFO"             timeout 60 "$tool" pack --append-to "$dir/fifo" "$dir/notes.wav" -o "$dir/out"
check "input is a FIFO"      1 "FIFO"             timeout 60 "$tool" pack "$dir/fifo" -o "$dir/out"
check "input is a device"    1 "character device" "$tool" pack /dev/zero -o "$dir/out"
check "input is a folder"    1 "folder"           "$tool" pack "$dir" -o "$dir/out"

if "$tool" pack --help | grep -q "usage: tavrin pack"; then echo "ok   --help"; else
    echo "FAIL --help"; failures=$((failures + 1)); fi
exit $((failures > 0))
