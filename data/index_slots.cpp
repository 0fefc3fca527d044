#include "data/index_slots.h"

const index_slot index_slots[index_slot_count] = {
    {0, 0, 0}, {8, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
    {0, 0, 0}, {0, 0, 0}, {8, 64, 6}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
};

const pattern_recipe pattern_recipes[index_slot_count] = {
    {0, 0, 0}, {0, 4, 8}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
    {0, 0, 0}, {0, 0, 0}, {4, 4, 8}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
};

const uint8_t index_pixels[128] = {};

const float fixed_pairs[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
