// The compositor's per-frame decisions: post effect and fade, cover amount, glow and picture,
// sprite placement and the start-up projection.
#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "core/compositor.h"
#include "core/show.h"

namespace {

class CompositorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_plans();
        for (int p = 0; p < phrase_capacity; ++p) {
            phrase_cover_style[p] = (uint8_t)(p % 6);
            phrase_cover_shape[p] = (uint8_t)((3 * p) % 7);
        }
        phrase_cover[1] = 0;
        phrase_cover[2] = 2;
        phrase_cover[3] = 4;
        phrase_effect[1] = 1;
        phrase_effect[2] = 0;
        phrase_effect[95] = 2;
    }
    void TearDown() override { reset_plans(); }
};

TEST(PostFade, RisesOverTwoBeatsAndFallsOverTheLastTwo) {
    struct {
        float b, k;
    } cases[] = {{0.0f, 0.0f}, {1.0f, 0.5f}, {1.99f, 0.995f}, {2.0f, 1.0f}, {16.0f, 1.0f},
                 {30.0f, 1.0f}, {31.0f, 0.5f}, {31.9f, 0.05f}};
    for (const auto& c : cases) EXPECT_NEAR(post_fade(c.b), c.k, 1e-5f) << "beat " << c.b;
}

TEST_F(CompositorTest, PostEffectComesFromThePhrasePlan) {
    struct {
        int32_t phrase;
        float beat;
        int effect;
        float k;
    } cases[] = {
        {1, 33.0f, 1, 0.5f},      // echo phrase, fading in
        {1, 48.0f, 1, 1.0f},
        {1, 63.5f, 1, 0.25f},     // fading out
        {2, 70.0f, 0, 0.0f},      // a phrase without effect
        {95, 95 * 32.0f + 10.0f, 2, 1.0f}, // the last phrase of the plan
        {96, 96 * 32.0f + 10.0f, 0, 0.0f}, // past the plan: none
        {-1, -3.0f, 0, 0.0f},
    };
    for (const auto& c : cases) {
        post_state s = post_for_frame(c.phrase, c.beat);
        EXPECT_EQ(s.effect, c.effect) << "phrase " << c.phrase << " beat " << c.beat;
        EXPECT_NEAR(s.k, c.k, 1e-4f) << "phrase " << c.phrase << " beat " << c.beat;
    }
}

TEST_F(CompositorTest, CoverAmountAroundPhraseChanges) {
    // phrase_cover: phrase 0 and 1: 0 beats, phrase 2: 2 (8 beats), phrase 3: 4 (16 beats)
    struct {
        const char* what;
        int32_t phrase;
        float b;
        bool draw, full;
        float k;
        int from_phrase; // whose style and shape
    } cases[] = {
        {"phrase 0 is never fully covered", 0, 0.5f, false, false, 0.0f, 0},
        {"phrase 0, mid", 0, 10.0f, false, false, 0.0f, 0},
        {"before beat 0", 0, -5.0f, false, false, 0.0f, 0},
        {"last beat wipes in the next phrase", 0, 31.25f, true, false, 0.25f, 1},
        {"last beat, exactly 31: not yet", 0, 31.0f, false, false, 0.0f, 0},
        {"cover 0: the first beat wipes out", 1, 0.25f, true, false, 0.75f, 1},
        {"cover 0: after the first beat", 1, 1.0f, false, false, 0.0f, 1},
        {"cover 2: fully covered", 2, 7.9f, true, true, 1.0f, 2},
        {"cover 2: wipe-out starts at beat 8", 2, 8.0f, true, false, 1.0f, 2},
        {"cover 2: wipe-out", 2, 8.5f, true, false, 0.5f, 2},
        {"cover 4: fully covered for 16 beats", 3, 15.5f, true, true, 1.0f, 3},
        {"cover 4: wipes out during beat 16", 3, 16.75f, true, false, 0.25f, 3},
        {"cover 4: uncovered after beat 17", 3, 17.0f, false, false, 0.0f, 3},
        {"cover 4: last beat", 3, 31.5f, true, false, 0.5f, 4},
        {"phrase 94 wipes in phrase 95", 94, 31.5f, true, false, 0.5f, 95},
    };
    for (const auto& c : cases) {
        float beat = 32.0f * (float)c.phrase + c.b;
        cover_state s = cover_for_frame(c.phrase, beat, 10.0f, 200.0f, true);
        EXPECT_EQ(s.draw, c.draw) << c.what;
        EXPECT_EQ(s.full_cover, c.full) << c.what;
        EXPECT_NEAR(s.k, c.k, 1e-4f) << c.what;
        EXPECT_EQ(s.glow, 0.0f) << c.what;
        EXPECT_EQ(s.style, phrase_cover_style[c.from_phrase]) << c.what;
        EXPECT_EQ(s.shape, phrase_cover_shape[c.from_phrase]) << c.what;
        EXPECT_EQ(s.turn, (s.shape % 2) ? 1.0f : -1.0f) << c.what;
    }
}

