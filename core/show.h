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
    beats_per_bar = 4,
    bars_per_phrase = 8,
    beats_per_phrase = beats_per_bar * bars_per_phrase,
};

// The camera move of a show-plan entry (plan_kind).
enum scene_kind : uint8_t {
    scene_orbit = 0,
    scene_descend_and_close_in = 1, // also every show's first entry
    scene_rise_and_pull_back = 2,
    scene_crane_down = 3,
    scene_ground_level = 4,
    scene_close_up = 5,
    scene_tracking = 6,
    scene_swoop = 7,
    scene_top_view = 8,
};

// A phrase's post effect (phrase_effect).
enum post_effect : uint8_t {
    effect_none = 0,
    effect_echo = 1,
    effect_kaleidoscope = 2,
};

// A phrase's cover (phrase_cover): none, or the full-screen cover over its first bars.
enum cover_length : uint8_t {
    cover_none = 0,
    cover_two_bars = 2,  // 8 beats
    cover_four_bars = 4, // 16 beats
};

// The picture the cover program draws (phrase_cover_shape, its uniform F).
enum cover_picture : uint8_t {
    picture_julia = 0,
    picture_mandelbrot = 1,
    picture_bit_carpet = 2,
    picture_inversion = 3,
    picture_box_fold = 4,
    picture_log_polar_dots = 5, // also the picture when no other can be picked
    picture_textured = 6,       // samples the pattern texture: only when one exists
};

// The reveal mask of the cover (phrase_cover_style, its uniform S).
enum reveal_mask : uint8_t {
    mask_circle = 0,
    mask_wavy_circle = 1,
    mask_diamonds = 2,
    mask_clover = 3,
    mask_stripes = 4,
    mask_spiral = 5,
};

// Show plan: plan_count entries and a sentinel start time after the last one. plan_kind holds
// scene_kind values.
extern float plan_start[plan_capacity + 1];
extern int8_t plan_variant[plan_capacity];
extern uint8_t plan_kind[plan_capacity];
extern uint32_t plan_key[plan_capacity];
extern int32_t plan_count;

// Phrase plan, phrase p = beats 32p..32p+31 from beat_origin; post_effect, cover_length,
// cover_picture and reveal_mask values. Phrase 0 is never planned.
extern uint8_t phrase_effect[phrase_capacity];
extern uint8_t phrase_cover[phrase_capacity];
extern uint8_t phrase_cover_shape[phrase_capacity];
extern uint8_t phrase_cover_style[phrase_capacity];

// Picks the record nearest to the mood point (mood_x, mood_y: the palette's mood; one draw per
// record) and copies its values.
void choose_track(float mood_x, float mood_y);
// The track's energy at show time t, 0..1; 0.5 without an energy list.
float energy_at(float t);
// The shot plan; mood_x (how lively the palette's mood is) leans every shot's liveliness.
void build_show_plan(float mood_x);
void build_phrase_plan(bool pattern_exists);
void reset_plans();
