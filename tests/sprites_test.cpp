// Sprite pictures without GL: unpacking, recolouring, the lists, and where the scene sprites,
// the cover sprites, the title and the closing cards go.
#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "player/overlays.h"
#include "core/rng.h"
#include "looks/palette.h"
#include "looks/sprites.h"

namespace {

const float palette[4][3] = {{0.02f, 0.05f, 0.15f}, {0.95f, 0.8f, 0.3f}, {0.7f, 0.15f, 0.2f}, {0.2f, 0.55f, 0.6f}};

TEST(Sprites, UnpackingAnOddWidthContinuesMidByte) {
    // 3 x 2 pixels 1 2 3 / 4 5 6: nibbles low first, row 1 starts in the high half of byte 1
    const uint8_t block[5] = {0xEE, 0x21, 0x43, 0x65, 0xEE};
    uint8_t out[6];
    unpack_sprite(block, 1, 3, 2, out);
    const uint8_t expected[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(memcmp(out, expected, 6), 0);
}

TEST(Sprites, RecolouringIntoTheShowPalette) {
    memcpy(PL, palette, sizeof PL);
    struct {
        float in[3];
        int target;
        float factor;
    } cases[] = {
        {{0.01f, 0.01f, 0.01f}, 0, 1.0f}, // dark
        {{0.9f, 0.9f, 0.9f}, 1, 1.0f},    // light grey
        {{1.0f, 0.0f, 0.0f}, 2, 0.89005f}, // red: quarter 2, brightness 0.578
        {{0.0f, 0.6f, 0.1f}, 3, -1},      // green: quarter 3
        {{0.2f, 0.2f, 0.9f}, 2, -1},      // blue: quarter 0
    };
    for (const auto& c : cases) {
        float out[3];
        recolour_sprite_colour(c.in, out);
        float factor = c.factor;
        if (factor < 0) factor = out[0] / PL[c.target][0];
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], PL[c.target][k] * factor, 1e-4) << c.in[0] << " " << c.in[1];
        EXPECT_GE(factor, 0.75f);
        EXPECT_LE(factor, 1.25f);
    }
}

TEST(Sprites, ListsByKindAndKey) {
    memcpy(PL, palette, sizeof PL);
    sprite_entry entries[5] = {};
    const uint8_t kinds[5] = {1, 2, 1, 0, 7}, keys[5] = {1, 0, 0, 0, 0};
    float stored[16][3], working[5][16][3];
    for (int c = 0; c < 16; ++c) stored[c][0] = 1.0f, stored[c][1] = 0.0f, stored[c][2] = 0.0f;
    sprite_lists lists{-1, {}, {}, 0, {}, 0};
    for (int i = 0; i < 5; ++i) {
        entries[i].kind = kinds[i];
        entries[i].key = keys[i];
        add_sprite(&lists, i, entries[i], stored, working[i]);
    }
    EXPECT_EQ(lists.title, 3);
    ASSERT_EQ(lists.ordered_count, 2);
    EXPECT_EQ(lists.ordered[0], 2); // key 0 before key 1
    EXPECT_EQ(lists.ordered[1], 0);
    ASSERT_EQ(lists.free_count, 2);
    EXPECT_EQ(lists.free_list[0], 1);
    EXPECT_EQ(lists.free_list[1], 4);
    // only the stickers are recoloured, and never their colour 0
    EXPECT_EQ(working[1][0][0], 1.0f);
    EXPECT_NEAR(working[1][5][0], PL[2][0] * 0.89005f, 1e-4);
    EXPECT_EQ(working[4][5][0], 1.0f);
    EXPECT_EQ(working[0][5][0], 1.0f);
}

// ---- scene sprites ----

sprite_entry directory[3];
sprite_lists three_stickers() {
    for (int i = 0; i < 3; ++i) directory[i] = sprite_entry{(int16_t)(100 + 40 * i), 200, 0, 2, 0, {0, 0}, 2.0f};
    return sprite_lists{-1, {}, {}, 0, {0, 1, 2}, 3};
}

