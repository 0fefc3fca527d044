// The specialised programs draw the frames of the general ones: whole frames through
// render_frame, once with the general programs and their original GL state (the reference) and
// once with the specialised programs, warm-up draws, skipped blending and the scissored
// background, compared pixel by pixel. Every background pattern, picture, mask and post effect,
// wipes in and out, full covers (where the background is cut to a box) and the closing glow;
// then the same with the figure (every surface pattern and projection, index textures), the
// ornaments and the scene sprites, cut to the background's box under a full cover, whole in an
// echo phrase, and the emblem over a full cover.
#include <stdio.h>
#include <string.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/show.h"
#include "figures/figure_fast.h"
#include "figures/ornaments_gl.h"
#include "gl_fixture.h"
#include "looks/palette.h"
#include "looks/patterns.h"
#include "render/fast_programs.h"
#include "render/passes.h"
#include "render/programs.h"
#include "render/render.h"
#include "render/slots.h"
#include "render/textures.h"

namespace {

const float palette[4][3] = {{0.02f, 0.05f, 0.15f}, {0.95f, 0.8f, 0.3f}, {0.7f, 0.15f, 0.2f}, {0.2f, 0.55f, 0.6f}};

struct frame_at {
    float t, beat;
};

// One show set-up: the mood's pattern, the audio values, phrase 1 to 5 of the plan and the
// frames drawn in order.
struct show_case {
    const char* name;
    float mood_z;
    float au[4];
    int effect[6];             // per phrase 0 to 5
    int cover[6], shape[6], style[6];
    std::vector<frame_at> frames;
    bool scene = false; // the dancers with their patterns, the ornaments and the scene sprites
    bool patterns = true; // with the scene: the pieces' pattern records (else none has a pattern)
    bool scene_seen = true; // some frame shows the scene (else it lies outside what is sampled)
    bool figure_warm = true; // the figure's programs warm before the first frame, else one a frame
};

// Pattern records that give the figure's pieces every pattern kind and projection.
void set_scene_records() {
    memset(pattern_records, 0, sizeof pattern_records);
    for (int p = 0; p < piece_count; ++p) {
        int cls = piece_class[p];
        if (cls == 0) continue;
        float* r = pattern_records[p];
        r[0] = (float)(1 + (p * 5) % 12);
        r[1] = 3.0f / piece_size_divisor[p];
        r[2] = cls == 2 ? 0.0f : cls == 3 ? 1.0f : (float)(1 + p % 2);
        r[3] = p % 3 == 0 ? 0.0f : 0.4f;
        r[4] = (float)(p % 4), r[5] = (float)((p + 1) % 4), r[6] = (float)((p + 2) % 4);
    }
}

void PrintTo(const show_case& c, std::ostream* os) { *os << c.name; }

std::vector<std::vector<uint8_t>> draw_frames(const show_case& c, bool fast) {
    reset_plans();
    reset_cue();
    memcpy(PL, palette, sizeof PL);
    MOOD[0] = 0.3f, MOOD[1] = 0.7f, MOOD[2] = c.mood_z, MOOD[3] = 0.5f;
    audio = audio_frame{};
    memcpy(audio.AU, c.au, sizeof audio.AU);
    show.show_length = 200.0f;
    for (int p = 0; p < 6; ++p) {
        phrase_effect[p] = (uint8_t)c.effect[p];
        phrase_cover[p] = (uint8_t)c.cover[p];
        phrase_cover_shape[p] = (uint8_t)c.shape[p];
        phrase_cover_style[p] = (uint8_t)c.style[p];
    }
    compositor.echo_reset = true;
    if (c.scene && c.patterns)
        set_scene_records();
    else
        memset(pattern_records, 0, sizeof pattern_records);
    ornament_built_phrase = -1; // each run builds its ornament sets afresh
    fast_programs_on = fast;
    fast_plan_programs();
    if (fast && c.figure_warm) fast_figure_warm_all();
    std::vector<std::vector<uint8_t>> out;
    for (const frame_at& f : c.frames) {
        cue.t = f.t;
        cue.beat = f.beat;
        cue.phrase = phrase_of(f.beat);
        cue.dance_phase = dance_phase_of(f.beat);
        audio.time = f.t;
        audio.beat = f.beat;
        if (c.scene) {
            // a wide view of both groups, as the camera plan's first entries give it
            cue.entry_variant = -1;
            cue.entry_kind = 0;
            cue.entry_key = 17;
            cue.eased_progress = 0.5f;
            cue.energy = 0.5f;
            direct_camera(fb_width, fb_height, audio.AU);
        } else {
            reset_camera(fb_width, fb_height);
        }
        render_frame(fb_width, fb_height);
        std::vector<uint8_t> frame((size_t)fb_width * fb_height * 4);
        read_rgba(fb_width, fb_height, frame.data());
        out.push_back(frame);
    }
    fast_programs_on = true;
    return out;
}

class FastPrograms : public ::testing::TestWithParam<show_case> {
  protected:
    static void SetUpTestSuite() {
        if (!gl_ready()) return;
        // A pattern texture for the textured checker, as start-up makes one.
        std::vector<uint8_t> scratch(65536);
        int saved_count = pattern_choice_count;
        pattern_choice saved = pattern_choices[0];
        pattern_choices[0] = pattern_choice{9, 6, pattern_flag_double, {{1, 1, 1}, {0, 0, 0}}};
        pattern_choice_count = 1;
        upload_pattern_texture(0, scratch.data());
        pattern_choices[0] = saved;
        pattern_choice_count = saved_count;
        look_up_figure_second(); // start-up does it once the pattern records exist
        if (!ornaments_enabled) {
            init_ornaments();
            make_sprites();
            build_sprite_program();
        }
    }
    void SetUp() override { ASSERT_TRUE(gl_ready()) << gl_why_not(); }
    void TearDown() override {
        fast_programs_on = true;
        reset_plans();
        reset_cue();
        reset_palette();
        audio = audio_frame{};
        reset_show_values();
        memset(pattern_records, 0, sizeof pattern_records);
        reset_camera(fb_width, fb_height);
    }
};

TEST_P(FastPrograms, DrawTheGeneralProgramsPixels) {
    const show_case& c = GetParam();
    std::vector<std::vector<uint8_t>> reference = draw_frames(c, false);
    std::vector<std::vector<uint8_t>> fast = draw_frames(c, true);
    ASSERT_EQ(reference.size(), fast.size());
    if (c.scene && c.scene_seen) {
        // the scene is in view: the first frame is not the frame without it
        show_case bare = c;
        bare.scene = false;
        std::vector<std::vector<uint8_t>> without = draw_frames(bare, false);
        int scene_pixels = 0;
        for (size_t i = 0; i < without.size(); ++i)
            for (size_t p = 0; p < without[i].size(); p += 4)
                scene_pixels += memcmp(&without[i][p], &reference[i][p], 3) != 0;
        EXPECT_GT(scene_pixels, fb_width * fb_height / 50);
    }
    for (size_t i = 0; i < reference.size(); ++i) {
        SCOPED_TRACE("frame at beat " + std::to_string(c.frames[i].beat));
        int differing = 0, largest = 0;
        std::string first;
        for (int p = 0; p < fb_width * fb_height; ++p) {
            const uint8_t* a = &reference[i][p * 4];
            const uint8_t* b = &fast[i][p * 4];
            int d = 0;
            for (int k = 0; k < 3; ++k) d = std::max(d, abs((int)a[k] - (int)b[k]));
            if (d == 0) continue;
            if (differing++ == 0) {
                char text[160];
                snprintf(text, sizeof text, "(%d, %d): general %d %d %d, specialised %d %d %d", p % fb_width,
                         p / fb_width, a[0], a[1], a[2], b[0], b[1], b[2]);
                first = text;
            }
            largest = std::max(largest, d);
        }
        EXPECT_EQ(differing, 0) << differing << " pixels differ, by up to " << largest << "/255; first " << first;
    }
}

// Phrase 1 covered by picture f through mask s: the wipe-in on the last beat of phrase 0, the
// full cover, the wipe-out; with a kick (the mask's wobble) or without.
show_case cover_case(const char* name, int f, int s, float kick) {
    show_case c = {name, 0.5f, {kick, 0.6f, 0.2f, 0.3f}, {}, {0, 2}, {0, f}, {0, s}, {}};
    c.frames = {{15.8f, 31.5f}, {17.0f, 34.0f}, {20.3f, 40.5f}};
    return c;
}

std::vector<show_case> cases() {
    std::vector<show_case> v;
    const char* patterns[5] = {"rays_and_rings", "horizon", "tunnel", "petals", "plasma"};
    for (int s = 0; s < 5; ++s) {
        show_case c = {patterns[s], (s + 0.5f) / 5.0f, {0.4f, 0.6f, 0.2f, 0.3f}, {}, {}, {}, {}, {}};
        c.frames = {{12.5f, 21.0f}, {5.0f, 10.0f}, {0.0f, 0.0f}};
        v.push_back(c);
    }
    v.push_back(cover_case("julia_iris", 0, 0, 0.4f));
    v.push_back(cover_case("julia_iris_still", 0, 0, 0.0f));
    v.push_back(cover_case("mandelbrot_star", 1, 1, 0.7f));
    v.push_back(cover_case("bit_carpet_diamonds", 2, 2, 0.4f));
    v.push_back(cover_case("inversion_flower", 3, 3, 0.4f));
    v.push_back(cover_case("box_fold_stripes", 4, 4, 0.4f));
    v.push_back(cover_case("log_polar_spiral", 5, 5, 0.4f));
    v.push_back(cover_case("checker_iris", 6, 0, 0.4f));
    v.push_back(cover_case("other_shape_spiral", 9, 7, 0.4f));
    {
        // The closing glow over phrase 2 and the wipe-in of phrase 3, drawn with blending.
        show_case c = {"closing_glow", 0.9f, {0.5f, 0.6f, 0.2f, 0.3f}, {}, {0, 0, 2, 0}, {0, 0, 3, 1}, {0, 0, 1, 3}, {}};
        c.frames = {{190.0f, 84.0f}, {190.5f, 64.0f + 2.0f}, {191.0f, 95.5f}};
        v.push_back(c);
    }
    {
        // The closing glow over full covers and their wipe-outs (iris, star, diamonds): the
        // background cut to the box where the mask can open, the rest under the opaque cover.
        show_case c = {"closing_glow_over_covers", 0.9f, {0.5f, 0.6f, 0.2f, 0.3f}, {}, {0, 0, 0, 2, 2, 2},
                       {0, 0, 0, 1, 4, 2}, {0, 0, 0, 0, 1, 2}, {}};
        c.frames = {{187.0f, 100.0f}, {187.5f, 104.5f}, {188.0f, 110.0f}, {189.0f, 132.0f},
                    {189.5f, 136.4f}, {190.0f, 164.0f}, {190.5f, 168.5f}};
        v.push_back(c);
    }
    {
        // An echo phrase in the closing seconds: the glow over the echo, through the full cover
        // of phrase 2 and its wipe-out, and the wipe-in of phrase 3.
        show_case c = {"echo_under_closing_glow", 0.7f, {0.5f, 0.6f, 0.2f, 0.3f}, {0, 0, 1, 0}, {0, 0, 1, 0},
                       {0, 0, 4, 2}, {0, 0, 0, 4}, {}};
        c.frames = {{186.5f, 64.5f}, {187.0f, 66.0f}, {187.5f, 68.5f}, {188.0f, 72.0f}, {189.0f, 80.0f},
                    {190.0f, 95.5f}};
        v.push_back(c);
        c.name = "scene_echo_under_closing_glow";
        c.scene = true;
        v.push_back(c);
    }
    {
        // An echo phrase under a full cover: the whole background stays in the echo memory.
        show_case c = {"echo_under_cover", 0.1f, {0.4f, 0.6f, 0.2f, 0.3f}, {0, 1}, {0, 2}, {0, 2}, {0, 0}, {}};
        c.frames = {{15.0f, 30.0f}, {16.0f, 32.5f}, {16.5f, 33.5f}, {18.0f, 36.0f}, {21.0f, 42.0f}, {22.0f, 45.0f}};
        v.push_back(c);
    }
    {
        // Kaleidoscopes (6 and 8 segments) fading in, under a full cover and alone.
        show_case c = {"kaleidoscope", 0.3f, {0.4f, 0.6f, 0.2f, 0.3f}, {0, 0, 2, 3}, {0, 0, 2, 2},
                       {0, 0, 1, 5}, {0, 0, 1, 0}, {}};
        c.frames = {{32.5f, 65.0f}, {33.0f, 66.0f}, {34.0f, 68.0f}, {48.2f, 96.5f}, {49.0f, 98.0f}, {55.0f, 110.0f}};
        v.push_back(c);
    }
    // The same with the scene drawn over the background (the first case while the figure's
    // programs are cold).
    {
        // The figure's programs warming one a frame: the pieces whose program is not warm yet
        // draw with the general program in the same frames as the others.
        show_case c = {"scene_warming", 0.5f, {0.4f, 0.6f, 0.2f, 0.3f}, {}, {}, {}, {}, {}};
        for (int i = 0; i < 6; ++i) c.frames.push_back({0.5f * (float)i, (float)i});
        c.scene = true;
        c.figure_warm = false;
        v.push_back(c);
    }
    {
        show_case c = {"scene", 0.5f, {0.4f, 0.6f, 0.2f, 0.3f}, {}, {}, {}, {}, {}};
        c.frames = {{5.0f, 10.0f}, {10.5f, 21.0f}, {12.5f, 25.0f}};
        c.scene = true;
        v.push_back(c);
        // every piece in its body colour (and index texture), with and without the highlight
        c.name = "scene_without_patterns";
        c.patterns = false;
        v.push_back(c);
    }
    const int scene_covers[3][2] = {{0, 0}, {1, 1}, {6, 2}};
    const char* scene_cover_names[3] = {"scene_julia_iris", "scene_mandelbrot_star", "scene_checker_diamonds"};
    for (int i = 0; i < 3; ++i) {
        show_case c = cover_case(scene_cover_names[i], scene_covers[i][0], scene_covers[i][1], 0.4f);
        c.frames.push_back({16.0f, 32.2f}); // the wipe-in's end: the cover grows over the scene
        c.scene = true;
        v.push_back(c);
    }
    {
        show_case c = {"scene_echo_under_cover", 0.1f, {0.4f, 0.6f, 0.2f, 0.3f}, {0, 1}, {0, 2}, {0, 2}, {0, 0}, {}};
        c.frames = {{15.0f, 30.0f}, {16.0f, 32.5f}, {16.5f, 33.5f}, {18.0f, 36.0f}, {21.0f, 42.0f}};
        c.scene = true;
        v.push_back(c);
    }
    {
        show_case c = {"scene_kaleidoscope", 0.3f, {0.4f, 0.6f, 0.2f, 0.3f}, {0, 0, 2, 3}, {0, 0, 2, 2},
                       {0, 0, 1, 5}, {0, 0, 1, 0}, {}};
        c.frames = {{32.5f, 65.0f}, {34.0f, 68.0f}, {49.0f, 98.0f}};
        c.scene = true;
        c.scene_seen = false; // the wedge the kaleidoscope samples misses the dancers here
        v.push_back(c);
    }
    {
        show_case c = {"scene_closing_glow", 0.9f, {0.5f, 0.6f, 0.2f, 0.3f}, {}, {0, 0, 2, 0}, {0, 0, 3, 1},
                       {0, 0, 1, 3}, {}};
        c.frames = {{190.0f, 84.0f}, {191.0f, 95.5f}};
        c.scene = true;
        v.push_back(c);
    }
    {
        show_case c = {"scene_closing_glow_over_covers", 0.9f, {0.5f, 0.6f, 0.2f, 0.3f}, {}, {0, 0, 0, 2, 2, 2},
                       {0, 0, 0, 1, 4, 2}, {0, 0, 0, 0, 1, 2}, {}};
        c.frames = {{187.0f, 100.0f}, {187.5f, 104.5f}, {189.0f, 132.0f}, {190.0f, 164.0f}, {190.5f, 168.5f}};
        c.scene = true;
        c.scene_seen = false; // hidden under the full covers in most frames
        v.push_back(c);
    }
    return v;
}

INSTANTIATE_TEST_SUITE_P(Frames, FastPrograms, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<show_case>& info) { return std::string(info.param.name); });

