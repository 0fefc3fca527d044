#!/usr/bin/env bash
# describe and render find the show payload the same way (--payload, else TAVRIN_SELF, else
# default-show.tavrin beside the tool); --no-payload asks for the silent show; a --payload file
# that holds no payload is an error that says how to make one. Usage: payload_lookup_test.sh
# TAVRIN WORKDIR (the tool's folder must hold the build's default-show.tavrin).
set -u
tool=$1
dir=$2
rm -rf "$dir" && mkdir -p "$dir" || exit 1
show="$(dirname "$tool")/default-show.tavrin"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }
[ -f "$show" ] || { echo "no $show beside the tool"; exit 1; }
printf 'RIFF not really a song\n' >"$dir/song.wav"

# status, stderr text, command...
expect() {
    local what=$1 want=$2 text=$3
    shift 3
    "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    if [ "$got" != "$want" ]; then fail "$what: status $got, expected $want"; cat "$dir/err"
    elif ! grep -q -- "$text" "$dir/err"; then fail "$what: stderr lacks '$text'"; cat "$dir/err"
    else ok "$what"; fi
}
expect "describe: a song is no payload" 2 "pack it first" "$tool" describe 7 --payload "$dir/song.wav"
expect "describe: both flags" 2 "exclude" "$tool" describe 7 --payload "$show" --no-payload
if "$tool" render --help >/dev/null 2>&1; then
    expect "render: a song is no payload" 1 "pack it first" "$tool" render 7 --payload "$dir/song.wav" --at 1 -o "$dir/frames"
    expect "render: both flags" 2 "exclude" "$tool" render 7 --no-payload --payload "$show" --at 1 -o "$dir/frames"
    "$tool" render --help | grep -q -- "--no-payload" && ok "render --help names --no-payload" || fail "render --help"
fi
"$tool" describe --help | grep -q "TAVRIN_SELF" && ok "describe --help gives the lookup" || fail "describe --help"

# The same seed describes the same show whichever way the default show is named.
env -u TAVRIN_SELF "$tool" describe 7 >"$dir/beside.json" 2>"$dir/beside.err"
"$tool" describe 7 --payload "$show" >"$dir/given.json" 2>/dev/null
TAVRIN_SELF="$show" "$tool" describe 7 >"$dir/env.json" 2>/dev/null
env -u TAVRIN_SELF "$tool" describe 7 --no-payload >"$dir/silent.json" 2>/dev/null
cmp -s "$dir/beside.json" "$dir/given.json" && ok "describe finds the default show beside it" || fail "beside != --payload"
cmp -s "$dir/env.json" "$dir/given.json" && ok "describe reads TAVRIN_SELF" || fail "TAVRIN_SELF != --payload"
grep -q "default-show.tavrin" "$dir/beside.err" && ok "describe names the payload it used" || fail "no payload named"
grep -q '"chosen_track": -1' "$dir/silent.json" && ok "--no-payload is the silent show" || fail "--no-payload"
grep -q '"show_length": 16,' "$dir/silent.json" && ok "the silent show lasts 16 s" || fail "silent length"
grep -q '"chosen_track": [0-9]' "$dir/given.json" && ok "the default show has a track" || fail "no track chosen"
exit $((failures > 0))
