#include "core/compositor.h"

#include <math.h>
#include <string.h>

#include "core/fmath.h"
#include "core/show.h"

// The post effect fades in over a phrase's first 2 beats and out over its last 2.
static const float post_fade_beats = 2.0f;
// The cover wipes out over the beat after its length and in over a phrase's last beat, into
// the next phrase's picture and mask.
static const float cover_wipe_beats = 1.0f;
// The closing glow: the cover's fractal shows through at this strength in the last seconds.
static const float closing_glow_seconds = 14.0f;
static const float closing_glow = 0.3f;

float post_fade(float b) {
    if (b < post_fade_beats) return b / post_fade_beats;
    if (b > (float)beats_per_phrase - post_fade_beats) return ((float)beats_per_phrase - b) / post_fade_beats;
    return 1.0f;
}

post_state post_for_frame(int32_t phrase, float beat) {
    post_state s = {0, 0.0f};
    if (phrase < 0 || phrase >= phrase_capacity) return s;
    s.effect = phrase_effect[phrase];
    if (s.effect == effect_none) return s;
    s.k = post_fade(beat - (float)beats_per_phrase * (float)phrase);
    return s;
}

cover_state cover_for_frame(int32_t phrase, float beat, float t, float show_length, bool last_glow) {
    cover_state c = {};
    // The last phrase has no next phrase to wipe into: no cover there.
    if (phrase < 0 || phrase >= phrase_capacity - 1) return c;
    float b = beat - (float)beats_per_phrase * (float)phrase;
    c.b = b;
    c.style = phrase_cover_style[phrase];
    c.shape = phrase_cover_shape[phrase];
    float length = (float)beats_per_bar * (float)phrase_cover[phrase];
    if (phrase >= 1 && b < length) {
        c.full_cover = true;
        c.k = 1.0f;
    } else if (phrase >= 1 && b < length + cover_wipe_beats) {
        c.k = 1.0f - (b - length);
    }
    if (b > (float)beats_per_phrase - cover_wipe_beats) {
        c.style = phrase_cover_style[phrase + 1];
        c.shape = phrase_cover_shape[phrase + 1];
        c.k = b - ((float)beats_per_phrase - cover_wipe_beats);
    }
    if (last_glow && t > show_length - closing_glow_seconds) {
        c.glow = closing_glow;
        c.draw = true;
    } else {
        c.glow = 0.0f;
        c.draw = c.k > 0.0f;
    }
    c.turn = (c.shape & 1) ? 1.0f : -1.0f; // neighbouring pictures turn opposite ways
    return c;
}

void sprite_model_matrix(int w, int h, float x, float y, float s, float a, float q, float out[16]) {
    float r = s * (float)h / (float)w;
    float c = show_cosf(a), n = show_sinf(a);
    for (int i = 0; i < 16; ++i) out[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    out[0] = c * s / q;
    out[1] = s * n;
    out[4] = -(r * n) / q;
    out[5] = c * r;
    out[12] = x;
    out[13] = y;
}

void initial_projection(int w, int h, float out[16]) {
    // A perspective projection with near plane 0.05 and far plane 400: its depth terms
    // -(far + near) / (far - near) and -2 far near / (far - near), kept as exact bit patterns.
    static const uint32_t depth_scale_bits = 0xBF800831u, depth_offset_bits = 0xBDCCD35Au;
    // The focal scale, 1 / tan(half the vertical field of view): about 22.9 degrees.
    static const float focal_scale = 4.93827f;
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    out[0] = focal_scale * (float)h / (float)w;
    out[5] = focal_scale;
    memcpy(&out[10], &depth_scale_bits, 4);
    out[11] = -1.0f;
    memcpy(&out[14], &depth_offset_bits, 4);
}