TEST(FastProgramPlan, WarmsWhatThePlansUseBeforeItIsNeeded) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    reset_plans();
    reset_cue();
    MOOD[2] = 0.5f;
    show.show_length = 60.0f; // 112 beats at the default tempo: phrases 0 to 3
    phrase_cover_shape[1] = 2, phrase_cover_style[1] = 1;
    phrase_cover_shape[2] = 4, phrase_cover_style[2] = 3;
    phrase_cover_shape[3] = 2, phrase_cover_style[3] = 1; // the same program again
    phrase_effect[2] = 1;
    phrase_cover_shape[5] = 6; // past the end of the show: not built
    fast_programs_on = true;
    fast_plan_programs();
    // background, two cover programs, the echo, and the glow's blended covers of phrases 2 and 3
    EXPECT_EQ(fast_planned_count(), 6);
    // Quiet frames at the start warm one program each (some may be warm from other tests).
    int warmed = 0;
    for (int i = 0; i < 10; ++i) {
        cue.t = 0.1f * (float)i;
        cue.beat = 2.0f * cue.t;
        cue.phrase = 0;
        int before = fast_warm_count();
        if (fast_warm_step(fb_width, fb_height)) ++warmed;
        EXPECT_LE(fast_warm_count(), before + 1);
    }
    EXPECT_LE(warmed, 6);
    EXPECT_EQ(fast_warm_count(), 6);
    EXPECT_FALSE(fast_warm_step(fb_width, fb_height));
    reset_plans();
    reset_cue();
    reset_palette();
    reset_show_values();
}

} // namespace
