#include "player/startup.h"

#include <stdlib.h>

#include "audio/decode.h"
#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/payload.h"
#include "core/rng.h"
#include "core/show.h"
#include "looks/palette.h"
#include "looks/patterns.h"

startup_record startup;

void reset_show_state() {
    rng_reset();
    reset_show_values();
    release_pcm_buffer();
    reset_plans();
    reset_palette();
    reset_cue();
    pattern_choice_count = 0;
    audio = audio_frame{};
    startup = startup_record{};
}

void run_startup_choices(uint32_t seed_value, const startup_hooks& hooks) {
    startup.seed = seed_value;
    rng_seed(seed_value);
    startup.rng_state_seeded = rng_state;
    startup.rng_salt = rng_salt;

    if (hooks.load_payload) hooks.load_payload();
    make_palette();
    choose_track(MOOD[0], MOOD[1]);
    if (chosen_track >= 0 && hooks.decode_track) hooks.decode_track();
    build_show_plan(MOOD[0]);

    // Pattern textures: one 64 KB scratch image for all slots; without it no pattern is made.
    pattern_choice_count = 0;
    uint8_t* scratch = (uint8_t*)malloc(65536);
    if (scratch) {
        make_pattern_choices();
        if (hooks.upload_pattern)
            for (int i = 0; i < pattern_choice_count; ++i) hooks.upload_pattern(i, scratch);
        free(scratch);
    }
    startup.pattern_exists = pattern_choice_count > 0;

    make_pattern_records(startup.pattern_exists);
    if (hooks.after_pattern_records) hooks.after_pattern_records();
    build_phrase_plan(startup.pattern_exists);
    startup.rng_state_end = rng_state;
    if (hooks.after_phrase_plan) hooks.after_phrase_plan();
}
