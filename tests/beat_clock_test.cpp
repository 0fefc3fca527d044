#include <gtest/gtest.h>

#include "core/beat_clock.h"
#include "core/show.h"
#include "player/startup.h"

namespace {

// A plan of four entries at 0, 2, 2 (same start) and 6 s over a 10 s show.
void small_plan(float length) {
    reset_show_state();
    show.show_length = length;
    const float starts[] = {0.0f, 2.0f, 2.0f, 6.0f};
    for (int i = 0; i < 4; ++i) {
        plan_start[i] = starts[i];
        plan_variant[i] = (int8_t)(i % 3 - 1);
        plan_kind[i] = (uint8_t)(i + 1);
        plan_key[i] = 1000u + (uint32_t)i;
    }
    plan_count = 4;
    plan_start[4] = length + 10.0f;
}

} // namespace

TEST(BeatClock, DancePhaseAndPhrase) {
    struct Case {
        float beat, phase;
        int phrase;
    };
    const Case cases[] = {{0, 0, 0},     {-1, 15.5f, 0}, {31.9f, 15.95f, 0}, {32, 0, 1},
                          {65, 0.5f, 2}, {-40, 12, 0},   {2.5f, 1.25f, 0}};
    for (const Case& c : cases) {
        EXPECT_NEAR(dance_phase_of(c.beat), c.phase, 1e-5f) << c.beat;
        EXPECT_GE(dance_phase_of(c.beat), 0.0f);
        EXPECT_LT(dance_phase_of(c.beat), 16.0f);
        EXPECT_EQ(phrase_of(c.beat), c.phrase) << c.beat;
    }
}

TEST(BeatClock, EntryWalkForwardBackwardAndJumps) {
    small_plan(10.0f);
    struct Step {
        float t;
        int entry;
    };
    // Equal start times: the later entry wins going forward; t exactly at a start makes it current.
    const Step steps[] = {{0.0f, 0}, {1.99f, 0}, {2.0f, 2}, {5.9f, 2}, {6.0f, 3},
                          {9.0f, 3}, {1.0f, 0},  {7.0f, 3}, {2.5f, 2}, {-5.0f, 0}};
    for (const Step& s : steps) {
        update_cue(s.t);
        EXPECT_EQ(cue.current_entry, s.entry) << "t = " << s.t;
        EXPECT_EQ(cue.entry_key, 1000u + (uint32_t)s.entry);
        EXPECT_EQ(cue.entry_kind, s.entry + 1);
    }
}

TEST(BeatClock, ProgressEnergyAndEasing) {
    small_plan(10.0f);
    update_cue(4.0f); // entry 2, 2..6 s
    EXPECT_FLOAT_EQ(cue.entry_progress, 2.0f / 4.001f);
    EXPECT_EQ(cue.energy, 0.5f); // no energy list
    float p = cue.entry_progress;
    EXPECT_FLOAT_EQ(cue.eased_progress, p * p * (3 - 2 * p));
    // The last entry runs to the show length, not to the sentinel.
    update_cue(9.999f);
    EXPECT_NEAR(cue.entry_progress, 3.999f / 4.001f, 1e-6f);
    update_cue(12.0f);
    EXPECT_EQ(cue.entry_progress, 1.0f);

    // Energy exactly 0.6 (153/255) still eases; above it the progress is linear.
    const uint8_t e153[] = {153};
    show.energy = e153;
    show.energy_count = 1;
    update_cue(4.0f);
    EXPECT_LE(cue.energy, 0.6f);
    EXPECT_NE(cue.eased_progress, cue.entry_progress);
    const uint8_t e154[] = {154};
    show.energy = e154;
    update_cue(4.0f);
    EXPECT_EQ(cue.eased_progress, cue.entry_progress);
}

TEST(BeatClock, EntryStartingAtTheEndHasProgressZeroBeforeIt) {
    small_plan(6.0f); // entry 3 starts at 6 = show length
    update_cue(5.5f);
    EXPECT_EQ(cue.current_entry, 2);
    update_cue(5.99f);
    EXPECT_EQ(cue.current_entry, 2);
    EXPECT_NEAR(cue.entry_progress, 3.99f / 4.001f, 1e-6f);
    update_cue(6.0f);
    EXPECT_EQ(cue.current_entry, 3);
    EXPECT_EQ(cue.entry_progress, 0.0f);
}

TEST(BeatClock, EndOfShowIsStrictlyAfterLengthPlus03) {
    reset_show_state();
    EXPECT_FALSE(show_over(16.3f));
    EXPECT_TRUE(show_over(16.31f));
    EXPECT_TRUE(show_over(17.0f)); // the value an exhausted audio output forces
}
