#include "audio/features.h"

#include <math.h>

#include "core/fmath.h"
#include "core/show.h"

audio_frame audio;

void update_audio_features(float t) {
    audio.time = t;
    float beat = (t - show.beat_origin) * show.beats_per_second;
    audio.beat = beat;
    if (show.feature_count < 2 || !show.features) {
        float x = (float)show_exp((double)(beat - floorf(beat)) * -4.0);
        audio.AU[0] = x;
        audio.AU[1] = show_sinf(0.785f * beat) * 0.5f + 0.5f;
        audio.AU[2] = show_expf(fmodf(2.0f * beat, 1.0f) * -6.0f);
        audio.AU[3] = x * x;
        return;
    }
    float u = show.loop_length > 0.0f ? fmodf(t, show.loop_length) : t;
    float f = u * show.feature_rate;
    const uint32_t last_pair = show.feature_count - 2;
    uint32_t i;
    if (!(f >= 1.0f))
        i = 0; // negative, small or not a number
    else if (f >= (float)last_pair)
        i = last_pair;
    else
        i = (uint32_t)f;
    float a = f - (float)i;
    if (!(a >= 0.0f)) a = 0.0f;
    if (a > 1.0f) a = 1.0f;
    const unsigned char* f0 = show.features + 4u * i;
    const unsigned char* f1 = f0 + 4;
    for (int c = 0; c < 4; ++c) {
        float b0 = (float)f0[c];
        float b1 = (float)f1[c];
        audio.AU[c] = (b0 + (b1 - b0) * a) * 0.003921569f;
    }
}

float ease_elastic(float x) {
    if (x <= 0.0f) return 0.0f;
    if (x >= 1.0f) return 1.0f;
    return 1.0f - (float)show_exp(-6.0 * (double)x) * show_cosf(11.0f * x);
}
