// The sprite pictures' lists and palettes, without GL: pixel unpacking, the recolouring of the
// sticker pictures into the show palette, and the three lists the sprite passes draw from.
#pragma once
#include <stdint.h>

enum : int { sprite_count = 8 };

// One entry of the picture directory (16 bytes as stored).
struct sprite_entry {
    int16_t width;
    int16_t height;
    int32_t offset; // byte offset in the pixel block
    uint8_t kind;   // 0 title, 1 closing card (ordered by key), 2 sticker (recoloured), other
    uint8_t key;
    uint8_t zero[2];
    float scale;    // size factor in the scene
};

// The built-in pictures (generated at build time): directory, 4-bit pixel block (two pixels a
// byte, the earlier in the low nibble, rows top to bottom, images back to back) and one
// 16-colour linear palette per picture (colour 0 black and never shown).
enum : int { sprite_pixel_bytes = 235872 };
extern const sprite_entry sprite_directory[sprite_count];
extern const uint8_t sprite_pixels[sprite_pixel_bytes];
extern const float sprite_stored_palettes[sprite_count][16][3];

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
