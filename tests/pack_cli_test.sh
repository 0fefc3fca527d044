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

if "$tool" pack --help | grep -q "usage: tavrin pack"; then echo "ok   --help"; else
    echo "FAIL --help"; failures=$((failures + 1)); fi
exit $((failures > 0))
