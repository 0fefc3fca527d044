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

bool seed_from_command_line_win(const char* command_line, uint32_t* value) {
    if (!command_line) return false;
    const char* start = nullptr;
    for (const char* p = command_line; p[0]; ++p)
        if (p[0] == ' ' && p[1] >= '0' && p[1] <= '9') start = p + 1;
    if (!start) return false;
    uint32_t v = 0;
    for (const char* p = start; *p >= '0' && *p <= '9'; ++p) v = v * 10u + (uint32_t)(*p - '0');
    *value = v;
    return true;
}

static uint32_t strtoul_low32(const char* text) {
    // strtoul saturates at ULONG_MAX (64 bits here, 32 on Windows); read it as 64-bit
    // everywhere so both builds keep the same low 32 bits.
    return (uint32_t)strtoull(text, nullptr, 10);
}

bool seed_from_args_linux(int argc, const char* const* argv, uint32_t* value) {
    const char* found = nullptr;
    for (int i = 1; i < argc; ++i)
        if (argv[i] && argv[i][0] >= '0' && argv[i][0] <= '9') found = argv[i];
    if (!found) return false;
    *value = strtoul_low32(found);
    return true;
}

bool seed_from_cmdline_linux(const char* bytes, size_t length, uint32_t* value) {
    // Arguments are NUL-terminated; a last one without its NUL (cut at the read limit)
    // is copied so that strtoull stops inside the buffer.
    char last[4096];
    const char* found = nullptr;
    size_t found_len = 0;
    size_t pos = 0;
    int index = 0;
    while (pos < length) {
        size_t end = pos;
        while (end < length && bytes[end] != '\0') ++end;
        if (index > 0 && bytes[pos] >= '0' && bytes[pos] <= '9') {
            found = bytes + pos;
            found_len = end - pos;
        }
        ++index;
        pos = end + 1;
    }
    if (!found) return false;
    if (found_len >= sizeof last) found_len = sizeof last - 1;
    memcpy(last, found, found_len);
    last[found_len] = '\0';
    *value = strtoul_low32(last);
    return true;
}

uint32_t clock_seed_linux(uint32_t seconds, uint32_t microseconds) {
    return seconds * 0x9E3779B1u ^ microseconds;
}

uint32_t clock_seed_win(uint32_t tick_count, uint64_t performance_counter) {
    return tick_count * 0x9E3779B1u ^ (uint32_t)performance_counter;
}
