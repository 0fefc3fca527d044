// The passes of the frame compositor that this layer draws itself: background, post effect and
// cover. They read the frame's values from the core's globals and upload them.
#pragma once
#include <stdint.h>

#include "core/compositor.h"
#include "render/gl_api.h"
#include "render/programs.h"

// The texture units of the compositor's samplers. Unit 0 is the one every other pass binds
// its textures on and the one left active after a pass.
enum : int {
    unit_pattern = 0,     // the cover's textured picture (sampler TX)
    unit_scene_copy = 1,  // the post effect's frame before the effect (sampler S)
    unit_echo_memory = 2, // the post effect's frame after the last echo (sampler L)
};

// Kept between frames.
struct compositor_state {
    GLuint scene_copy;  // the frame before the post effect, on unit_scene_copy
    GLuint echo_memory; // the frame after an echo, on unit_echo_memory
    int32_t target_width, target_height;
    bool echo_reset;    // refill the echo memory from the screen before its next use
};
extern compositor_state compositor;
// Whether the cover's fractal glows through in the last 14 seconds: on by default (the Linux
// player and the offscreen renderer); the Windows player turns it off before start-up.
extern bool cover_last_glow;

// Starts the echo afresh: its next frame echoes the screen it finds instead of older frames
// (a frame drawn alone, away from the frames before it).
void restart_echo();

// The post effect's two targets (scene_copy, echo_memory) at w x h: made on the first frame
// that needs them and remade at a new size, which restarts the echo.
void size_post_targets(int w, int h);

// Uploads the background's uniforms to program p (its first p_active P parameters).
void upload_background(const gl_program& p, int p_active, int w, int h);
// Uploads the cover's uniforms (all but the textured picture's sampler) to program p.
void upload_cover(const gl_program& p, const cover_state& cover, int w, int h);

void background_pass(int w, int h);
void post_pass(int w, int h);
void cover_pass(int w, int h); // with the full-cover extras when the phrase is fully covered
