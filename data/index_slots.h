// Built-in figure index-texture slots, their pattern recipes and fixed colour pairs.
#pragma once
#include <stdint.h>

enum : int { index_slot_count = 14 };

struct index_slot {
    int32_t size;         // N for an N x N image; 0 = no texture
    int32_t pixel_offset; // into index_pixels
    int32_t pair_offset;  // float offset into fixed_pairs
};

struct pattern_recipe {
    uint8_t base;          // first atlas pattern
    uint8_t variant_count; // 0 = no recipe
    uint8_t transform_mask;
};

extern const index_slot index_slots[index_slot_count];
extern const pattern_recipe pattern_recipes[index_slot_count];
extern const uint8_t index_pixels[128];
extern const float fixed_pairs[12];
