#include <gtest/gtest.h>

#include <math.h>

#include "core/rng.h"
#include "core/show.h"
#include "player/startup.h"
#include "looks/palette.h"
#include "payload_fixture.h"

namespace {

// Sets up the shared values of a track without a payload file.
void use_track(float bpm, float origin, float length, float loop, const std::vector<uint8_t>* energy) {
    reset_show_state();
    show.beats_per_second = bpm / 60.0f;
    show.beat_origin = origin;
    show.show_length = length;
    show.loop_length = loop;
    show.energy = energy ? energy->data() : nullptr;
    show.energy_count = energy ? (uint32_t)energy->size() : 0;
}

void load_bytes(const std::vector<uint8_t>& payload_bytes_in) {
    std::vector<uint8_t> file = build_file(payload_bytes_in);
    load_show_payload_bytes(file.data(), file.size(), file.size());
}

} // namespace

TEST(EnergyAt, EntriesOf16BeatsWithLoopWrap) {
    const std::vector<uint8_t> e = {10, 20, 30, 40};
    use_track(125.0f, 0.0f, 92.16f, 30.72f, &e);
    EXPECT_EQ(show.beats_per_second, 125.0f / 60.0f);
    struct Case {
        float t;
        int entry;
    };
    const Case cases[] = {{0.0f, 0}, {7.679f, 0}, {7.68f, 0}, {7.7f, 1}, {15.4f, 2}, {30.0f, 3},
                          {31.0f, 0}, {38.5f, 1}, {-1.0f, 0}, {1000.0f, 2}};
    for (const Case& c : cases) {
        float expected = (float)e[(size_t)c.entry] * 0.003921569f;
        if (c.t == 1000.0f) expected = energy_at(fmodf(1000.0f, 30.72f));
        EXPECT_EQ(energy_at(c.t), expected) << "t = " << c.t;
    }
}

TEST(EnergyAt, OriginIsSubtractedAfterTheWrapAndIndexIsClamped) {
    const std::vector<uint8_t> e = {10, 20, 30, 40};
    use_track(120.0f, 1.0f, 100.0f, 32.0f, &e);
    // 16 beats at 120 bpm = 8 s; the loop repeats every 32 s and beat 0 lies 1 s into it.
    EXPECT_EQ(energy_at(0.5f), e[0] * 0.003921569f);  // before the origin: entry 0
    EXPECT_EQ(energy_at(8.9f), e[0] * 0.003921569f);
    EXPECT_EQ(energy_at(9.1f), e[1] * 0.003921569f);
    EXPECT_EQ(energy_at(32.0f + 9.1f), e[1] * 0.003921569f);
    use_track(120.0f, 0.0f, 100.0f, 0.0f, &e); // no loop: no wrap, clamped to the last entry
    EXPECT_EQ(energy_at(90.0f), e[3] * 0.003921569f);
    use_track(120.0f, 0.0f, 100.0f, 32.0f, nullptr);
    EXPECT_EQ(energy_at(3.0f), 0.5f);
}

TEST(ChooseTrack, NearestMoodWinsAndEveryRecordTakesADraw) {
    std::vector<fixture_track> tracks = {make_fixture_track(0.1f, 0.1f), make_fixture_track(0.9f, 0.9f),
                                         make_fixture_track(0.5f, 0.5f)};
    tracks[1].record.tempo_bpm = 90.0f;
    tracks[1].record.beat_origin = 0.25f;
    reset_show_state();
    load_bytes(build_payload(tracks));
    MOOD[0] = 0.85f;
    MOOD[1] = 0.95f;
    rng_seed(3);
    uint32_t s = rng_state;
    choose_track(MOOD[0], MOOD[1]);
    EXPECT_EQ(chosen_track, 1);
    EXPECT_EQ(show.beats_per_second, 90.0f / 60.0f);
    EXPECT_EQ(show.beat_origin, 0.25f);
    EXPECT_EQ(show.show_length, 92.16f);
    EXPECT_EQ(show.feature_count, 614u);
    EXPECT_EQ(show.energy_count, 4u);
    rng_state = s;
    for (int i = 0; i < 3; ++i) rng_next();
    uint32_t after_three = rng_state;
    rng_state = s;
    choose_track(MOOD[0], MOOD[1]);
    EXPECT_EQ(rng_state, after_three);
    release_show_payload();
}

