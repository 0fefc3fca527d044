#include "looks/sprites.h"

#include <math.h>

#include "core/fmath.h"
#include "looks/palette.h"

sprite_lists sprites = {-1, {}, {}, 0, {}, 0};

void reset_sprite_lists() { sprites = sprite_lists{-1, {}, {}, 0, {}, 0}; }

void unpack_sprite(const uint8_t* block, int32_t offset, int width, int height, uint8_t* out) {
    int64_t n = (int64_t)width * height;
    for (int64_t k = 0; k < n; ++k) {
        uint8_t byte = block[offset + k / 2];
        out[k] = (k & 1) ? (uint8_t)(byte >> 4) : (uint8_t)(byte & 15);
    }
}

void recolour_sprite_colour(const float in[3], float out[3]) {
    float r = in[0], g = in[1], b = in[2];
    float m = show_powf(0.3f * r + 0.59f * g + 0.11f * b, 0.45454543f);
    const float* target;
    float factor = 1.0f;
    float mx = fmaxf(r, fmaxf(g, b)), mn = fminf(r, fminf(g, b));
    if (m < 0.25f) {
        target = PL[0];
    } else if ((mx - mn) / (mx + 0.0001f) < 0.2f && m > 0.7f) {
        target = PL[1];
    } else {
        float u = atan2f(1.732f * (g - b), 2.0f * r - g - b);
        int q = (int)((u + 3.14159265f) * 0.63661975f);
        target = (q % 2 == 0) ? PL[2] : PL[3];
        factor = m / 0.65f;
        if (factor < 0.75f) factor = 0.75f;
        if (factor > 1.25f) factor = 1.25f;
    }
    for (int k = 0; k < 3; ++k) out[k] = target[k] * factor;
}

void add_sprite(sprite_lists* lists, int i, const sprite_entry& e, const float stored[16][3], float working[16][3]) {
    for (int c = 0; c < 16; ++c)
        for (int k = 0; k < 3; ++k) working[c][k] = stored[c][k];
    if (e.kind == 2) {
        for (int c = 1; c < 16; ++c) recolour_sprite_colour(stored[c], working[c]);
        lists->free_list[lists->free_count++] = i;
    } else if (e.kind == 0) {
        lists->title = i;
    } else if (e.kind == 1) {
        // after every entry whose key is smaller or equal
        int at = lists->ordered_count;
        while (at > 0 && lists->ordered_key[at - 1] > e.key) --at;
        for (int k = lists->ordered_count; k > at; --k) {
            lists->ordered[k] = lists->ordered[k - 1];
            lists->ordered_key[k] = lists->ordered_key[k - 1];
        }
        lists->ordered[at] = i;
        lists->ordered_key[at] = e.key;
        lists->ordered_count++;
    } else {
        lists->free_list[lists->free_count++] = i;
    }
}