void stage_centre(int group, float, float out[3]) {
    out[0] = group ? 34.0f : 0.0f;
    out[1] = 0.0f;
    out[2] = 0.0f;
}

struct scene {
    float AU[4] = {0.3f, 0.2f, 0, 0};
    float eye[3] = {0, -12, 1};
    float view[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, -1, -12, 1};
    scene_sprite_inputs at(float t, float mood_x = 0.5f) {
        scene_sprite_inputs in{};
        in.t = t;
        in.beat_origin = 0.5f;
        in.beats_per_second = 2.0f;
        in.beat = (t - 0.5f) * 2.0f;
        in.AU = AU;
        in.mood_x = mood_x;
        in.variant = -1;
        in.dance_phase = 3.0f;
        in.centre = stage_centre;
        in.eye = eye;
        in.view = view;
        in.salt = 0x9E3779B2u;
        return in;
    }
};

TEST(SceneSprites, NoneEarlyNoneNearTheEyeAndStandingOnTheGround) {
    sprite_lists lists = three_stickers();
    scene s;
    scene_sprite out[scene_sprite_slots];
    EXPECT_EQ(scene_sprites_for_frame(s.at(8.5f), lists, directory, out), 0); // beat 16
    sprite_lists empty{-1, {}, {}, 0, {}, 0};
    EXPECT_EQ(scene_sprites_for_frame(s.at(40.0f), empty, directory, out), 0);
    int shown = 0, near_eye = 0;
    for (float t = 8.6f; t < 200.0f; t += 0.37f) {
        // an eye standing among the sprites' places
        s.eye[0] = 5.0f * sinf(t), s.eye[1] = -3.0f + 4.0f * cosf(t);
        int n = scene_sprites_for_frame(s.at(t), lists, directory, out);
        shown += n;
        for (int k = 0; k < n; ++k) {
            float dx = out[k].x - s.eye[0], dy = out[k].y - s.eye[1];
            if (dx * dx + dy * dy < 16.0f) ++near_eye;
            EXPECT_NEAR(out[k].z - 0.5f * out[k].height, -1.5017f, 0.35f * 1.3f + 1e-4);
        }
    }
    EXPECT_GT(shown, 50);
    EXPECT_EQ(near_eye, 0);
}

TEST(SceneSprites, ASlotKeepsItsPictureAndPlaceForItsCycle) {
    sprite_lists lists = three_stickers();
    scene s;
    s.AU[0] = 0;
    scene_sprite first[scene_sprite_slots], later[scene_sprite_slots];
    // bars = (t - 0.5) / 2; slot periods are 2..6 bars: within bars 60.3..60.5 every slot
    // stays in one cycle and past its pop-in
    int checked = 0;
    for (int j = 0; j < scene_sprite_slots; ++j) {
        int period = (int)(hash01(0x9E3779B2u, (uint32_t)(j + 100)) * 5.0f) + 2;
        float bars0 = 30.0f * (float)period + 0.2f * (float)period, bars1 = bars0 + 0.6f * (float)period;
        int n0 = scene_sprites_for_frame(s.at(bars0 * 2.0f + 0.5f), lists, directory, first);
        int n1 = scene_sprites_for_frame(s.at(bars1 * 2.0f + 0.5f), lists, directory, later);
        const scene_sprite *a = nullptr, *b = nullptr;
        for (int k = 0; k < n0; ++k)
            if (first[k].slot == j) a = &first[k];
        for (int k = 0; k < n1; ++k)
            if (later[k].slot == j) b = &later[k];
        ASSERT_EQ(a == nullptr, b == nullptr) << j;
        if (!a) continue;
        ++checked;
        EXPECT_EQ(a->image, b->image);
        EXPECT_EQ(a->x, b->x);
        EXPECT_EQ(a->y, b->y);
        EXPECT_NEAR(a->width, b->width, 1e-5);
        EXPECT_NEAR(a->height, b->height, 1e-5);
    }
    EXPECT_GT(checked, 0);
}