TEST(ChooseTrack, OneTrackIsAlwaysChosenAndEqualScoresKeepTheEarlier) {
    reset_show_state();
    load_bytes(build_payload({make_fixture_track(0.0f, 0.0f)}));
    MOOD[0] = 1.0f;
    MOOD[1] = 1.0f;
    rng_seed(11);
    uint32_t s = rng_state;
    choose_track(MOOD[0], MOOD[1]);
    EXPECT_EQ(chosen_track, 0);
    rng_state = s;
    rng_next();
    uint32_t one = rng_state;
    rng_state = s;
    chosen_track = -1;
    choose_track(MOOD[0], MOOD[1]);
    EXPECT_EQ(rng_state, one);
    release_show_payload();

    // Two identical records: the jitter decides, equal scores keep the earlier one. Over many
    // seeds both must win sometimes, and the winner must be the one with the smaller draw.
    load_bytes(build_payload({make_fixture_track(0.3f, 0.3f), make_fixture_track(0.3f, 0.3f)}));
    MOOD[0] = 0.3f;
    MOOD[1] = 0.3f;
    int wins[2] = {0, 0};
    for (uint32_t seed = 1; seed < 200; ++seed) {
        rng_seed(seed);
        uint32_t before = rng_state;
        float r0 = rng_next(), r1 = rng_next();
        rng_state = before;
        choose_track(MOOD[0], MOOD[1]);
        ASSERT_EQ(chosen_track, r1 < r0 ? 1 : 0) << seed;
        ++wins[chosen_track];
    }
    EXPECT_GT(wins[0], 0);
    EXPECT_GT(wins[1], 0);
    release_show_payload();
}

TEST(ChooseTrack, RefusedRecordKeepsTheDefaultsAndTriesNoOther) {
    struct Case {
        const char* name;
        void (*spoil)(track_record&);
    };
    const Case cases[] = {
        {"MP3 stream past the payload", [](track_record& r) { r.mp3_length += 100000; }},
        {"feature list past the payload", [](track_record& r) { r.feature_count = 0x40000000u; }},
        {"energy list past the payload", [](track_record& r) { r.energy_offset = 0xFFFFFFFFu; }},
        {"zero tempo", [](track_record& r) { r.tempo_bpm = 0.0f; }},
        {"negative tempo", [](track_record& r) { r.tempo_bpm = -120.0f; }},
        {"tempo not a number", [](track_record& r) { r.tempo_bpm = NAN; }},
        {"zero feature rate", [](track_record& r) { r.feature_rate = 0.0f; }},
        {"negative loop", [](track_record& r) { r.loop_length = -1.0f; }},
        {"zero sample rate", [](track_record& r) { r.sample_rate = 0; }},
        {"infinite length", [](track_record& r) { r.show_length = INFINITY; }},
    };
    for (const Case& c : cases) {
        std::vector<fixture_track> tracks = {make_fixture_track(0.5f, 0.5f), make_fixture_track(0.52f, 0.5f)};
        std::vector<uint8_t> p = build_payload(tracks);
        // Spoil record 0 in place (offsets were filled in by the builder).
        track_record r = read_track_record(p.data(), 0);
        c.spoil(r);
        fixture_track spoiled = tracks[0];
        spoiled.record = r;
        std::vector<uint8_t> patched = p;
        std::vector<uint8_t> rec = build_payload({spoiled}, true);
        std::copy(rec.begin() + 4, rec.begin() + 68, patched.begin() + 4);
        reset_show_state();
        load_bytes(patched);
        ASSERT_EQ(track_count, 2);
        MOOD[0] = 0.5f;
        MOOD[1] = 0.5f;
        rng_seed(1); // first jitter 0.334 x 0.05 keeps record 0 the nearest
        choose_track(MOOD[0], MOOD[1]);
        EXPECT_EQ(chosen_track, -1) << c.name;
        EXPECT_EQ(show.beats_per_second, 2.0f) << c.name;
        EXPECT_EQ(show.show_length, 16.0f) << c.name;
        EXPECT_EQ(show.features, nullptr) << c.name;
        release_show_payload();
    }
}

