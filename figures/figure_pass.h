// The figure's GL side: its program, the mesh upload and the figure pass (render/slots.h names
// the start-up steps and the pass slot these fill).
#pragma once

#include "render/gl_api.h"

// Table indices of the figure program's two uniform lookups.
enum : int {
    fig_MVP, fig_M, fig_B, fig_O, fig_A, fig_t, fig_beat, fig_OI, fig_INST, fig_VCON,
    fig_cue, fig_sinceCue, fig_L, fig_S, fig_K, fig_BONES, fig_IDX, fig_PAL, fig_HASTEX, fig_CAMP,
};
enum : int { fig2_PT, fig2_PA, fig2_PB, fig2_PC, fig2_AU, fig2_PBT, fig2_IDX, fig2_RC, fig2_SC, fig2_XS };

extern const char* const figure_uniform_names_first[20];
extern const char* const figure_uniform_names_second[10];

// The mesh buffers (positions, texture coordinates, normals, bone indices, bone weights, indices).
extern GLuint figure_buffers[6];

// A new vertex array on the current context reading the figure's mesh buffers as the
// figure's own does (vertex arrays are not shared between contexts; buffers are), left bound.
GLuint figure_vertex_array_here();

// The figure pass with the frame's values taken from the core (cue, audio, camera, palette,
// pattern records): bones, lights, then the 48 pieces, one draw each.
void draw_figure();
