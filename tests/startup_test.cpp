#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/payload.h"
#include "core/rng.h"
#include "core/show.h"
#include "player/startup.h"
#include "looks/palette.h"
#include "looks/patterns.h"
#include "payload_fixture.h"

namespace {

std::vector<uint8_t> seven_track_payload() {
    std::vector<fixture_track> tracks;
    const float moods[7][2] = {{0.25f, 0.67f}, {0.8f, 0.2f}, {0.5f, 0.5f}, {0.1f, 0.1f},
                               {0.9f, 0.9f},   {0.3f, 0.3f}, {0.7f, 0.6f}};
    for (int k = 0; k < 7; ++k) {
        fixture_track t = make_fixture_track(moods[k][0], moods[k][1]);
        t.record.tempo_bpm = 100.0f + 6.5f * (float)k;
        t.record.beat_origin = 0.05f * (float)k;
        t.energy = {(uint8_t)(30 * k), 200, (uint8_t)(255 - 20 * k), 90};
        tracks.push_back(t);
    }
    return build_payload(tracks);
}

std::vector<uint8_t> stored_file;
void load_stored() { load_show_payload_bytes(stored_file.data(), stored_file.size(), stored_file.size()); }

int derived_calls;
void draw_in_derived_stream() {
    ++derived_calls;
    uint32_t saved = rng_derived_begin(0);
    for (int i = 0; i < 500; ++i) rng_next();
    rng_derived_end(saved);
}

std::string run_and_snapshot(uint32_t seed, bool with_ornament_hook) {
    reset_show_state();
    release_show_payload();
    startup_hooks hooks{};
    hooks.load_payload = load_stored;
    if (with_ornament_hook) hooks.after_pattern_records = draw_in_derived_stream;
    run_startup_choices(seed, hooks);
    std::string s = std::to_string(chosen_track) + "/" + std::to_string(plan_count) + "/" +
                    std::to_string(startup.rng_state_end);
    for (int i = 0; i < plan_count; ++i) (s += ',') += std::to_string(plan_key[i]);
    for (int p = 0; p < phrase_capacity; ++p) (s += ',') += std::to_string(phrase_cover[p] * 10 + phrase_effect[p]);
    release_show_payload();
    return s;
}

} // namespace

TEST(Startup, SameSeedSameShowAndDerivedDrawsLeaveItAlone) {
    stored_file = build_file(seven_track_payload(), std::vector<uint8_t>(64, 1));
    std::set<int> chosen;
    for (uint32_t seed : {1u, 42u, 12345u, 4294967295u, 7u, 8u, 9u, 10u}) {
        std::string a = run_and_snapshot(seed, false);
        std::string b = run_and_snapshot(seed, false);
        derived_calls = 0;
        std::string c = run_and_snapshot(seed, true);
        EXPECT_EQ(derived_calls, 1);
        EXPECT_EQ(a, b) << seed;
        EXPECT_EQ(a, c) << seed;
        chosen.insert(std::stoi(a));
    }
    EXPECT_GT(chosen.size(), 1u); // different seeds reach different tracks
    EXPECT_EQ(run_and_snapshot(0, false), run_and_snapshot(1, false));
}

TEST(Startup, DrawOrderOfTheWholeSequence) {
    // Replays the sequence step by step and checks that the start-up function ends in the
    // same generator state: seeding, palette, one draw per record, show plan, patterns,
    // pattern records, phrase plan.
    stored_file = build_file(seven_track_payload());
    for (uint32_t seed : {3u, 99u, 2024u}) {
        reset_show_state();
        startup_hooks hooks{};
        hooks.load_payload = load_stored;
        run_startup_choices(seed, hooks);
        uint32_t end = startup.rng_state_end;
        EXPECT_EQ(startup.rng_state_end, rng_state);
        release_show_payload();

        reset_show_state();
        rng_seed(seed);
        EXPECT_EQ(startup.rng_state_seeded, 0u); // reset cleared the record
        load_stored();
        make_palette();
        choose_track(MOOD[0], MOOD[1]);
        build_show_plan(MOOD[0]);
        make_pattern_choices();
        make_pattern_records(true);
        build_phrase_plan(true);
        EXPECT_EQ(rng_state, end) << seed;
        release_show_payload();
    }
}

TEST(Startup, NoPayloadGivesTheDefaultShow) {
    reset_show_state();
    startup_hooks hooks{};
    run_startup_choices(42, hooks);
    EXPECT_EQ(chosen_track, -1);
    EXPECT_EQ(show.beats_per_second, 2.0f);
    EXPECT_EQ(show.show_length, 16.0f);
    EXPECT_EQ(plan_start[plan_count], 26.0f);
    EXPECT_TRUE(startup.pattern_exists);
    EXPECT_EQ(pattern_choice_count, 2);
}

TEST(Startup, DecodeHookRunsOnlyForAChosenTrackAndItsLengthDrivesThePlans) {
    static int decodes;
    decodes = 0;
    startup_hooks hooks{};
    hooks.decode_track = [] {
        ++decodes;
        show.show_length = 40.0f;
    };
    reset_show_state();
    run_startup_choices(5, hooks); // no payload: nothing chosen, nothing decoded
    EXPECT_EQ(decodes, 0);

    stored_file = build_file(seven_track_payload());
    hooks.load_payload = load_stored;
    reset_show_state();
    run_startup_choices(5, hooks);
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(plan_start[plan_count], 50.0f);
    release_show_payload();
}
