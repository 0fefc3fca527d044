// The mark that makes a file recognisable as a player executable.
#pragma once

enum : unsigned { player_mark_size = 32 };

// A constant byte string that only player executables carry: `tavrin pack --append-to`
// appends a show only to an executable (ELF or PE) that holds it. Every player executable,
// Linux and Windows, lists core/player_mark.cpp among its own sources (not through a library),
// so that the linker keeps it. The tools must never link that source, or they would pass for
// a player; they keep their copy of the bytes encoded (tools/player_image.cpp).
extern "C" const unsigned char tavrin_player_mark[player_mark_size];
