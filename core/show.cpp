#include "core/show.h"

#include <math.h>
#include <string.h>

#include "core/rng.h"

// The defaults of a show without a track, from the start (reset_show_values restores them).
show_values show = {2.0f, 0.0f, 16.0f, 20.0f, 0.0f, nullptr, 0, nullptr, 0};
int32_t chosen_track = -1;

float plan_start[plan_capacity + 1];
int8_t plan_variant[plan_capacity];
uint8_t plan_kind[plan_capacity];
uint32_t plan_key[plan_capacity];
int32_t plan_count;

uint8_t phrase_effect[phrase_capacity];
uint8_t phrase_cover[phrase_capacity];
uint8_t phrase_cover_shape[phrase_capacity];
uint8_t phrase_cover_style[phrase_capacity];

// The scene kinds a shot draws from: wide moves when it frames both groups of the figure's
// points; for one group, the calm table in quiet music and the lively one in loud music. A kind
// listed twice is twice as likely.
static const uint8_t both_groups_kinds[4] = {scene_tracking, scene_rise_and_pull_back, scene_crane_down,
                                             scene_top_view};
static const uint8_t calm_kinds[9] = {scene_orbit,      scene_descend_and_close_in, scene_rise_and_pull_back,
                                      scene_ground_level, scene_swoop,              scene_tracking,
                                      scene_orbit,      scene_rise_and_pull_back,   scene_crane_down};
static const uint8_t lively_kinds[9] = {scene_orbit,     scene_crane_down,           scene_top_view,
                                        scene_swoop,     scene_descend_and_close_in, scene_ground_level,
                                        scene_tracking,  scene_orbit,                scene_close_up};

void reset_show_values() {
    show.beats_per_second = 2.0f;
    show.beat_origin = 0.0f;
    show.show_length = 16.0f;
    show.feature_rate = 20.0f;
    show.loop_length = 0.0f;
    show.features = nullptr;
    show.feature_count = 0;
    show.energy = nullptr;
    show.energy_count = 0;
    chosen_track = -1;
}

void reset_plans() {
    memset(plan_start, 0, sizeof plan_start);
    memset(plan_variant, 0, sizeof plan_variant);
    memset(plan_kind, 0, sizeof plan_kind);
    memset(plan_key, 0, sizeof plan_key);
    plan_count = 0;
    memset(phrase_effect, 0, sizeof phrase_effect);
    memset(phrase_cover, 0, sizeof phrase_cover);
    memset(phrase_cover_shape, 0, sizeof phrase_cover_shape);
    memset(phrase_cover_style, 0, sizeof phrase_cover_style);
}

const char* track_record_problem(const track_record& r, uint32_t bytes) {
    const uint64_t n = bytes;
    if ((uint64_t)r.feature_offset + 4ull * r.feature_count > n) return "the feature list reaches past the payload";
    if ((uint64_t)r.energy_offset + r.energy_count > n) return "the energy list reaches past the payload";
    if ((uint64_t)r.mp3_offset + r.mp3_length > n) return "the MP3 stream reaches past the payload";
    // The beat rate tempo_bpm / 60 must not round to 0 (the smallest positive tempos do).
    if (!(isfinite(r.tempo_bpm) && r.tempo_bpm / 60.0f > 0.0f)) return "tempo_bpm is not a positive number";
    if (!isfinite(r.beat_origin)) return "beat_origin is not a finite number";
    if (!isfinite(r.show_length)) return "show_length is not a finite number";
    if (!(isfinite(r.feature_rate) && r.feature_rate > 0.0f)) return "feature_rate is not a positive number";
    if (!(isfinite(r.loop_length) && r.loop_length >= 0.0f)) return "loop_length is negative or not a number";
    if (r.sample_rate == 0) return "sample_rate is 0";
    // Beyond any real song: these are what bound the PCM buffer and the length of the show.
    if (r.sample_rate < lowest_sample_rate || r.sample_rate > highest_sample_rate)
        return "sample_rate is not an MPEG audio rate of 8000 to 48000 Hz";
    if (r.show_length > (float)longest_show_seconds) return "show_length is longer than one hour (3600 s)";
    if (r.loop_length > (float)longest_loop_seconds) return "loop_length is longer than half an hour (1800 s)";
    const uint64_t hour = (uint64_t)longest_show_seconds * r.sample_rate;
    if (r.loop_samples > (uint64_t)longest_loop_seconds * r.sample_rate)
        return "loop_samples is more than half an hour at sample_rate";
    if (r.loop_length > 0.0f) {
        // The repetitions the loop building makes: round(show_length / loop_length), at least one.
        float n = r.show_length / r.loop_length + 0.5f;
        if (!(n < 4294967296.0f) || (n >= 1.0f ? (uint64_t)n : 1u) * r.loop_samples > hour)
            return "the loop repeated round(show_length / loop_length) times plays longer than one hour";
    }
    return nullptr;
}

bool track_record_playable(const track_record& r, uint32_t bytes) { return !track_record_problem(r, bytes); }

