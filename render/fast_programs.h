// Specialised programs for the full-screen passes. The general background, cover and post
// programs choose their pattern, picture, mask and effect per pixel from uniforms, and a
// software renderer (Mesa's llvmpipe) pays for every branch on every pixel. Here each choice
// is made when the program is built (#define lines ahead of the source), and whatever depends
// on uniforms alone is computed once in the vertex shader; the pixels are those of the general
// programs, which stay as the reference the tests compare with.
//
// Only the programs the show's plans use are built, and each is drawn once into a 1 x 1
// scissor box on an earlier frame (a quiet one where possible), because the driver compiles a
// program's machine code at its first draw: that cost lands on a frame where nothing else is
// drawn rather than on the first frame of a phrase. Where a worker thread readies them first
// (render/program_worker.h), that draw only loads the driver's cached code.
#pragma once
#include <stdint.h>

#include <atomic>

#include "render/gl_state.h"
#include "render/programs.h"

// The frame draws with the specialised programs when true (the player); false draws every
// full-screen pass with the general programs and their original GL state (the tests' reference).
extern bool fast_programs_on;

// The picture index of a cover shape: 0 to 4 and 6 are themselves, every other value draws the
// log-polar dots (5). The mask index of a cover style: 5 and above are the spiral (5).
int fast_cover_picture(int shape);
int fast_cover_mask(int style);

// Plans the warm-up from the phrase plan, the background's style and the show length: which
// programs the show uses and from which beat. Called once the plans exist (render_init_late).
void fast_plan_programs();

// Warms at most one program of the plan, drawing it into a 1 x 1 box at the bottom-left pixel:
// at the start of a frame, before the frame's clear. Returns true when it warmed one.
bool fast_warm_step(int w, int h);
// Whether this frame's warm step warmed a program (the figure's warm-up then waits a frame).
extern bool fast_warmed_this_frame;

// The worker thread's part (render/program_worker.h): builds each planned program that is
// first needed before `before_beat` and not built yet, in the order the show needs them, and
// draws it once with the state the plan draws it with, through the worker's own
// `vertex_array` and the worker's own screen-copy textures (of the frame's size and format).
// Returns early when `stop` is set.
void fast_prepare_programs(const std::atomic<bool>& stop, float before_beat, GLuint vertex_array,
                           GLuint scene_copy, GLuint echo_memory, int w, int h);

// How many programs the plan holds and how many of them are warm (for tests and measurements).
int fast_planned_count();
int fast_warm_count();
// How many of them a worker thread built and drew (render/program_worker.h).
int fast_primed_count();

// The specialised programs, built on first request when the plan did not build them yet.
// Their uniform tables follow the general programs' name lists (bg_*, cover_*, post_*).
const gl_program* fast_background_program(int style, int* p_active);
const gl_program* fast_cover_program(int mask, int picture, bool blend);
const gl_program* fast_post_program(int effect);

// The passes with the specialised programs: the same pixels as background_pass and cover_pass
// with the general programs, drawing no pixel that cannot change the frame (no blending where
// the drawn alpha is 1 or the fragment is discarded; the background only inside the box where
// the cover lets it show).
// fast_background_pass draws after the scene (figure, ornaments, scene sprites), behind it: at
// the far depth, where the depth buffer still holds its cleared value (every scene pixel is
// opaque and nearer), so the pixels the scene covers are never computed.
void fast_background_pass(int w, int h);
void fast_cover_pass(int w, int h);

// The box (x, y, width, height in pixels) outside which no background pixel can reach the
// finished frame, for the frame's values; width 0: none can. Exposed for the tests.
void fast_background_box(int w, int h, int box[4]);

// The scene drawn over the background (figure, ornaments, scene sprites) shows no more than
// the background does: with the specialised programs these passes draw inside the same box
// (nothing where an opaque cover hides the whole scene; the whole frame in an echo phrase).
// Begin finds the box, end forgets it; the scene passes declare it in their state
// (scene_pass_state). On the reference path there is no box.
void fast_scene_scissor_begin(int w, int h);
void fast_scene_scissor_end();

// The state a scene pass starts from: depth test on, no blending, and the scene's scissor box
// while there is one.
gl_pass_state scene_pass_state(GLuint program, GLuint vertex_array);
