// The frame compositor's per-frame decisions, without GL: which post effect and which cover a
// frame plays and how strongly, the sprite model matrix and the initial projection matrix.
// The GL passes (render/passes.h) only upload what these return.
#pragma once
#include <stdint.h>

// Post effect of a frame: effect 0 = none (also for phrases past the plan).
struct post_state {
    int effect; // post_effect (core/show.h); the kaleidoscope also takes 3
    float k;    // fade: in over the first 2 beats, out over the last 2
};
// The fade alone, for the beat b within the phrase.
float post_fade(float b);
post_state post_for_frame(int32_t phrase, float beat);

// Cover of a frame.
struct cover_state {
    bool draw;        // false: the pass draws nothing
    bool full_cover;  // the phrase is fully covered: the full-cover extras follow the draw
    float k;          // coverage amount
    float glow;       // M: the fractal's own glow
    int style;        // S: the reveal mask (reveal_mask, core/show.h)
    int shape;        // F: the picture (cover_picture, core/show.h)
    float turn;       // Z: +1 for odd pictures, -1 for even ones
    float b;          // beat within the phrase
};
// last_glow: the Linux build's glow in the last 14 seconds (M = 0.3, drawn even when k is 0).
cover_state cover_for_frame(int32_t phrase, float beat, float t, float show_length, bool last_glow);

// The model matrix of a sprite w x h pixels at centre (x, y), scale s, angle a (radians) and
// aspect ratio q (viewport width / height), column-major.
void sprite_model_matrix(int w, int h, float x, float y, float s, float a, float q, float out[16]);

// The start-up projection matrix for a w x h screen, column-major.
void initial_projection(int w, int h, float out[16]);
