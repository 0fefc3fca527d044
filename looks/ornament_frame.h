// The draws of the ornaments in one frame, without GL: for every non-empty spin group of every
// visible slot, its vertex range and its matrix. The GL side uploads each matrix and draws.
#pragma once
#include <stdint.h>

#include "looks/ornaments.h"

struct ornament_draw {
    int32_t first, count;
    float mvp[16];
};
extern ornament_draw ornament_draws[ornament_group_capacity];

// The slot's base matrix at a dance phase: its placement, riding on its piece when it has one.
void ornament_slot_base(int slot, float dance_phase, float out[16]);
// The frame's ornament draws under the view-projection vp; returns how many.
int ornament_frame_draws(float t, float beat, float dance_phase, const float AU[4], const float vp[16]);
// The draws of one slot's ornament as the full-screen emblem, grown by f; returns how many.
int emblem_draws(int slot, float t, float beat, float f, const float AU[4], float aspect);