TEST(ShowPlan, StructureHoldsForManyTracksAndSeeds) {
    const std::vector<uint8_t> quiet = {0, 10, 20, 5};
    const std::vector<uint8_t> loud = {255, 240, 250, 230};
    const std::vector<uint8_t> mixed = {40, 120, 200, 90};
    struct Case {
        float bpm, origin, length, loop;
        const std::vector<uint8_t>* energy;
    };
    const Case cases[] = {{125, 0, 92.16f, 30.72f, &mixed}, {100, 0.37f, 115.2f, 38.4f, &quiet},
                          {140, 0.1f, 82.3f, 27.43f, &loud}, {120, 0, 16, 0, nullptr},
                          {60, 2.0f, 600, 64, &loud},        {300, 0, 1000, 12.8f, &loud}};
    for (const Case& c : cases) {
        for (uint32_t seed : {1u, 2u, 77u, 4000000000u}) {
            use_track(c.bpm, c.origin, c.length, c.loop, c.energy);
            rng_seed(seed);
            MOOD[0] = rng_next();
            build_show_plan(MOOD[0]);
            ASSERT_GT(plan_count, 0);
            ASSERT_LE(plan_count, plan_capacity);
            EXPECT_EQ(plan_start[0], 0.0f);
            EXPECT_EQ(plan_kind[0], 1);
            EXPECT_EQ(plan_variant[0], 0);
            EXPECT_EQ(plan_start[plan_count], c.length + 10.0f);
            const float bar = 4.0f / show.beats_per_second;
            for (int i = 0; i < plan_count; ++i) {
                EXPECT_LT(plan_start[i], c.length);
                if (i > 0) {
                    EXPECT_GT(plan_start[i], plan_start[i - 1]);
                    EXPECT_NE(plan_kind[i], plan_kind[i - 1]) << "entry " << i;
                    // every start after the first lies on a bar line counted from the origin
                    float bars = (plan_start[i] - c.origin) / bar;
                    EXPECT_NEAR(bars, roundf(bars), 1e-3f);
                }
                EXPECT_LE(plan_kind[i], 8);
                EXPECT_GE(plan_variant[i], -1);
                EXPECT_LE(plan_variant[i], 1);
                EXPECT_EQ((plan_key[i] - 1u) % 251u, 0u);
                if (plan_variant[i] == -1) {
                    EXPECT_TRUE(plan_kind[i] == 6 || plan_kind[i] == 2 || plan_kind[i] == 3 || plan_kind[i] == 8);
                }
            }
        }
    }
}

TEST(ShowPlan, CalmTrackUsesEightBarShotsAndLoudTrackIsCappedAt400) {
    const std::vector<uint8_t> silent = {0, 0, 0, 0};
    use_track(120, 0, 64, 32, &silent);
    MOOD[0] = 0.1f; // m = 0.03: eight-bar entries, 2 s bars: entries at 0, 16, 32, 48 s
    rng_seed(9);
    build_show_plan(MOOD[0]);
    ASSERT_EQ(plan_count, 4);
    EXPECT_EQ(plan_start[1], 16.0f);
    EXPECT_EQ(plan_start[3], 48.0f);

    const std::vector<uint8_t> loud = {255, 255, 255, 255};
    use_track(240, 0, 1000, 16, &loud); // one-bar and two-bar entries over 1000 s: more than 400
    MOOD[0] = 0.9f;
    rng_seed(9);
    build_show_plan(MOOD[0]);
    EXPECT_EQ(plan_count, 400);
    EXPECT_EQ(plan_start[400], 1010.0f);
}

TEST(PhrasePlan, ShippedTrackPlansPhrases1To5WithCoversOnly1To3) {
    const std::vector<uint8_t> e = {40, 120, 200, 90};
    for (uint32_t seed = 1; seed < 60; ++seed) {
        use_track(125.0f, 0.0f, 92.16f, 30.72f, &e);
        rng_seed(seed);
        build_phrase_plan(seed % 2 == 0);
        EXPECT_EQ(phrase_cover_style[0] + phrase_cover_shape[0] + phrase_cover[0] + phrase_effect[0], 0);
        int covers = 0;
        for (int p = 1; p < phrase_capacity; ++p) {
            bool planned = p <= 5;
            if (!planned) {
                EXPECT_EQ(phrase_cover_style[p] + phrase_cover_shape[p] + phrase_cover[p] + phrase_effect[p], 0);
                continue;
            }
            EXPECT_LE(phrase_cover_style[p], 5);
            EXPECT_LE(phrase_cover_shape[p], seed % 2 == 0 ? 6 : 5);
            EXPECT_TRUE(phrase_cover[p] == 0 || phrase_cover[p] == 2 || phrase_cover[p] == 4);
            EXPECT_LE(phrase_effect[p], 2);
            EXPECT_FALSE(phrase_cover[p] && phrase_effect[p]) << "phrase " << p;
            if (p > 3) { EXPECT_EQ(phrase_cover[p], 0) << "phrase " << p; }
            if (phrase_cover[p]) ++covers;
        }
        EXPECT_GE(covers, 2) << seed;
    }
}

