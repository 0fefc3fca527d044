// Pixels of the background, cover and post programs against the CPU evaluation of their
// formulas, drawn with uniforms set directly (the pass tests check the values the passes set).
#include <math.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "data/pattern_atlas.h"
#include "gl_fixture.h"
#include "looks/patterns.h"
#include "reference.h"
#include "render/programs.h"

namespace {

const float palette[4][3] = {{0.05f, 0.04f, 0.2f}, {0.9f, 0.75f, 0.2f}, {0.8f, 0.1f, 0.3f}, {0.1f, 0.6f, 0.7f}};

void expect_frame_matches(int w, int h, const pixel_reference& reference, const uint8_t kept[4]) {
    std::vector<uint8_t> frame((size_t)w * h * 4);
    read_rgba(w, h, frame.data());
    frame_comparison c = compare_frame(w, h, frame.data(), reference, kept);
    EXPECT_EQ(c.wrong, 0) << c.wrong << " of " << c.pixels << " pixels differ; first: " << c.first_wrong;
    // Pixels explained only by a neighbouring position lie on the picture's edges: few of them.
    EXPECT_LE(c.on_edges, c.pixels / 8) << "too many pixels match only off-centre";
}

void clear_to(const uint8_t c[4]) {
    glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, c[3] / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// ---- background ----

struct background_case {
    const char* name;
    float mood_z, t, beat, speed, detail, kick, au_y, flash;
    float col[3];
};

class BackgroundPixels : public ::testing::TestWithParam<background_case> {};

TEST_P(BackgroundPixels, MatchTheFormulas) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const background_case& k = GetParam();
    background_inputs in = {};
    in.R[0] = fb_width;
    in.R[1] = fb_height;
    in.t = k.t;
    in.beat = k.beat;
    in.P[0] = k.speed;
    in.P[1] = k.detail;
    memcpy(in.COL, k.col, sizeof in.COL);
    memcpy(in.PL, palette, sizeof in.PL);
    in.AU[0] = k.kick;
    in.AU[1] = k.au_y;
    in.AU[2] = 0.3f;
    in.AU[3] = k.flash;
    in.MOOD[0] = 0.4f;
    in.MOOD[1] = 0.6f;
    in.MOOD[2] = k.mood_z;
    in.MOOD[3] = 0.2f;

    const GLint* loc = background_program.loc;
    glViewport(0, 0, fb_width, fb_height);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(background_program.name);
    glBindVertexArray(background_vertex_array);
    glUniform2f(loc[bg_R], in.R[0], in.R[1]);
    glUniform1f(loc[bg_t], in.t);
    glUniform1f(loc[bg_beat], in.beat);
    // only the parameters the compiled program keeps have locations (the player uploads as many)
    for (int i = 0; i < background_p_active; ++i) glUniform1f(loc[bg_P] + i, i < 2 ? in.P[i] : 0.0f);
    glUniform3f(loc[bg_COL], in.COL[0], in.COL[1], in.COL[2]);
    glUniform3fv(loc[bg_PL], 4, &in.PL[0][0]);
    glUniform4f(loc[bg_AU], in.AU[0], in.AU[1], in.AU[2], in.AU[3]);
    glUniform4f(loc[bg_MOOD], in.MOOD[0], in.MOOD[1], in.MOOD[2], in.MOOD[3]);
    draw_fullscreen_triangle();

    static const uint8_t none[4] = {0, 0, 0, 0};
    expect_frame_matches(fb_width, fb_height,
                         [&](float fx, float fy, float out[4]) {
                             background_reference(in, fx, fy, out);
                             return true;
                         },
                         none);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, BackgroundPixels,
    ::testing::Values(
        // style 0: rays in the first 8 beats of 16, rings in the second
        background_case{"rays", 0.1f, 3.0f, 2.0f, 1.0f, 1.0f, 0.5f, 0.0f, 0.0f, {1, 1, 1}},
        background_case{"rings_with_kick", 0.19f, 7.0f, 11.0f, 1.0f, 0.7f, 1.0f, 0.0f, 0.4f, {1, 1, 1}},
        background_case{"horizon", 0.3f, 5.0f, 6.5f, 1.0f, 1.0f, 0.8f, 0.0f, 0.0f, {1, 1, 1}},
        background_case{"horizon_detail", 0.39f, 9.0f, 3.25f, 1.5f, 0.5f, 0.0f, 0.0f, 1.0f, {1, 0.5f, 1}},
        background_case{"tunnel", 0.5f, 2.0f, 4.0f, 1.0f, 1.0f, 0.3f, 0.0f, 0.0f, {1, 1, 1}},
        background_case{"tunnel_negative_beat", 0.41f, 1.0f, -3.5f, 1.0f, 1.3f, 1.0f, 0.0f, 0.0f, {1, 1, 1}},
        background_case{"petals", 0.7f, 4.0f, 5.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, {1, 1, 1}},
        background_case{"petals_more", 0.61f, 4.0f, 9.0f, 2.0f, 0.7f, 0.0f, 0.0f, 0.6f, {1, 1, 1}},
        background_case{"plasma", 0.9f, 6.0f, 12.0f, 1.0f, 1.0f, 0.2f, 0.7f, 0.0f, {1, 1, 1}},
        // a style value of exactly 1 is past the last style: plasma as well
        background_case{"style_value_one", 1.0f, 3.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.2f, 0.3f, {0.8f, 1, 0.6f}}),
    [](const ::testing::TestParamInfo<background_case>& i) { return std::string(i.param.name); });

// ---- cover ----

struct cover_case {
    const char* name;
    int mask, picture;
    float k, glow, turn, t, beat, kick, au_y;
};

class CoverPixels : public ::testing::TestWithParam<cover_case> {};

TEST_P(CoverPixels, MatchTheFormulas) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const cover_case& k = GetParam();

