// Beat, phrase, dance phase and the current plan entry as functions of the show time.
#pragma once
#include <stdint.h>

struct cue_state {
    float t;
    float beat;
    float dance_phase; // (0.5 beat) mod 16 in [0, 16)
    int32_t phrase;
    int32_t current_entry; // kept from frame to frame
    float entry_start;
    float next_start;
    int8_t entry_variant;
    uint8_t entry_kind;
    uint32_t entry_key;
    float entry_progress;
    float energy;
    float eased_progress;
};
extern cue_state cue;

void reset_cue();
float dance_phase_of(float beat);
int32_t phrase_of(float beat);
// The per-frame walk: beat, dance phase, entry, progress, energy and easing at show time t.
void update_cue(float t);
// Whether the show is over at time t.
bool show_over(float t);
