// Values the figure pass uploads that are decided on the CPU: the light colours from the
// palette and the piece matrices with the loudness pulse.
#pragma once

// The light direction (unit length).
extern const float figure_light[3];

struct figure_colours {
    float K[3];  // shadow level: min(0.3 * PL[3] / max(luma, 0.03), 0.75)
    float S[3];  // lit level added to K: 1 - 0.85 K
    float SC[3]; // highlight colour: 0.4 + 0.6 PL[1]
};
figure_colours figure_colours_of(const float palette[4][3]);

// The piece's matrix at a dance-phase time with its loudness pulse: the upper-left 3x3 scaled by
// 1 + pulse * kick (kick = AU.x), the translation unchanged.
void pulsed_piece_matrix(int piece, float phase, float kick, float out[16]);
