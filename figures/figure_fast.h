// The figure pass with specialised programs: one program per surface pattern and projection
// (and, for the pieces without a pattern, with or without an index texture), built only for the
// combinations the show's pattern records use. The general figure program evaluates all twelve
// patterns and four projections on every pixel on a software renderer; each specialised one
// evaluates one. The pixels are the general program's, which stays the tests' reference.
//
// A program is built and first drawn (when the driver compiles its machine code) on a frame
// with time to spare, at most one per frame; until then its pieces draw with the general
// program, which gives the same pixels.
#pragma once

// Plans the programs from the pattern records and forgets which uniforms each program holds.
// Called with the other plans (fast_plan_programs).
void fast_figure_plan();

// The figure pass as draw_figure draws it, piece by piece with the specialised programs.
void fast_draw_figure();

// Builds and warms every planned program now (the tests, which compare whole frames at once).
void fast_figure_warm_all();

// How many programs the plan holds and how many are warm (tests and measurements).
int fast_figure_planned_count();
int fast_figure_warm_count();
