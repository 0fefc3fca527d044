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

// Where the seed value comes from (the command line, else the clock) is each build's own rule:
// platform/linux/linux_rules.h and platform/win/win_rules.h.
