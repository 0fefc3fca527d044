// The drawing side of the player: what the platform layers and the offscreen renderer call.
//
// Everything here runs on the thread that owns a current OpenGL 3.3 core context, in this order:
//
//   1. gl_resolve(get_proc)             (render/gl_api.h) the 34 newer entry points; false when a
//                                       name is missing (the Linux player then exits with 2)
//   2. render_init_early()              figure program slot, background program and its vertex
//                                       array, figure mesh slot, built-in index textures
//   3. run_startup_choices(seed, hooks) (player/startup.h) with render_startup_hooks(&hooks) called
//                                       first: it fills upload_pattern and after_pattern_records
//                                       and leaves the other hooks alone
//   4. render_init_late(w, h)           cover and post programs, their vertex array, the initial
//                                       GL state and the initial projection matrix
//   5. each frame: update_audio_features(t); update_cue(t); render_frame(w, h); swap buffers
//
// render_frame reads the frame's values from the core's globals (cue, audio, show, PL, MOOD and
// the phrase plan); it decides nothing itself and never allocates. It leaves the depth test
// enabled. The two render targets of the post effect are made on the first frame that plays one.
#pragma once
#include <stdint.h>

struct startup_hooks;

// The early GL set-up, before the seed is known.
void render_init_early();

// The pattern textures of the seeded choices, one call per pattern choice: the choice's 256 x 256 image, made in the
// 64 KB scratch buffer, replaces the slot's built-in texture; it becomes the pattern texture.
void render_upload_pattern(int choice, uint8_t* scratch);
// After the pattern textures (figure lookups, ornaments, sprites): empty slots for now.
void render_after_pattern_records();
// Sets hooks->upload_pattern and hooks->after_pattern_records to the two functions above.
void render_startup_hooks(startup_hooks* hooks);

// The late GL set-up, after the seeded choices; w and h are the screen size of the window.
void render_init_late(int w, int h);

// The passes of one frame into the bound framebuffer, w x h pixels.
void render_frame(int w, int h);

// Measuring hook: when set, render_frame calls it after each step of the frame with the step's
// index (render_step_*), so a benchmark can time the passes. Null in the player.
enum : int {
    render_step_warm_up, // a specialised program drawn once ahead of its use (render/fast_programs.h)
    render_step_clear,
    render_step_background,
    render_step_figure,
    render_step_ornaments,
    render_step_scene_sprites,
    render_step_post,
    render_step_cover,
    render_step_overlay,
    render_step_count,
};
extern void (*render_step_done)(int step);

// The GL name of the pattern texture (the last slot that received a pattern), 0 while none.
uint32_t render_pattern_texture();

// The projection matrix (column-major); render_init_late sets its initial value, the camera
// rewrites elements 0 and 5 each frame.
extern float projection_matrix[16];
