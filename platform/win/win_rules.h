// The Windows player's plain rules, apart from the system calls that feed them
// (platform/win/win_platform.h): where the seed comes from and the show time. Compiled into every
// build, so that the tests check them on Linux too.
#pragma once
#include <stdint.h>

// Seed text: the whole command line; any space followed by a digit starts a candidate, the last
// wins. True and the value stored when a candidate exists.
bool seed_from_command_line_win(const char* command_line, uint32_t* value);
// The clock's seed when no argument qualifies.
uint32_t clock_seed_win(uint32_t tick_count, uint64_t performance_counter);

// Windows show time. While the wave device plays and its position query answered in samples:
// show_length + 1 once it reports the last sample (position + 1 >= frames_total), else the
// position in seconds. In every other case (no audio, the query failed or answered in another
// unit) the clock.
float show_time_win(bool position_in_samples, uint32_t position, uint32_t frames_total, uint32_t sample_rate,
                    float show_length, float now);