TEST_F(CompositorTest, NoCoverPastThePlan) {
    for (int32_t p : {95, 96, 1000}) {
        cover_state s = cover_for_frame(p, 32.0f * (float)p + 31.5f, 10.0f, 200.0f, true);
        EXPECT_FALSE(s.draw) << "phrase " << p;
        // not even the glow of the last seconds
        s = cover_for_frame(p, 32.0f * (float)p + 10.0f, 199.0f, 200.0f, true);
        EXPECT_FALSE(s.draw) << "phrase " << p;
    }
}

TEST_F(CompositorTest, GlowInTheLastFourteenSeconds) {
    struct {
        const char* what;
        float t;
        bool last_glow;
        bool draw;
        float glow;
    } cases[] = {
        {"14 s before the end: not yet", 186.0f, true, false, 0.0f},
        {"just inside the last 14 s", 186.01f, true, true, 0.3f},
        {"after the end", 200.2f, true, true, 0.3f},
        {"a build without the glow", 199.0f, false, false, 0.0f},
    };
    for (const auto& c : cases) {
        cover_state s = cover_for_frame(1, 32.0f + 10.0f, c.t, 200.0f, c.last_glow);
        EXPECT_EQ(s.draw, c.draw) << c.what;
        EXPECT_EQ(s.glow, c.glow) << c.what;
        EXPECT_EQ(s.k, 0.0f) << c.what;
    }
    // fully covered and glowing
    cover_state s = cover_for_frame(3, 96.0f + 4.0f, 199.0f, 200.0f, true);
    EXPECT_TRUE(s.full_cover);
    EXPECT_EQ(s.k, 1.0f);
    EXPECT_EQ(s.glow, 0.3f);
}

TEST(SpriteMatrix, KeepsTheImageProportionsOnScreen) {
    float m[16];
    // 400 x 200 at scale 1 on a 16:9 viewport: 0.5625 x 0.5 units, 540 x 270 pixels at 1920 x 1080
    sprite_model_matrix(400, 200, 0.25f, -0.5f, 1.0f, 0.0f, 16.0f / 9.0f, m);
    const float want[16] = {0.5625f, 0, 0, 0, -0.0f, 0.5f, 0, 0, 0, 0, 1, 0, 0.25f, -0.5f, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], want[i]) << "element " << i;
    // a unit of normalised device coordinates is half the viewport
    EXPECT_FLOAT_EQ(m[0] * 1920.0f * 0.5f, 540.0f);
    EXPECT_FLOAT_EQ(m[5] * 1080.0f * 0.5f, 270.0f);

    // a quarter turn: the width runs up the screen, the height across (squeezed by the aspect)
    sprite_model_matrix(200, 100, 0.0f, 0.0f, 2.0f, 1.5707964f, 2.0f, m);
    EXPECT_NEAR(m[0], 0.0f, 1e-6f);
    EXPECT_NEAR(m[1], 2.0f, 1e-6f);
    EXPECT_NEAR(m[4], -0.5f, 1e-6f);
    EXPECT_NEAR(m[5], 0.0f, 1e-6f);
    EXPECT_EQ(m[15], 1.0f);
}

TEST(Projection, StartValue) {
    float m[16];
    initial_projection(1920, 1080, m);
    uint32_t bits10, bits14;
    memcpy(&bits10, &m[10], 4);
    memcpy(&bits14, &m[14], 4);
    EXPECT_EQ(bits10, 0xBF800831u);
    EXPECT_EQ(bits14, 0xBDCCD35Au);
    EXPECT_FLOAT_EQ(m[0], 4.93827f * 1080.0f / 1920.0f);
    EXPECT_FLOAT_EQ(m[5], 4.93827f);
    EXPECT_EQ(m[11], -1.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15}) EXPECT_EQ(m[i], 0.0f) << "element " << i;
}

} // namespace
