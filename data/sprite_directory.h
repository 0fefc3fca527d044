// The built-in sprite pictures as tables: the directory of the eight pictures, their 4-bit
// pixel block and their stored palettes. The directory is written by hand
// (data/sprite_directory.cpp); pixels and palettes are drawn at build time by
// make_sprite_pictures. Used by looks/sprites.* (lists and recolouring), the sprite passes and
// the generator itself.
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