    // The pattern texture of picture 6: atlas sheet 2, as the pattern upload makes it.
    static std::vector<uint8_t> pattern(65536);
    make_pattern_image(pattern_atlas, 2, pattern_flag_double, pattern.data());
    static GLuint texture;
    if (!texture) glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, 256, 256, 0, GL_RED, GL_UNSIGNED_BYTE, pattern.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    ref_texture tx = {256, 256, 1, pattern.data(), true};

    cover_inputs in = {};
    in.R[0] = fb_width;
    in.R[1] = fb_height;
    in.T = k.t;
    in.B = k.beat;
    in.AU[0] = k.kick;
    in.AU[1] = k.au_y;
    in.AU[2] = 0.1f;
    in.AU[3] = 0.2f;
    memcpy(in.PL, palette, sizeof in.PL);
    in.K = k.k;
    in.S = k.mask;
    in.F = k.picture;
    in.M = k.glow;
    in.Z = k.turn;
    in.TX = &tx;

    static const uint8_t kept[4] = {10, 200, 30, 77};
    glViewport(0, 0, fb_width, fb_height);
    clear_to(kept);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    const GLint* loc = cover_program.loc;
    glUseProgram(cover_program.name);
    glBindVertexArray(fullscreen_vertex_array);
    glUniform2f(loc[cover_R], in.R[0], in.R[1]);
    glUniform1f(loc[cover_T], in.T);
    glUniform1f(loc[cover_B], in.B);
    glUniform4f(loc[cover_AU], in.AU[0], in.AU[1], in.AU[2], in.AU[3]);
    glUniform3fv(loc[cover_PL], 4, &in.PL[0][0]);
    glUniform1f(loc[cover_K], in.K);
    glUniform1i(loc[cover_S], in.S);
    glUniform1i(loc[cover_F], in.F);
    glUniform1f(loc[cover_M], in.M);
    glUniform1f(loc[cover_Z], in.Z);
    glUniform1i(loc[cover_TX], 0);
    draw_fullscreen_triangle();

    expect_frame_matches(fb_width, fb_height,
                         [&](float fx, float fy, float out[4]) { return cover_reference(in, fx, fy, out); }, kept);
}

INSTANTIATE_TEST_SUITE_P(
    MasksAndPictures, CoverPixels,
    ::testing::Values(
        cover_case{"iris_julia", 0, 0, 0.5f, 0.0f, -1.0f, 3.0f, 5.0f, 0.0f, 0.3f},
        cover_case{"iris_julia_kick", 0, 0, 0.7f, 0.0f, -1.0f, 11.0f, 2.5f, 0.8f, 0.9f},
        // K = 0 still covers the corners of a wide screen (r + w >= 1.7)
        cover_case{"iris_closed_corners", 0, 5, 0.0f, 0.0f, -1.0f, 2.0f, 1.0f, 0.0f, 0.0f},
        // K = 1 with a kick: every pixel but perhaps the very centre
        cover_case{"iris_open", 0, 1, 1.0f, 0.0f, 1.0f, 4.0f, 8.0f, 1.0f, 0.0f},
        cover_case{"star_mandelbrot", 1, 1, 0.4f, 0.0f, 1.0f, 7.0f, 3.0f, 0.5f, 0.0f},
        cover_case{"mandelbrot_after_restart", 1, 1, 0.9f, 0.0f, 1.0f, 26.0f, 3.0f, 0.0f, 0.0f},
        cover_case{"diamonds_carpet", 2, 2, 0.3f, 0.0f, -1.0f, 5.0f, 6.0f, 0.3f, 0.0f},
        cover_case{"carpet_full", 2, 2, 1.0f, 0.0f, -1.0f, 1.5f, 3.0f, 0.0f, 0.0f},
        cover_case{"flower_inversion", 3, 3, 0.35f, 0.0f, 1.0f, 3.0f, 7.0f, 0.2f, 0.0f},
        cover_case{"stripes_box_fold", 4, 4, 0.6f, 0.0f, -1.0f, 8.0f, 4.0f, 0.4f, 0.0f},
        cover_case{"spiral_dots", 5, 5, 0.5f, 0.0f, 1.0f, 6.0f, 9.0f, 0.6f, 0.0f},
        cover_case{"mask_past_the_last", 9, 7, 0.5f, 0.0f, 1.0f, 6.0f, 9.0f, 0.0f, 0.0f},
        cover_case{"stripes_checker", 4, 6, 0.5f, 0.0f, -1.0f, 5.0f, 6.0f, 0.3f, 0.0f},
        // the glow shows the picture everywhere at alpha M (0.55 + 0.45 kick)
        cover_case{"glow_only", 0, 0, 0.0f, 0.3f, -1.0f, 12.0f, 4.0f, 0.5f, 0.0f},
        cover_case{"glow_faint_kept", 3, 2, 0.1f, 0.008f, -1.0f, 2.0f, 4.0f, 0.0f, 0.0f},
        cover_case{"glow_too_faint", 3, 2, 0.1f, 0.007f, -1.0f, 2.0f, 4.0f, 0.0f, 0.0f}),
    [](const ::testing::TestParamInfo<cover_case>& i) { return std::string(i.param.name); });

