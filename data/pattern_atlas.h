// The pattern atlas: 8 sheets of 256 x 256 one-bit pixels, 8192 bytes each, back to back.
// Pixel (x, y) of sheet p is bit (x mod 8) of byte p * 8192 + (y * 256 + x) / 8.
#pragma once
#include <stdint.h>

enum : int { pattern_atlas_bytes = 65536 };

// The atlas the programs carry, written at build time by make_pattern_atlas.
extern const uint8_t pattern_atlas[pattern_atlas_bytes];

// Draws the atlas: brush strokes, outlined shapes and filled areas, on a torus so that every
// sheet tiles without seams, 16 % to 32 % of the bits set. Same bytes on every run.
void generate_pattern_atlas(uint8_t* out);
