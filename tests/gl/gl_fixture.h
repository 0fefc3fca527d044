// The GL tests' shared context: one surfaceless EGL context for the whole run, with every
// program of the render layer built as the player builds them.
#pragma once
#include <stdint.h>

#include <functional>
#include <string>

#include "render/gl_api.h"

enum : int { fb_width = 192, fb_height = 108 };

// Whether the context and the programs are up; why_not says what failed otherwise.
bool gl_ready();
const char* gl_why_not();

// The GL state that start-up left, read right after it.
struct recorded_gl_state {
    bool depth_test;
    float clear_colour[4];
    float projection[16]; // the projection matrix start-up set (each frame's camera replaces it)
};
extern recorded_gl_state startup_gl_state;

// GL 2.0 functions the player never calls (status and logs), resolved for the tests.
extern PFNGLGETSHADERIVPROC test_glGetShaderiv;
extern PFNGLGETSHADERINFOLOGPROC test_glGetShaderInfoLog;
extern PFNGLGETPROGRAMIVPROC test_glGetProgramiv;
extern PFNGLGETPROGRAMINFOLOGPROC test_glGetProgramInfoLog;
extern PFNGLGETATTACHEDSHADERSPROC test_glGetAttachedShaders;

// RGBA bytes of the w x h corner of the framebuffer, row 0 at the bottom.
void read_rgba(int w, int h, uint8_t* out);

// Fills the w x h corner with a known picture: smooth ramps of exact 8-bit values.
// variant 0 and 1 give two different pictures; ramp_texel is what they store.
void draw_ramp(int w, int h, int variant);
void ramp_texel(int x, int y, int variant, uint8_t out[4]);

// Compares a read-back frame with a reference evaluated at each pixel centre (false from the
// reference: the fragment is discarded, the pixel must keep `kept`). A pixel that differs by
// more than 2/255 is accepted as lying on an edge of the picture when the reference gives the
// drawn value somewhere within 0.1 pixel of the centre.
struct frame_comparison {
    int pixels = 0, exact = 0, on_edges = 0, wrong = 0;
    std::string first_wrong;
};
using pixel_reference = std::function<bool(float fx, float fy, float out[4])>;
frame_comparison compare_frame(int w, int h, const uint8_t* frame, const pixel_reference& reference,
                               const uint8_t kept[4]);
