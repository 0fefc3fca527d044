#include "core/figure_values.h"

#include "core/pose.h"
#include "data/scene.h"

const float figure_light[3] = {0.56271f, 0.13880f, 0.81492f};

figure_colours figure_colours_of(const float palette[4][3]) {
    figure_colours c;
    const float* a = palette[3];
    float lum = 0.3f * a[0] + 0.59f * a[1] + 0.11f * a[2];
    if (lum < 0.03f) lum = 0.03f;
    for (int i = 0; i < 3; ++i) {
        float k = 0.3f * (a[i] / lum);
        c.K[i] = k < 0.75f ? k : 0.75f;
        c.S[i] = 1.0f - 0.85f * c.K[i];
        c.SC[i] = 0.4f + 0.6f * palette[1][i];
    }
    return c;
}

void pulsed_piece_matrix(int piece, float phase, float kick, float out[16]) {
    piece_matrix(piece, phase, out);
    float k = scene_piece_pulse[piece];
    if (k > 0.0f) {
        float s = 1.0f + k * kick;
        static const int upper[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
        for (int i : upper) out[i] *= s;
    }
}
