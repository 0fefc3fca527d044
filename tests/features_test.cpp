#include <gtest/gtest.h>

#include <math.h>

#include <vector>

#include "audio/features.h"
#include "player/startup.h"
#include "core/show.h"

namespace {

void use_features(const std::vector<uint8_t>& frames, float rate, float loop) {
    reset_show_state();
    show.beats_per_second = 125.0f / 60.0f;
    show.features = frames.data();
    show.feature_count = (uint32_t)(frames.size() / 4);
    show.feature_rate = rate;
    show.loop_length = loop;
}

} // namespace

TEST(Features, SyntheticPulseTable) {
    reset_show_state();
    show.beats_per_second = 2.0f;
    struct Case {
        float beat, x, y, z, w;
    };
    const Case cases[] = {
        {3.0f, 1.0f, 0.5f + 0.5f * sinf(2.355f), 1.0f, 1.0f},
        {2.5f, expf(-2.0f), 0.5f + 0.5f * sinf(0.785f * 2.5f), 1.0f, expf(-4.0f)},
        {0.25f, expf(-1.0f), 0.5f + 0.5f * sinf(0.785f * 0.25f), expf(-3.0f), expf(-2.0f)},
    };
    for (const Case& c : cases) {
        update_audio_features(c.beat / 2.0f);
        EXPECT_EQ(audio.beat, c.beat);
        EXPECT_NEAR(audio.AU[0], c.x, 1e-6f) << c.beat;
        EXPECT_NEAR(audio.AU[1], c.y, 1e-6f) << c.beat;
        EXPECT_NEAR(audio.AU[2], c.z, 1e-6f) << c.beat;
        EXPECT_NEAR(audio.AU[3], c.w, 1e-6f) << c.beat;
    }
    // Before the origin the beat is negative and the half-beat pulse can exceed 1.
    show.beat_origin = 1.0f;
    update_audio_features(0.6f); // beat -0.8
    EXPECT_NEAR(audio.beat, -0.8f, 1e-6f);
    EXPECT_GT(audio.AU[2], 1.0f);
    // One frame is not a table.
    std::vector<uint8_t> one = {255, 255, 255, 255};
    use_features(one, 20.0f, 30.0f);
    show.beats_per_second = 2.0f;
    update_audio_features(1.5f);
    EXPECT_EQ(audio.AU[0], 1.0f);
}

TEST(Features, TableModeInterpolatesWrapsAndClamps) {
    std::vector<uint8_t> frames(614 * 4);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = (uint8_t)((i * 37) % 251);
    use_features(frames, 20.0091f, 30.72f);

    update_audio_features(1.0f);
    float at1[4];
    for (int c = 0; c < 4; ++c) at1[c] = audio.AU[c];
    update_audio_features(31.72f); // one loop later
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(audio.AU[c], at1[c], 2e-3f);

    // f = 1.0 x 20.0091: frames 20 and 21 blended by the fraction
    float f = 1.0f * 20.0091f;
    float a = f - 20.0f;
    for (int c = 0; c < 4; ++c) {
        float b0 = frames[20 * 4 + c], b1 = frames[21 * 4 + c];
        EXPECT_EQ(at1[c], (b0 + (b1 - b0) * a) * 0.003921569f);
    }

    // Past the last frame: frames 612 and 613 with the fraction clamped to 1, i.e. frame 613.
    update_audio_features(30.71f);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(audio.AU[c], frames[613 * 4 + c] * 0.003921569f);

    // Negative time: the first frame.
    update_audio_features(-3.0f);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(audio.AU[c], frames[c] * 0.003921569f);
}

TEST(Features, TwoFramesInterpolateAndClampOutside) {
    std::vector<uint8_t> frames = {0, 100, 200, 255, 255, 0, 100, 255};
    use_features(frames, 10.0f, 0.0f); // no loop: time is used as it is
    update_audio_features(0.05f);      // halfway
    EXPECT_EQ(audio.AU[0], 127.5f * 0.003921569f);
    EXPECT_EQ(audio.AU[1], 50.0f * 0.003921569f);
    update_audio_features(5.0f);
    EXPECT_EQ(audio.AU[0], 1.0f * 255 * 0.003921569f);
    EXPECT_EQ(audio.AU[2], 100 * 0.003921569f);
    update_audio_features(-1.0f);
    EXPECT_EQ(audio.AU[1], 100 * 0.003921569f);
}

TEST(Features, EaseElastic) {
    EXPECT_EQ(ease_elastic(-1.0f), 0.0f);
    EXPECT_EQ(ease_elastic(0.0f), 0.0f);
    EXPECT_EQ(ease_elastic(1.0f), 1.0f);
    EXPECT_EQ(ease_elastic(2.0f), 1.0f);
    EXPECT_NEAR(ease_elastic(0.5f), 1.0f - expf(-3.0f) * cosf(5.5f), 1e-6f);
    EXPECT_NEAR(ease_elastic(0.5f), 0.9647f, 1e-4f);
    float peak = 0;
    for (int i = 1; i < 1000; ++i) peak = fmaxf(peak, ease_elastic(i / 1000.0f));
    EXPECT_NEAR(peak, 1.208f, 2e-3f); // the overshoot
}
