// The figure pass with specialised programs: one program per surface pattern and projection
// (and, for the pieces without a pattern, with or without an index texture), built only for the
// combinations the show's pattern records use. The general figure program evaluates all twelve
// patterns and four projections on every pixel on a software renderer; each specialised one
// evaluates one. The pixels are the general program's, which stays the tests' reference.
//
// A program is built and first drawn (when the driver compiles its machine code) on a frame
// with time to spare, at most one per frame; until then its pieces draw with the general
// program, which gives the same pixels. With a worker thread (render/program_worker.h) the
// worker builds and first draws them, and the frame thread takes each over once it is ready.
#pragma once
#include <atomic>

#include "render/gl_api.h"

// Plans the programs from the pattern records and forgets which uniforms each program holds.
// Called with the other plans (fast_plan_programs).
void fast_figure_plan();

// The figure pass as draw_figure draws it, piece by piece with the specialised programs.
void fast_draw_figure();

// Builds and warms every planned program now (the tests, which compare whole frames at once).
void fast_figure_warm_all();

// The worker thread's part: builds every planned program and draws one triangle with each,
// with the figure pass's state, through `vertex_array` (the worker's own, reading the figure's
// mesh). Returns early when `stop` is set.
void fast_figure_prepare(const std::atomic<bool>& stop, GLuint vertex_array);

// How many programs the plan holds and how many are warm (tests and measurements).
int fast_figure_planned_count();
int fast_figure_warm_count();
// How many planned programs are built (by either thread).
int fast_figure_built_count();
