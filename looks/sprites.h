// The sprite pictures' lists and palettes, without GL: pixel unpacking, the recolouring of the
// sticker pictures into the show palette, and the three lists the sprite passes draw from.
#pragma once
#include <stdint.h>

#include "data/sprite_directory.h"

struct sprite_lists {
    int32_t title;            // the kind-0 picture, -1 while none
    int32_t ordered[sprite_count]; // kind 1, keys ascending
    uint8_t ordered_key[sprite_count];
    int32_t ordered_count;
    int32_t free_list[sprite_count]; // kind 2 and any kind above 2
    int32_t free_count;
};
extern sprite_lists sprites;

void reset_sprite_lists();
// Pixel (x, y) of a picture is nibble y * width + x from its offset; an odd width continues
// mid-byte on the next row. Writes width * height bytes.
void unpack_sprite(const uint8_t* block, int32_t offset, int width, int height, uint8_t* out);
// A sticker colour in the show palette: dark to PL[0], light greys to PL[1], other colours by
// the quarter of the hue circle to PL[2] or PL[3], scaled by their brightness.
void recolour_sprite_colour(const float in[3], float out[3]);
// Picture i joins the lists after its texture is made: copies (and for stickers recolours) its
// palette into `working` and files it by kind.
void add_sprite(sprite_lists* lists, int i, const sprite_entry& e, const float stored[16][3], float working[16][3]);
