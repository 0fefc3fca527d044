#include <gtest/gtest.h>

#include <math.h>

#include <vector>

#include "core/rng.h"
#include "looks/palette.h"
#include "looks/patterns.h"

namespace {

std::vector<uint8_t> random_atlas() {
    std::vector<uint8_t> atlas(pattern_atlas_patterns * pattern_atlas_bytes_per_pattern);
    uint32_t s = 12345;
    for (uint8_t& b : atlas) {
        s = s * 1664525u + 1013904223u;
        b = (uint8_t)(s >> 24);
    }
    return atlas;
}

void set_palette(const float c[4][3]) {
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 3; ++i) PL[k][i] = c[k][i];
}

} // namespace

TEST(PatternImage, TransformFlags) {
    std::vector<uint8_t> atlas = random_atlas();
    std::vector<uint8_t> img(65536);
    for (int p : {0, 3, 7}) {
        auto bit = [&](int x, int y) { return atlas_bit(atlas.data(), p, x, y); };
        make_pattern_image(atlas.data(), p, 0, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_EQ(img[y * 256 + x], bit(x, y));

        make_pattern_image(atlas.data(), p, pattern_flag_invert, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_EQ(img[y * 256 + x], 1 - bit(x, y));

        make_pattern_image(atlas.data(), p, pattern_flag_double, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_EQ(img[y * 256 + x], bit((2 * x) % 256, (2 * y) % 256));

        make_pattern_image(atlas.data(), p, pattern_flag_mirror, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_EQ(img[y * 256 + x], bit(x > 127 ? 255 - x : x, y));

        make_pattern_image(atlas.data(), p, pattern_flag_flip, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) ASSERT_EQ(img[y * 256 + x], bit(255 - x, 255 - y));

        // all four: double, then mirror, then flip, then invert
        make_pattern_image(atlas.data(), p, 15, img.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                int x1 = (2 * x) % 256, y1 = 255 - (2 * y) % 256;
                if (x1 > 127) x1 = 255 - x1;
                ASSERT_EQ(img[y * 256 + x], 1 - bit(255 - x1, y1));
            }
    }
}

TEST(PatternImage, AtlasBitLayout) {
    std::vector<uint8_t> atlas(pattern_atlas_patterns * pattern_atlas_bytes_per_pattern, 0);
    atlas[2 * 8192 + (10 * 256 + 13) / 8] = 1 << (13 % 8);
    EXPECT_EQ(atlas_bit(atlas.data(), 2, 13, 10), 1);
    EXPECT_EQ(atlas_bit(atlas.data(), 2, 12, 10), 0);
    EXPECT_EQ(atlas_bit(atlas.data(), 1, 13, 10), 0);
}

TEST(PatternPairs, ContrastRanking) {
    int best[2], second[2];
    float sc;
    const float equal[4][3] = {{0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}};
    best_contrast_pairs(equal, best, second, &sc);
    EXPECT_EQ(best[0], 0);
    EXPECT_EQ(best[1], 1);
    EXPECT_EQ(sc, 0.0f);
    // 0 black, 1 white, 2 mid grey, 3 near white: best (0,1), then (0,3)
    const float mixed[4][3] = {{0, 0, 0}, {1, 1, 1}, {0.2f, 0.2f, 0.2f}, {0.9f, 0.9f, 0.9f}};
    best_contrast_pairs(mixed, best, second, &sc);
    EXPECT_EQ(best[0], 0);
    EXPECT_EQ(best[1], 1);
    EXPECT_EQ(second[0], 0);
    EXPECT_EQ(second[1], 3);
    EXPECT_NEAR(sc, powf(0.9f, 0.4545f), 1e-6f);
}

TEST(PatternChoices, TwoSlotsFourDrawsEach) {
    const float pal[4][3] = {{0, 0, 0}, {1, 1, 1}, {0.2f, 0.2f, 0.2f}, {0.9f, 0.9f, 0.9f}};
    for (uint32_t seed : {1u, 2u, 3u, 100u, 777u}) {
        set_palette(pal);
        rng_seed(seed);
        uint32_t start = rng_state;
        float d[8];
        for (float& v : d) v = rng_next();
        uint32_t after = rng_state;
        rng_state = start;
        make_pattern_choices();
        EXPECT_EQ(rng_state, after);
        ASSERT_EQ(pattern_choice_count, 2);
        const int slots[2] = {1, 9};
        const int bases[2] = {0, 4};
        for (int c = 0; c < 2; ++c) {
            const pattern_choice& pc = pattern_choices[c];
            const float* r = d + 4 * c;
            EXPECT_EQ(pc.slot, slots[c]);
            EXPECT_EQ(pc.pattern, bases[c] + (int)(4.0f * r[0]));
            EXPECT_EQ(pc.flags, r[1] < 0.3f ? 8 : 0); // only inversion is allowed
            // second-best (0,3) when the coin is below 0.35 (its contrast is above 0.3)
            int a = 0, b = r[2] < 0.35f ? 3 : 1;
            if (r[3] < 0.5f) std::swap(a, b);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(pc.pair[0][i], pal[a][i]) << seed;
                EXPECT_EQ(pc.pair[1][i], pal[b][i]) << seed;
            }
        }
    }
}
