#include "core/rng.h"

#include <stdlib.h>
#include <string.h>

uint32_t rng_state = 1;
uint32_t rng_salt = 1;

void rng_reset() {
    rng_state = 1;
    rng_salt = 1;
}

float rng_next() {
    uint32_t s = rng_state;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    rng_state = s;
    return (float)(s & 0xFFFFFFu) * (1.0f / 16777216.0f);
}

void rng_seed(uint32_t value) {
    rng_state = value ? value : 1u;
    rng_salt = rng_state * 0x9E3779B1u + 1u;
    rng_next();
    rng_next();
    rng_next();
}

int rng_below(int n) {
    float r = rng_next();
    if (n == 0) return -1;
    float p = (float)n * r;
    int i = (int)p;
    return i < n ? i : n - 1;
}

int rng_pick_bit(int mask, int bits) {
    int count = 0;
    for (int b = 0; b < bits; ++b)
        if (mask & (1 << b)) ++count;
    if (count == 0) return -1;
    int k = rng_below(count);
    for (int b = 0; b < bits; ++b) {
        if (!(mask & (1 << b))) continue;
        if (k == 0) return b;
        --k;
    }
    return -1; // not reached: k < count
}

float hash01(uint32_t a, uint32_t b) {
    uint32_t h = a ^ (b * 0x9E3779B1u + 0x9E3779B9u);
    h ^= h >> 15;
    h *= 0x85EBCA77u;
    h ^= h >> 13;
    h *= 0xC2B2AE3Du;
    h ^= h >> 16;
    return (float)(h & 0xFFFFFFu) * (1.0f / 16777216.0f);
}

uint32_t rng_derived_begin(int32_t key) {
    uint32_t saved = rng_state;
    uint32_t s = rng_salt * 0x85EBCA77u + (uint32_t)key * 0xC2B2AE3Du + 7u;
    rng_state = s ? s : 1u;
    rng_next();
    rng_next();
    return saved;
}

void rng_derived_end(uint32_t saved) { rng_state = saved; }
