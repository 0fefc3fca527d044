// The random choices of the pattern textures and the 256 x 256 images made from the atlas.
#pragma once
#include <stdint.h>

enum : int {
    pattern_size = 256,
    pattern_atlas_patterns = 8,
    pattern_atlas_bytes_per_pattern = 8192,
    pattern_flag_mirror = 1,
    pattern_flag_double = 2,
    pattern_flag_flip = 4,
    pattern_flag_invert = 8,
};

struct pattern_choice {
    int slot;
    int pattern;
    int flags;
    float pair[2][3];
};

// One choice per slot that has a texture and a recipe, in slot order.
extern pattern_choice pattern_choices[14];
extern int pattern_choice_count;

// Draws pattern, transform flags and colour pair for every slot with a recipe (needs PL).
void make_pattern_choices();
// The slot table's palette-pair rule alone: best and second-best contrast pairs of PL.
void best_contrast_pairs(const float palette[4][3], int best[2], int second[2], float* second_contrast);
// Atlas pixel (x, y) of pattern p, 0 or 1.
int atlas_bit(const uint8_t* atlas, int p, int x, int y);
// The 256 x 256 image of a pattern under the transform flags, one byte (0 or 1) per pixel.
void make_pattern_image(const uint8_t* atlas, int pattern, int flags, uint8_t* out);
