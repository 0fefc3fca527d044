// Show palette, mood values and the figure's pattern records.
#pragma once
#include <stdint.h>

extern float PL[4][3];   // the show palette, linear RGB
extern float MOOD[4];    // mood_x, mood_y, style value, hue base

enum : int {
    piece_count = 48,
    pattern_record_floats = 7,
};
extern float pattern_records[piece_count][pattern_record_floats];

extern const float preset_palettes[6][4][3];
extern const uint8_t piece_class[piece_count];
extern const float piece_size_divisor[piece_count];
extern const float accent_hue_offsets[4];

float luma(const float c[3]);                 // 0.3 R + 0.59 G + 0.11 B
float perceived_brightness(const float c[3]); // pow(luma, 0.45454543)
void hsv_to_linear(float hue, float saturation, float value, float out[3]);

void make_palette();
void make_pattern_records(bool pattern_exists);
void reset_palette();
