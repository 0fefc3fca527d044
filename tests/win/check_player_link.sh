#!/usr/bin/env bash
# The Windows player runs without the C runtime's start-up code, so nothing linked into it may
# need what that code provides, and it may import only the system's libraries.
#   check_player_link.sh PLAYER_EXE LINK_MAP OBJDUMP
set -u
exe=$1 map=$2 objdump=$3
failures=0
bad() { echo "FAIL $*"; failures=$((failures + 1)); }

# Imports: the Win32 libraries the player talks to and the system's C runtime (memcpy, maths).
allowed=" KERNEL32.dll USER32.dll GDI32.dll OPENGL32.dll WINMM.dll MSACM32.dll msvcrt.dll "
imports=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print $3}')
[ -n "$imports" ] || bad "no imports found in $exe"
for dll in $imports; do
    case "$allowed" in *" $dll "*) ;; *) bad "imports $dll" ;; esac
done

# The entry point is the player's own function, not the runtime's start-up.
grep -Eq '^ +0x[0-9a-f]+ +win_entry$' "$map" || bad "win_entry is not in the link map"
grep -Eq '(mainCRTStartup|WinMainCRTStartup|__tmainCRTStartup)$' "$map" && bad "the runtime's start-up code is linked"

# No global constructors: nothing between the constructor list's two end markers.
ctors=$(awk '/__CTOR_LIST__ = \./ {on = 1; next} on && /__DTOR_LIST__/ {exit} on' "$map" |
    grep -Ev 'LONG 0x|^ \*\(|^\s*$')
[ -z "$ctors" ] || bad "global constructors are linked: $ctors"

# Nothing that registers exit handlers or guards function-local statics.
for symbol in atexit _onexit __cxa_atexit __cxa_guard_acquire __cxa_guard_release __main; do
    grep -Eq "^ +0x[0-9a-f]+ +$symbol$|\($symbol\)$" "$map" && bad "$symbol is linked"
done

[ $failures = 0 ] && echo "ok   $exe imports only system libraries and links no runtime start-up"
exit $((failures > 0))