// ---- post ----

struct post_case {
    const char* name;
    int effect;
    float k, t, beat, kick;
};

class PostPixels : public ::testing::TestWithParam<post_case> {};

TEST_P(PostPixels, MatchTheFormulas) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const post_case& k = GetParam();
    const int w = fb_width, h = fb_height;

    // Screen copy and echo memory hold two different ramps.
    static std::vector<uint8_t> screen((size_t)w * h * 4), echo((size_t)w * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ramp_texel(x, y, 0, &screen[(y * w + x) * 4]);
            ramp_texel(x, y, 1, &echo[(y * w + x) * 4]);
        }
    static GLuint targets[2];
    for (int i = 0; i < 2; ++i) {
        create_render_target(&targets[i], w, h);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, i ? echo.data() : screen.data());
    }
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, targets[0]);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, targets[1]);
    glActiveTexture(GL_TEXTURE0);
    ref_texture s = {w, h, 4, screen.data(), false}, l = {w, h, 4, echo.data(), false};

    post_inputs in = {};
    in.R[0] = w;
    in.R[1] = h;
    in.T = k.t;
    in.B = k.beat;
    in.AU[0] = k.kick;
    in.AU[1] = 0.5f;
    in.AU[2] = 0.5f;
    in.AU[3] = 0.5f;
    in.S = &s;
    in.L = &l;
    in.E = k.effect;
    in.K = k.k;

    glViewport(0, 0, w, h);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    const GLint* loc = post_program.loc;
    glUseProgram(post_program.name);
    glBindVertexArray(fullscreen_vertex_array);
    glUniform2f(loc[post_R], in.R[0], in.R[1]);
    glUniform1f(loc[post_T], in.T);
    glUniform1f(loc[post_B], in.B);
    glUniform4f(loc[post_AU], in.AU[0], in.AU[1], in.AU[2], in.AU[3]);
    glUniform1i(loc[post_S], 1);
    glUniform1i(loc[post_L], 2);
    glUniform1i(loc[post_E], in.E);
    glUniform1f(loc[post_K], in.K);
    draw_fullscreen_triangle();

    static const uint8_t none[4] = {0, 0, 0, 0};
    expect_frame_matches(w, h,
                         [&](float fx, float fy, float out[4]) {
                             post_reference(in, fx, fy, out);
                             return true;
                         },
                         none);
}

INSTANTIATE_TEST_SUITE_P(
    EchoAndKaleidoscope, PostPixels,
    ::testing::Values(
        // echo: the turn reverses every 16 beats; outside the memory nothing is taken
        post_case{"echo_even_block", 1, 1.0f, 3.0f, 5.0f, 0.0f},
        post_case{"echo_odd_block_kick", 1, 1.0f, 3.0f, 21.0f, 1.0f},
        post_case{"echo_fading", 1, 0.4f, 3.0f, 63.0f, 0.5f},
        post_case{"echo_before_beat_zero", 1, 1.0f, 0.5f, -2.0f, 0.2f},
        post_case{"echo_none", 1, 0.0f, 3.0f, 5.0f, 0.7f},
        // kaleidoscope: 6 segments in even phrases, 8 in odd ones
        post_case{"kaleidoscope_six", 2, 1.0f, 4.0f, 10.0f, 0.0f},
        post_case{"kaleidoscope_eight_kick", 3, 1.0f, 9.0f, 40.0f, 0.8f},
        post_case{"kaleidoscope_half", 2, 0.5f, 1.0f, 70.0f, 0.3f}),
    [](const ::testing::TestParamInfo<post_case>& i) { return std::string(i.param.name); });

} // namespace
