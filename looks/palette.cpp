#include "looks/palette.h"

#include <math.h>
#include <string.h>

#include "core/fmath.h"
#include "core/rng.h"

float PL[4][3];
float MOOD[4];
float pattern_records[piece_count][pattern_record_floats];

const float preset_palettes[6][4][3] = {
    {{0.0005f, 0.0005f, 0.0008f}, {0.8434f, 0.7818f, 0.6187f}, {0.586f, 0.0017f, 0.009f}, {0.7147f, 0.3918f, 0.3139f}},
    {{0.017f, 0.0037f, 0.0582f}, {0.8751f, 0.586f, 0.8751f}, {0.9574f, 0.0415f, 0.3112f}, {0.9163f, 0.3137f, 0.5931f}},
    {{0.0008f, 0.017f, 0.009f}, {0.7969f, 0.9574f, 0.586f}, {0.017f, 0.7227f, 0.1011f}, {0.407f, 0.84f, 0.3435f}},
    {{0.0037f, 0.0008f, 0.0415f}, {1.0f, 0.7969f, 0.0f}, {0.0f, 0.017f, 1.0f}, {0.5f, 0.407f, 0.5f}},
    {{0.009f, 0.0037f, 0.0415f}, {0.9574f, 0.7227f, 0.4098f}, {0.8751f, 0.1011f, 0.3587f}, {0.9163f, 0.4119f, 0.3842f}},
    {{0.0003f, 0.0003f, 0.0003f}, {0.9158f, 0.9158f, 0.8751f}, {1.0f, 0.1905f, 0.0f}, {0.9579f, 0.5532f, 0.4375f}},
};

const float accent_hue_offsets[4] = {0.5f, 0.33f, 0.15f, 0.08f};

const uint8_t piece_class[piece_count] = {
    1, 1, 1, 1, 1, 1, 1, 1, 0, 3, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 2, 2, 1,
    1, 1, 0, 1, 1, 1, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
};

const float piece_size_divisor[piece_count] = {
    0.64f,  0.64f,  0.64f, 0.64f, 0.64f,  0.64f, 0.64f,   0.64f,  1.0f,   2.495f, 2.495f, 2.495f,
    2.495f, 2.495f, 2.495f, 2.495f, 2.495f, 1.0f, 1.0f,   1.0f,   1.0f,   14.0f,  14.0f,  4.74f,
    4.74f,  5.7f,   1.0f,  5.118f, 2.378f, 2.378f, 1.0f,  1.0f,   1.0f,   1.0f,   1.0f,   1.0f,
    1.0f,   1.0f,   1.0f,  1.0f,  1.0f,   1.0f,  1.0f,    1.0f,   1.0f,   1.0f,   1.0f,   1.0f,
};

float luma(const float c[3]) { return 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2]; }

float perceived_brightness(const float c[3]) { return show_powf(luma(c), 0.45454543f); }

void hsv_to_linear(float hue, float saturation, float value, float out[3]) {
    float h = hue - floorf(hue);
    for (int i = 0; i < 3; ++i) {
        float k = fmodf((float)(5 - 2 * i) + 6.0f * h, 6.0f);
        float g = fminf(k, 4.0f - k);
        if (g < 0.0f) g = 0.0f;
        if (g > 1.0f) g = 1.0f;
        out[i] = show_powf(value - value * saturation * g, 2.2f);
    }
}

void reset_palette() {
    memset(PL, 0, sizeof PL);
    memset(MOOD, 0, sizeof MOOD);
    memset(pattern_records, 0, sizeof pattern_records);
}

void make_palette() {
    float a = rng_next();
    float b = rng_next();
    float c = rng_next();
    float r = rng_next();
    if (r < 0.35f) {
        int d = rng_below(6);
        memcpy(PL, preset_palettes[d], sizeof PL);
        float s = perceived_brightness(PL[1]) + perceived_brightness(PL[2]) + perceived_brightness(PL[3]);
        b = 1.0f - (s / 3.0f) * 1.4f;
        if (b < 0.0f) b = 0.0f;
    } else {
        float l = 1.0f - 0.45f * b;
        float offset = accent_hue_offsets[rng_below(4)];
        float e1 = rng_next();
        float e2 = rng_next();
        float e3 = rng_next();
        hsv_to_linear(c + 0.5f - 0.1f + 0.2f * e3, 0.4f + 0.49999997f * e2, 0.05f + (1.0f - b) * 0.3f * e1, PL[0]);
        float e4 = rng_next();
        float e5 = rng_next();
        hsv_to_linear(c - 0.06f + 0.12f * e5, 0.05f + 0.29999998f * e4, l, PL[1]);
        float e6 = rng_next();
        float e7 = rng_next();
        hsv_to_linear(c, 0.7f + 0.3f * e7, (0.75f + 0.25f * e6) * l, PL[2]);
        float e8 = rng_next();
        float e9 = rng_next();
        hsv_to_linear(c + offset, 0.6f + 0.39999998f * e9, (0.7f + 0.3f * e8) * l, PL[3]);
    }
    MOOD[0] = a;
    MOOD[1] = b;
    MOOD[2] = rng_next();
    MOOD[3] = c;
}

void make_pattern_records(bool pattern_exists) {
    const float mood_x = MOOD[0];
    for (int i = 0; i < piece_count; ++i) {
        float* rec = pattern_records[i];
        for (int j = 0; j < pattern_record_floats; ++j) rec[j] = 0.0f;
        int cls = piece_class[i];
        if (cls == 0) continue;
        int kind = rng_below(12) + 1;
        if (kind == 9 && !pattern_exists) kind = 12;
        float frequency = (mood_x * 0.8f + 0.6f) * (rng_next() * 3.5f + 1.5f) / piece_size_divisor[i];
        float drift = 0.0f;
        if (rng_below(3) != 0) drift = (2.0f * rng_next() - 1.0f) * (mood_x + 0.3f);
        float projection;
        if (cls == 2)
            projection = 0.0f;
        else if (cls == 3)
            projection = 1.0f;
        else
            projection = rng_below(2) != 0 ? 1.0f : 2.0f;
        int f4 = rng_below(4);
        int h = rng_below(3);
        int f5 = (f4 + h + 1) % 4;
        int f6;
        do f6 = rng_below(4);
        while (f6 == f4 || f6 == f5);
        rec[0] = (float)kind;
        rec[1] = frequency;
        rec[2] = projection;
        rec[3] = drift;
        rec[4] = (float)f4;
        rec[5] = (float)f5;
        rec[6] = (float)f6;
    }
}
