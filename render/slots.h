// The places in the start-up order and in the pass order where the figure, the ornaments, the
// sprites and the overlays draw. Each is empty until its code exists: that code defines the
// function in its own file and the stub in render/slots.cpp goes.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

// The figure mesh's vertex array, bound by the initial GL state (0 while there is no figure).
extern GLuint figure_vertex_array;

// Start-up.
// Early GL set-up, in this order around the background program and the index textures:
void build_figure_program();        // first: the toon figure program and its first lookups
void init_figure_mesh_first();      // after the background: vertex array, positions, texture coordinates
void init_figure_mesh_rest();       // after the index textures: normals, bones, indices
// Inside the seeded choices, after the pattern records (render_after_pattern_records):
void look_up_figure_second();       // the figure program's second lookups
void init_ornaments();              // ornament buffers, vertex-colour program, phrase 0's set
void make_sprites();                // sprite textures and lists (the program follows)

// Frame passes.
void figure_pass(int w, int h);
void ornament_pass(int w, int h);
void scene_sprite_pass(int w, int h);
void full_cover_extras(int w, int h, int32_t phrase, float b);
void overlay_pass(int w, int h);