TEST(PhrasePlan, ShortShowHasNoCoversAndEmptyEnergyNoEffects) {
    // 15 s + 96 beats at 120 bpm is 63 s: no phrase is eligible for a cover.
    use_track(120.0f, 0.0f, 63.0f, 0.0f, nullptr);
    rng_seed(4);
    uint32_t before = rng_state;
    build_phrase_plan(true);
    for (int p = 0; p < phrase_capacity; ++p) {
        EXPECT_EQ(phrase_cover[p], 0);
        EXPECT_EQ(phrase_effect[p], 0); // F = 0.5 is never above 0.55
    }
    // phrases 1 to 3 begin before 63 s (16, 32 and 48 s): they took their picks
    EXPECT_NE(rng_state, before);
}

TEST(PhrasePlan, SecondPassAddsCoversUpToTwo) {
    // Silent energy: |F - E| = 0, so the first pass covers a phrase only on its 0.45 coin, and
    // with few eligible phrases that often leaves fewer than two covers for the second pass.
    // At 120 bpm a phrase lasts 16 s; phrase p is eligible while 16p + 32 < length - 15.
    const std::vector<uint8_t> e = {0, 0, 0, 0};
    struct Case {
        float length;
        int eligible;
    };
    const Case cases[] = {{70.0f, 1}, {90.0f, 2}, {110.0f, 3}};
    for (const Case& k : cases) {
        for (uint32_t seed = 1; seed < 200; ++seed) {
            use_track(120.0f, 0.0f, k.length, 0.0f, &e);
            rng_seed(seed);
            build_phrase_plan(false);
            int covers = 0;
            for (int p = 1; p <= k.eligible; ++p) {
                if (phrase_cover[p] == 0) continue;
                ++covers;
                EXPECT_EQ(phrase_effect[p], 0) << "phrase " << p << ", seed " << seed;
            }
            // One eligible phrase: the pass covers it; more: at least two covers.
            if (k.eligible == 1) {
                EXPECT_EQ(covers, 1) << "length " << k.length << ", seed " << seed;
            } else {
                EXPECT_GE(covers, 2) << "length " << k.length << ", seed " << seed;
            }
            for (int p = k.eligible + 1; p < phrase_capacity; ++p) EXPECT_EQ(phrase_cover[p], 0);
        }
    }
}

TEST(PhrasePlan, SecondPassDrawsOnlyWhileCoversAreMissing) {
    // Replays the first pass by hand for one show and checks that the pass draws the phrase
    // index and the cover length exactly as many times as it needs.
    const std::vector<uint8_t> e = {0, 0, 0, 0};
    int shows_the_pass_changed = 0;
    for (uint32_t seed = 1; seed < 100; ++seed) {
        use_track(120.0f, 0.0f, 90.0f, 0.0f, &e);
        rng_seed(seed);
        // First pass by hand: phrases 1 to 5 start before 90 s, 1 and 2 are eligible.
        uint8_t cover[6] = {};
        for (int p = 1; p <= 5; ++p) {
            rng_pick_bit(63, 6);
            rng_pick_bit(63, 7);
            if (p <= 2 && rng_next() < 0.45f) cover[p] = 4; // F = 0 is not above 0.65
            // F = 0 is not above 0.55: no effect draw
        }
        int c = (cover[1] != 0) + (cover[2] != 0);
        if (c < 2) ++shows_the_pass_changed;
        for (int tries = 0; c < 2 && tries < 32; ++tries) {
            int p = rng_below(2) + 1;
            if (cover[p] == 0) {
                cover[p] = rng_next() < 0.5f ? 2 : 4;
                ++c;
            }
        }
        uint32_t expected_end = rng_state;

        use_track(120.0f, 0.0f, 90.0f, 0.0f, &e);
        rng_seed(seed);
        build_phrase_plan(false);
        EXPECT_EQ(rng_state, expected_end) << seed;
        EXPECT_EQ(phrase_cover[1], cover[1]) << seed;
        EXPECT_EQ(phrase_cover[2], cover[2]) << seed;
    }
    EXPECT_GT(shows_the_pass_changed, 50);
}
