// The figure's index textures and the pattern textures made over them at start-up.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

enum : int { texture_slot_count = 14 };

// Per slot: the texture name (0 = none) and, for a slot that received a pattern, its colour pair.
extern GLuint index_textures[texture_slot_count];
extern float slot_pairs[texture_slot_count][2][3];
// The last slot's texture that received a pattern, 0 while none.
extern GLuint pattern_texture;

// One single-channel texture per slot with a built-in image (nearest filtering, repeat).
void make_index_textures();
// The image of pattern choice `choice` (looks/patterns.h), made in scratch (64 KB), replaces its
// slot's image (linear filtering); the slot keeps the choice's colour pair.
void upload_pattern_texture(int choice, uint8_t* scratch);
