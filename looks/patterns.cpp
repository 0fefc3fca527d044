#include "looks/patterns.h"

#include <math.h>

#include "core/fmath.h"
#include "core/rng.h"
#include "data/index_slots.h"
#include "looks/palette.h"

pattern_choice pattern_choices[14];
int pattern_choice_count;

void best_contrast_pairs(const float palette[4][3], int best[2], int second[2], float* second_contrast) {
    static const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    float best_c = -1.0f, second_c = -1.0f;
    best[0] = best[1] = second[0] = second[1] = 0;
    for (const auto& pr : pairs) {
        float c = fabsf(show_powf(luma(palette[pr[0]]), 0.4545f) - show_powf(luma(palette[pr[1]]), 0.4545f));
        if (c > best_c) {
            second_c = best_c;
            second[0] = best[0];
            second[1] = best[1];
            best_c = c;
            best[0] = pr[0];
            best[1] = pr[1];
        } else if (c > second_c) {
            second_c = c;
            second[0] = pr[0];
            second[1] = pr[1];
        }
    }
    *second_contrast = second_c;
}

void make_pattern_choices() {
    pattern_choice_count = 0;
    for (int slot = 0; slot < 14; ++slot) {
        const pattern_recipe& recipe = pattern_recipes[slot];
        if (recipe.variant_count == 0 || index_slots[slot].size <= 0) continue;
        pattern_choice& out = pattern_choices[pattern_choice_count++];
        out.slot = slot;
        out.pattern = recipe.base + rng_below(recipe.variant_count);
        out.flags = 0;
        for (int bit = 1; bit <= 8; bit <<= 1)
            if ((recipe.transform_mask & bit) && rng_next() < 0.3f) out.flags |= bit;
        int best[2], second[2];
        float second_contrast;
        best_contrast_pairs(PL, best, second, &second_contrast);
        const int* pair = best;
        if (rng_next() < 0.35f && second_contrast > 0.3f) pair = second;
        int a = pair[0], b = pair[1];
        if (rng_next() < 0.5f) {
            a = pair[1];
            b = pair[0];
        }
        for (int i = 0; i < 3; ++i) {
            out.pair[0][i] = PL[a][i];
            out.pair[1][i] = PL[b][i];
        }
    }
}

int atlas_bit(const uint8_t* atlas, int p, int x, int y) {
    return atlas[p * pattern_atlas_bytes_per_pattern + (y * pattern_size + x) / 8] >> (x % 8) & 1;
}

void make_pattern_image(const uint8_t* atlas, int pattern, int flags, uint8_t* out) {
    for (int y = 0; y < pattern_size; ++y) {
        int y1 = (flags & pattern_flag_double) ? (2 * y) % 256 : y;
        if (flags & pattern_flag_flip) y1 = 255 - y1;
        for (int x = 0; x < pattern_size; ++x) {
            int x1 = (flags & pattern_flag_double) ? (2 * x) % 256 : x;
            if ((flags & pattern_flag_mirror) && x1 > 127) x1 = 255 - x1;
            if (flags & pattern_flag_flip) x1 = 255 - x1;
            int bit = atlas_bit(atlas, pattern, x1, y1);
            if (flags & pattern_flag_invert) bit ^= 1;
            out[y * pattern_size + x] = (uint8_t)bit;
        }
    }
}
