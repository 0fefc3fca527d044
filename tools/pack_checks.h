// Checks `tavrin pack` makes on the files it is given, before it reads them for good.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

// The player's mark as the tools know it (decoded at run time from an encoded copy, so that the
// tool's own executable never carries the mark and cannot pass for a player).
std::string player_mark_bytes();

// Whether `data` (a whole file, an appended payload included or not) is an executable of the
// Linux (ELF) or Windows (PE) player: the format's magic and the player's mark. False with the
// reason otherwise.
bool is_player_image(const uint8_t* data, size_t size, std::string* why);

// Whether `path` names a player executable that --append-to can copy: a regular file (never
// waited on) that is_player_image accepts. False with the reason otherwise.
bool check_append_target(const std::string& path, std::string* why);

// Whether `path` can be read as an input without waiting on it: a regular file (a FIFO or a
// device would block the reader, or never end). False with the reason otherwise.
bool input_is_regular_file(const std::string& path, std::string* why);

// A warning for an input whose header promises more audio than the file holds (a RIFF WAVE
// file cut short: its data chunk is longer than the rest of the file); empty when none.
std::string truncated_input_warning(const std::string& path);
