// The start-up sequence of random choices, shared by the players and the tools.
#pragma once
#include <stdint.h>

// Steps a caller plugs in around the choices. Each may be null.
struct startup_hooks {
    void (*load_payload)();                 // fills the payload state
    void (*decode_track)();                 // after the track choice; may replace show.show_length
    void (*upload_pattern)(int choice, uint8_t* scratch); // per pattern choice, with a 64 KB buffer
    void (*after_pattern_records)();        // ornaments, sprites: draw nothing from the shared stream
    void (*after_phrase_plan)();
};

// What a caller may want to report about the sequence.
struct startup_record {
    uint32_t seed;
    uint32_t rng_state_seeded;
    uint32_t rng_salt;
    uint32_t rng_state_end;
    bool pattern_exists;
};
extern startup_record startup;

// Seeding, payload, palette, track choice, decoding, show plan, pattern textures,
// pattern records and phrase plan, in this order, from a seed value.
void run_startup_choices(uint32_t seed_value, const startup_hooks& hooks);

// Resets every piece of state that the sequence writes (for tools running several shows).
void reset_show_state();