TEST(SceneSprites, ALargerMoodShowsMore) {
    sprite_lists lists = three_stickers();
    scene s;
    s.eye[1] = -100.0f;
    scene_sprite out[scene_sprite_slots];
    int low = 0, high = 0;
    for (float t = 9.0f; t < 400.0f; t += 0.5f) {
        low += scene_sprites_for_frame(s.at(t, 0.0f), lists, directory, out);
        high += scene_sprites_for_frame(s.at(t, 1.0f), lists, directory, out);
    }
    EXPECT_GT(high, low);
    EXPECT_GT(low, 0);
}

// ---- overlays ----

TEST(Overlays, TitleWindow) {
    sprite_lists lists{7, {}, {}, 0, {}, 0};
    const float AU[4] = {0, 0, 0, 0};
    screen_sprite s;
    EXPECT_FALSE(title_sprite(0.0f, 0.0f, AU, lists, &s));
    EXPECT_FALSE(title_sprite(0.3f, 0.0f, AU, lists, &s));
    EXPECT_TRUE(title_sprite(3.0f, 6.0f, AU, lists, &s));
    EXPECT_EQ(s.image, 7);
    EXPECT_NEAR(s.scale, 1.9f, 1e-4);
    EXPECT_FALSE(title_sprite(7.9999f, 0.0f, AU, lists, &s));
    EXPECT_FALSE(title_sprite(8.0f, 0.0f, AU, lists, &s));
    lists.title = -1;
    EXPECT_FALSE(title_sprite(3.0f, 6.0f, AU, lists, &s));
}

TEST(Overlays, ClosingCardsShareTheLastThirteenSeconds) {
    const float AU[4] = {0, 0, 0, 0};
    const float L = 100.0f;
    screen_sprite s;
    sprite_lists lists{-1, {5, 6, 1, 2, 3, 4, 0}, {}, 7, {}, 0};
    float slot = 13.0f / 7.0f;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(closing_sprite(L - 14.0f + slot * ((float)i + 0.5f), 0, L, AU, lists, &s)) << i;
        EXPECT_EQ(s.image, lists.ordered[i]);
    }
    EXPECT_FALSE(closing_sprite(L - 14.0f - 0.01f, 0, L, AU, lists, &s));
    EXPECT_FALSE(closing_sprite(L - 0.9f, 0, L, AU, lists, &s)); // the last second shows none
    EXPECT_FALSE(closing_sprite(L - 0.01f, 0, L, AU, lists, &s));
    lists.ordered_count = 0;
    EXPECT_FALSE(closing_sprite(L - 7.0f, 0, L, AU, lists, &s));
}

TEST(Overlays, CoverSpritesCircleAndGrow) {
    const float AU[4] = {0, 0, 0, 0};
    sprite_lists lists = three_stickers();
    screen_sprite a, b;
    EXPECT_EQ(cover_growth(0.0f), 0.0f);
    EXPECT_EQ(cover_growth(1.0f), 0.5f);
    EXPECT_EQ(cover_growth(3.0f), 1.0f);
    ASSERT_TRUE(cover_sprite(0, 4, 10.0f, 20.0f, 1.0f, AU, 16.0f / 9.0f, lists, 1234u, &a));
    ASSERT_TRUE(cover_sprite(0, 4, 10.0f, 20.0f, 1.0f, AU, 16.0f / 9.0f, lists, 1234u, &b));
    EXPECT_EQ(memcmp(&a, &b, sizeof a), 0);
    EXPECT_NEAR(a.scale, 0.55f, 1e-6);
    EXPECT_NEAR(a.x, 0.62f * 16.0f / 9.0f * cosf(5.0f), 1e-5);
    sprite_lists empty{-1, {}, {}, 0, {}, 0};
    EXPECT_FALSE(cover_sprite(0, 4, 10.0f, 20.0f, 1.0f, AU, 1.0f, empty, 1234u, &a));
}

} // namespace
