// Seed and random generators: the one shared xorshift stream, derived streams and hash01.
#pragma once
#include <stddef.h>
#include <stdint.h>

extern uint32_t rng_state; // never 0
extern uint32_t rng_salt;  // fixed at seeding

void rng_reset();                    // back to the state before seeding (both words 1)
void rng_seed(uint32_t value);       // seeding with a seed value: state, salt, three warm-up draws
float rng_next();                    // [0, 1), multiple of 2^-24
int rng_below(int n);                // [0, n-1]; -1 for n = 0
int rng_pick_bit(int mask, int bits); // uniformly chosen set bit among the low bits, -1 (no draw) if none
float hash01(uint32_t a, uint32_t b); // stateless, [0, 1)

// Derived stream: begin switches the shared generator to the sequence of `key`
// and returns the saved state; end restores it.
uint32_t rng_derived_begin(int32_t key);
void rng_derived_end(uint32_t saved);

// Seed text parsers. Each returns true and stores the value when a candidate exists.
// Windows: the whole command line; any space followed by a digit starts a candidate, the last wins.
bool seed_from_command_line_win(const char* command_line, uint32_t* value);
// Linux: the bytes of /proc/self/cmdline (NUL-separated, first argument skipped);
// the last argument that begins with a digit wins, read with strtoul in base 10.
bool seed_from_cmdline_linux(const char* bytes, size_t length, uint32_t* value);
// The same rule over an argument vector (argv[0] skipped).
bool seed_from_args_linux(int argc, const char* const* argv, uint32_t* value);

// Clock fallbacks when no argument qualifies.
uint32_t clock_seed_linux(uint32_t seconds, uint32_t microseconds);
uint32_t clock_seed_win(uint32_t tick_count, uint64_t performance_counter);
