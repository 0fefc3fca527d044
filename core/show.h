// Track choice, the shared show values and the two plans (shots and phrases).
#pragma once
#include <stdint.h>

#include "core/payload.h"

// Shared show values; the defaults are those of a show without a track.
struct show_values {
    float beats_per_second; // tempo_bpm / 60, single precision
    float beat_origin;
    float show_length;
    float feature_rate;
    float loop_length;
    const uint8_t* features; // feature_count frames of 4 bytes
    uint32_t feature_count;
    const uint8_t* energy; // energy_count bytes
    uint32_t energy_count;
};
extern show_values show;
extern int32_t chosen_track; // -1: no track

void reset_show_values();

// A record the player can play: its blocks fit and its timing values keep every later
// computation finite (no zero or negative tempo or rate, no negative loop).
bool track_record_playable(const track_record& r, uint32_t bytes);
// Why a record is not playable, or null when it is.
const char* track_record_problem(const track_record& r, uint32_t bytes);

enum : int {
    plan_capacity = 400,
    phrase_capacity = 96,
};

// Show plan: plan_count entries and a sentinel start time after the last one.
extern float plan_start[plan_capacity + 1];
extern int8_t plan_variant[plan_capacity];
extern uint8_t plan_kind[plan_capacity];
extern uint32_t plan_key[plan_capacity];
extern int32_t plan_count;

// Phrase plan, phrase p = beats 32p..32p+31 from beat_origin.
extern uint8_t phrase_effect[phrase_capacity];
extern uint8_t phrase_cover[phrase_capacity];
extern uint8_t phrase_cover_shape[phrase_capacity];
extern uint8_t phrase_cover_style[phrase_capacity];

// Picks the record nearest to the mood point (one draw per record) and copies its values.
void choose_track();
// The track's energy at show time t, 0..1; 0.5 without an energy list.
float energy_at(float t);
void build_show_plan();
void build_phrase_plan(bool pattern_exists);
void reset_plans();
