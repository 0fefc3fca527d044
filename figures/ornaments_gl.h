// The ornaments' GPU side: the vertex-colour program, one vertex array and one buffer that each
// build refills, the per-frame drawing of the 29 slots, and the emblem of a fully covered phrase.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

extern GLuint ornament_vertex_array;
extern GLuint ornament_buffer;
extern bool ornaments_enabled;     // false when the vertex buffer could not be allocated
extern int32_t ornament_built_phrase;

// Builds the set of a phrase and uploads it (the ornament vertex array bound).
void build_ornaments(int32_t phrase);
// The frame's ornaments: the rebuild at a phrase change, the envelope, turning, riding.
void draw_ornaments();
// The ornament of one slot full-screen, turned by the time and grown by f (0..1).
void draw_emblem(int slot, float f, float aspect);
