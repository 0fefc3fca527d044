// The sprite pictures' generator, run at build time by make_sprite_pictures: eight pictures
// drawn from vector shapes and lettering (a font rasterised with FreeType) at four times their
// size, reduced to 4-bit palette indices (index 0 transparent) with a 16-colour linear
// palette each.
#pragma once
#include <stdint.h>

#include <string>

#include "data/sprite_directory.h"

// Draws every picture of the directory (data/sprite_directory.cpp) into `pixels` (sprite_pixel_bytes, 4-bit packed) and `palettes`; false
// with a message when the font cannot be read.
bool generate_sprite_pictures(const char* font_path, uint8_t* pixels, float palettes[sprite_count][16][3],
                              std::string* error);
