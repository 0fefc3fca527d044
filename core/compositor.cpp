#include "core/compositor.h"

#include <math.h>
#include <string.h>

#include "core/fmath.h"
#include "core/show.h"

float post_fade(float b) {
    if (b < 2.0f) return 0.5f * b;
    if (b > 30.0f) return 0.5f * (32.0f - b);
    return 1.0f;
}

post_state post_for_frame(int32_t phrase, float beat) {
    post_state s = {0, 0.0f};
    if (phrase < 0 || phrase > 95) return s;
    s.effect = phrase_effect[phrase];
    if (s.effect == 0) return s;
    s.k = post_fade(beat - 32.0f * (float)phrase);
    return s;
}

cover_state cover_for_frame(int32_t phrase, float beat, float t, float show_length, bool last_glow) {
    cover_state c = {};
    if (phrase < 0 || phrase > 94) return c;
    float b = beat - 32.0f * (float)phrase;
    c.b = b;
    c.style = phrase_cover_style[phrase];
    c.shape = phrase_cover_shape[phrase];
    float length = 4.0f * (float)phrase_cover[phrase];
    if (phrase >= 1 && b < length) {
        c.full_cover = true;
        c.k = 1.0f;
    } else if (phrase >= 1 && b < length + 1.0f) {
        c.k = 1.0f - (b - length);
    }
    if (b > 31.0f) {
        c.style = phrase_cover_style[phrase + 1];
        c.shape = phrase_cover_shape[phrase + 1];
        c.k = b - 31.0f;
    }
    if (last_glow && t > show_length - 14.0f) {
        c.glow = 0.3f;
        c.draw = true;
    } else {
        c.glow = 0.0f;
        c.draw = c.k > 0.0f;
    }
    c.turn = (c.shape & 1) ? 1.0f : -1.0f;
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
    static const uint32_t m10 = 0xBF800831u, m14 = 0xBDCCD35Au;
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    out[0] = 4.93827f * (float)h / (float)w;
    out[5] = 4.93827f;
    memcpy(&out[10], &m10, 4);
    out[11] = -1.0f;
    memcpy(&out[14], &m14, 4);
}
