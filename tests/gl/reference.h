// CPU evaluations of the full-screen shaders, pixel by pixel, in single precision: what the
// background, cover and post programs must draw at a fragment position (fx, fy) (pixel centres
// at .5). Colours come out as the 0..1 values the framebuffer stores.
#pragma once
#include <stdint.h>

// An RGBA8 or R8 texture as the sampler sees it, filtered bilinearly.
struct ref_texture {
    int width, height, channels; // channels: 1 (red only) or 4
    const uint8_t* texels;       // row 0 at the bottom, as GL stores it
    bool repeat;                 // else clamp to edge
};
void sample_bilinear(const ref_texture& t, float u, float v, float out[4]);

struct background_inputs {
    float R[2], t, beat, P[2], COL[3], PL[4][3], AU[4], MOOD[4];
};
void background_reference(const background_inputs& in, float fx, float fy, float out[4]);

struct cover_inputs {
    float R[2], T, B, AU[4], PL[4][3], K;
    int S, F;
    float M, Z;
    const ref_texture* TX;
};
// False where the fragment is discarded.
bool cover_reference(const cover_inputs& in, float fx, float fy, float out[4]);

struct post_inputs {
    float R[2], T, B, AU[4];
    const ref_texture* S;
    const ref_texture* L;
    int E;
    float K;
};
void post_reference(const post_inputs& in, float fx, float fy, float out[4]);
