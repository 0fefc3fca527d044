// The passes of the frame compositor that this layer draws itself: background, post effect and
// cover. They read the frame's values from the core's globals and upload them.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

// Kept between frames.
struct compositor_state {
    GLuint scene_copy;  // the frame before the post effect (sampler S, unit 1)
    GLuint echo_memory; // the frame after an echo (sampler L, unit 2)
    int32_t target_width, target_height;
    bool echo_reset;    // refill the echo memory from the screen before its next use
};
extern compositor_state compositor;
// Whether the cover's fractal glows through in the last 14 seconds: on by default (the Linux
// player and the offscreen renderer); the Windows player turns it off before start-up.
extern bool cover_last_glow;

void background_pass(int w, int h);
void post_pass(int w, int h);
void cover_pass(int w, int h); // with the full-cover extras when the phrase is fully covered
