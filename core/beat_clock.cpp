#include "core/beat_clock.h"

#include <math.h>

#include "core/show.h"

cue_state cue;

void reset_cue() { cue = cue_state{}; }

float dance_phase_of(float beat) {
    float d = fmodf(0.5f * beat, 16.0f);
    if (d < 0.0f) d += 16.0f;
    return d;
}

int32_t phrase_of(float beat) {
    if (!(beat > 0.0f)) return 0;
    float p = beat * 0.03125f;
    return p < 2147483520.0f ? (int32_t)p : 2147483647;
}

bool show_over(float t) { return t > show.show_length + 0.3f; }

void update_cue(float t) {
    cue.t = t;
    cue.beat = (t - show.beat_origin) * show.beats_per_second;
    cue.dance_phase = dance_phase_of(cue.beat);
    cue.phrase = phrase_of(cue.beat);

    int32_t current = cue.current_entry;
    if (current < 0) current = 0;
    while (current + 1 < plan_count && t >= plan_start[current + 1]) ++current;
    while (current > 0 && plan_start[current] > t) --current;
    cue.current_entry = current;

    cue.entry_start = plan_start[current];
    cue.next_start = plan_start[current + 1];
    cue.entry_variant = plan_variant[current];
    cue.entry_kind = plan_kind[current];
    cue.entry_key = plan_key[current];
    float end = fminf(cue.next_start, show.show_length);
    float p = (t - cue.entry_start) / (end + 0.001f - cue.entry_start);
    if (!(p >= 0.0f)) p = 0.0f;
    if (p > 1.0f) p = 1.0f;
    cue.entry_progress = p;
    cue.energy = energy_at(t);
    cue.eased_progress = cue.energy <= 0.6f ? p * p * (3.0f - 2.0f * p) : p;
}