void choose_track(float mood_x, float mood_y) {
    float best = 1.0e9f;
    int index = -1;
    for (int k = 0; k < track_count; ++k) {
        track_record r = read_track_record(payload, k);
        float dx = r.mood_x - mood_x;
        float dy = r.mood_y - mood_y;
        // Mood x (how lively) weighs more than mood y; the small jitter decides between tracks
        // at almost the same distance.
        float d = 1.3f * dx * dx + dy * dy;
        float score = d + 0.05f * rng_next();
        if (score < best) {
            best = score;
            index = k;
        }
    }
    if (index < 0) return;
    track_record r = read_track_record(payload, index);
    if (!track_record_playable(r, payload_bytes)) return;
    show.beats_per_second = r.tempo_bpm / 60.0f;
    show.beat_origin = r.beat_origin;
    show.show_length = r.show_length;
    show.feature_rate = r.feature_rate;
    show.loop_length = r.loop_length;
    show.features = payload + r.feature_offset;
    show.feature_count = r.feature_count;
    show.energy = payload + r.energy_offset;
    show.energy_count = r.energy_count;
    chosen_track = index;
}

float energy_at(float t) {
    if (show.energy_count == 0) return 0.5f;
    if (show.loop_length > 0.0f) t = fmodf(t, show.loop_length);
    float x = (t - show.beat_origin) * show.beats_per_second / 16.0f;
    uint32_t last = show.energy_count - 1;
    uint32_t i;
    if (!(x >= 1.0f))
        i = 0; // below one entry, negative or not a number
    else if (x >= (float)last)
        i = last;
    else
        i = (uint32_t)x;
    return (float)show.energy[i] * 0.003921569f;
}

void build_show_plan(float mood_x) {
    const float bar = (float)beats_per_bar / show.beats_per_second;
    int b = 0;
    int previous_group = -1;
    int variant = 0;
    int previous_kind = -1;
    int i = 0;
    for (; i < plan_capacity; ++i) {
        float h = b == 0 ? 0.0f : (float)b * bar + show.beat_origin;
        if (h >= show.show_length) break;
        int g = b / bars_per_phrase; // a phrase of bars: the variant changes only between phrases
        if (g != previous_group) {
            if (g == 0) {
                variant = 0;
            } else {
                float r = rng_next();
                variant = r < 0.2f ? -1 : (g + rng_below(2)) % 2;
            }
        }
        // How lively the shot is: mostly the music's energy one bar ahead, some of the mood.
        float m = 0.3f * mood_x + 0.7f * energy_at(h + bar);
        int length;
        if (m < 0.35f)
            length = 8;
        else if (m < 0.6f)
            length = 4;
        else if (m < 0.82f)
            length = 2;
        else
            length = rng_next() < 0.5f ? 1 : 2;
        // Every entry starts on a multiple of its own length, so shots line up with the bars.
        if (length != 1)
            while (b % length != 0) length /= 2;
        int kind;
        do {
            if (variant == -1)
                kind = both_groups_kinds[rng_below(4)];
            else if (m < 0.55f)
                kind = calm_kinds[rng_below(9)];
            else
                kind = lively_kinds[rng_below(9)];
        } while (kind == previous_kind);
        if (i == 0) kind = scene_descend_and_close_in; // every show opens the same way
        plan_start[i] = h;
        plan_variant[i] = (int8_t)variant;
        plan_kind[i] = (uint8_t)kind;
        // The entry's key for the per-frame hash: never 0, spread over the 32 bits.
        plan_key[i] = (uint32_t)(int32_t)(rng_next() * 16777215.0f) * 251u + 1u;
        b += length;
        previous_group = g;
        previous_kind = kind;
    }
    plan_count = i;
    plan_start[i] = show.show_length + 10.0f;
}

void build_phrase_plan(bool pattern_exists) {
    const float bps = show.beats_per_second;
    const float w = 4.0f / bps;
    const float length = show.show_length;
    for (int p = 1; p < phrase_capacity; ++p) {
        float t = (float)(beats_per_phrase * p) / bps;
        if (length <= t) break;
        float e = energy_at(t - w);
        float f = energy_at(t + w);
        int style = rng_pick_bit(63, 6); // any of the six reveal masks
        phrase_cover_style[p] = (uint8_t)(style < 0 ? 0 : style);
        // Any of the seven pictures, or the six without the textured one when there is no
        // pattern texture for it to sample.
        int shape = rng_pick_bit(pattern_exists ? 127 : 63, 7);
        phrase_cover_shape[p] = (uint8_t)(shape < 0 ? picture_log_polar_dots : shape);
        // A cover needs 64 beats and 15 s more of show after the phrase start; it comes where
        // the energy jumps across the phrase start, or by chance. Loud music gets the short one.
        if (length - 15.0f > t + 64.0f / bps && (fabsf(f - e) > 0.22f || rng_next() < 0.45f)) {
            phrase_cover[p] = f > 0.65f ? cover_two_bars : cover_four_bars;
        } else if (f > 0.55f && rng_next() < 0.65f) {
            phrase_effect[p] = (uint8_t)(rng_pick_bit(3, 2) + effect_echo); // echo or kaleidoscope
        }
    }

    // Second pass: at least two covers where the show is long enough for them, added to
    // phrases that could have had one (n counts them from phrase 1).
    int n = 0;
    while (n < phrase_capacity - 1 && (float)(beats_per_phrase * (n + 1) + 64) / bps < length - 15.0f) ++n;
    int c = 0;
    for (int p = 1; p <= n; ++p)
        if (phrase_cover[p] != 0) ++c;
    for (int tries = 0; n > 0 && c < 2 && tries < 32; ++tries) {
        int p = rng_below(n) + 1;
        if (phrase_cover[p] == 0) {
            float r = rng_next();
            phrase_cover[p] = r < 0.5f ? cover_two_bars : cover_four_bars;
            phrase_effect[p] = effect_none;
            ++c;
        }
    }
}
