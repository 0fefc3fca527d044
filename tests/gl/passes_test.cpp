// The compositor's passes as the frame runs them: the values they upload, their GL state, the
// two render targets with the echo reset, and the cover's draw decisions.
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/pose.h"
#include "core/show.h"
#include "gl_fixture.h"
#include "looks/palette.h"
#include "looks/patterns.h"
#include "reference.h"
#include "render/passes.h"
#include "render/programs.h"
#include "render/render.h"
#include "render/textures.h"

namespace {

const float palette[4][3] = {{0.02f, 0.05f, 0.15f}, {0.95f, 0.8f, 0.3f}, {0.7f, 0.15f, 0.2f}, {0.2f, 0.55f, 0.6f}};

std::vector<uint8_t> read_frame(int w, int h) {
    std::vector<uint8_t> frame((size_t)w * h * 4);
    read_rgba(w, h, frame.data());
    return frame;
}

std::vector<uint8_t> ramp_bytes(int w, int h, int variant) {
    std::vector<uint8_t> bytes((size_t)w * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ramp_texel(x, y, variant, &bytes[(y * w + x) * 4]);
    return bytes;
}

void expect_matches(int w, int h, const std::vector<uint8_t>& frame, const pixel_reference& reference) {
    static const uint8_t none[4] = {0, 0, 0, 0};
    frame_comparison c = compare_frame(w, h, frame.data(), reference, none);
    EXPECT_EQ(c.wrong, 0) << c.wrong << " of " << c.pixels << " pixels differ; first: " << c.first_wrong;
    EXPECT_LE(c.on_edges, c.pixels / 8);
}

int differing_pixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        if (memcmp(&a[i], &b[i], 4)) ++n;
    return n;
}

class Passes : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl_ready()) << gl_why_not();
        reset_plans();
        reset_cue();
        memcpy(PL, palette, sizeof PL);
        MOOD[0] = 0.3f, MOOD[1] = 0.7f, MOOD[2] = 0.1f, MOOD[3] = 0.5f;
        audio = audio_frame{};
        audio.AU[0] = 0.4f, audio.AU[1] = 0.6f, audio.AU[2] = 0.2f, audio.AU[3] = 0.3f;
        show.show_length = 200.0f;
        compositor = compositor_state{};
        glViewport(0, 0, fb_width, fb_height);
    }
    void TearDown() override {
        reset_plans();
        reset_cue();
        reset_palette();
        audio = audio_frame{};
        reset_show_values();
    }
    // The frame's show time and beat, with the phrase as the beat clock derives it.
    static void at(float t, float beat) {
        cue.t = t;
        cue.beat = beat;
        cue.phrase = phrase_of(beat);
        cue.dance_phase = dance_phase_of(beat);
        audio.time = t;
        audio.beat = beat;
    }
    static void expect_depth_on_blend_off() {
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
};

// The frame holds the background as the pass draws it from the core's values at (t, beat).
void expect_background_frame(float t, float beat) {
    background_inputs in = {};
    in.R[0] = fb_width, in.R[1] = fb_height, in.t = t, in.beat = beat;
    in.P[0] = 1.0f, in.P[1] = 1.0f;
    in.COL[0] = in.COL[1] = in.COL[2] = 1.0f;
    memcpy(in.PL, PL, sizeof in.PL);
    memcpy(in.AU, audio.AU, sizeof in.AU);
    memcpy(in.MOOD, MOOD, sizeof in.MOOD);
    expect_matches(fb_width, fb_height, read_frame(fb_width, fb_height), [&](float fx, float fy, float out[4]) {
        background_reference(in, fx, fy, out);
        return true;
    });
}

TEST_F(Passes, BackgroundDrawsTheMoodStyleWithFixedParameters) {
    const float styles[] = {0.1f, 0.3f, 0.5f, 0.7f, 0.9f};
    for (float z : styles) {
        SCOPED_TRACE(z);
        MOOD[2] = z;
        at(12.5f, 21.0f);
        draw_ramp(fb_width, fb_height, 0); // replaced entirely: the background has alpha 1
        glEnable(GL_DEPTH_TEST);
        glClear(GL_DEPTH_BUFFER_BIT); // as the frame starts: the background fills what the scene left
        while (glGetError() != GL_NO_ERROR) {
        }
        background_pass(fb_width, fb_height);
        // every upload lands on a uniform of its own type
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        expect_depth_on_blend_off();
        expect_background_frame(12.5f, 21.0f);
    }
}

TEST_F(Passes, PhraseWithoutEffectLeavesTheFrameAndResetsTheEcho) {
    phrase_effect[1] = 0;
    phrase_effect[96 % 96] = 1;
    for (float beat : {40.0f, 96 * 32.0f + 5.0f}) { // no effect; past the plan
        at(30.0f, beat);
        draw_ramp(fb_width, fb_height, 0);
        std::vector<uint8_t> before = read_frame(fb_width, fb_height);
        compositor.echo_reset = false;
        post_pass(fb_width, fb_height);
        EXPECT_TRUE(compositor.echo_reset) << beat;
        EXPECT_EQ(compositor.scene_copy, 0u) << "no target is made without an effect";
        EXPECT_EQ(differing_pixels(before, read_frame(fb_width, fb_height)), 0) << beat;
    }
}

TEST_F(Passes, EchoStartsFromTheCurrentPictureAndCarriesEachFrameToTheNext) {
    const int w = fb_width, h = fb_height;
    phrase_effect[1] = 1;
    phrase_effect[2] = 0;
    std::vector<uint8_t> a = ramp_bytes(w, h, 0), b = ramp_bytes(w, h, 1);
    ref_texture ta = {w, h, 4, a.data(), false}, tb = {w, h, 4, b.data(), false};
    post_inputs in = {};
    in.R[0] = w, in.R[1] = h;
    memcpy(in.AU, audio.AU, sizeof in.AU);
    in.E = 1;

    // Frame 1, beat 33 of phrase 1 (fade 0.5): the echo memory is filled from this picture.
    at(20.0f, 33.0f);
    draw_ramp(w, h, 0);
    glEnable(GL_DEPTH_TEST);
    while (glGetError() != GL_NO_ERROR) {
    }
    post_pass(w, h);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    expect_depth_on_blend_off();
    EXPECT_NE(compositor.scene_copy, 0u);
    EXPECT_NE(compositor.echo_memory, 0u);
    EXPECT_EQ(compositor.target_width, w);
    EXPECT_EQ(compositor.target_height, h);
    EXPECT_FALSE(compositor.echo_reset);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    std::vector<uint8_t> frame1 = read_frame(w, h);
    in.T = 20.0f, in.B = 33.0f, in.K = 0.5f, in.S = &ta, in.L = &ta;
    expect_matches(w, h, frame1, [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });

    // Frame 2 (beat 50, odd 16-beat block, full strength): a new picture echoes frame 1.
    GLuint scene = compositor.scene_copy, echo = compositor.echo_memory;
    at(20.5f, 50.0f);
    draw_ramp(w, h, 1);
    post_pass(w, h);
    EXPECT_EQ(compositor.scene_copy, scene);
    EXPECT_EQ(compositor.echo_memory, echo);
    std::vector<uint8_t> frame2 = read_frame(w, h);
    ref_texture t1 = {w, h, 4, frame1.data(), false};
    in.T = 20.5f, in.B = 50.0f, in.K = 1.0f, in.S = &tb, in.L = &t1;
    expect_matches(w, h, frame2, [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });

    // Frame 3: the first picture again, now echoing frame 2 (mostly the second picture).
    at(21.0f, 51.0f);
    draw_ramp(w, h, 0);
    post_pass(w, h);
    ref_texture t2 = {w, h, 4, frame2.data(), false};
    in.T = 21.0f, in.B = 51.0f, in.K = 1.0f, in.S = &ta, in.L = &t2;
    expect_matches(w, h, read_frame(w, h), [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });

    // A phrase without effect in between: the next echo phrase starts afresh.
    at(40.0f, 70.0f);
    post_pass(w, h);
    EXPECT_TRUE(compositor.echo_reset);
    phrase_effect[3] = 1;
    at(50.0f, 100.0f);
    draw_ramp(w, h, 1);
    post_pass(w, h);
    in.T = 50.0f, in.B = 100.0f, in.K = 1.0f, in.S = &tb, in.L = &tb;
    expect_matches(w, h, read_frame(w, h), [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });
}

TEST_F(Passes, ResizingRemakesBothTargetsAndRestartsTheEcho) {
    phrase_effect[1] = 1;
    at(20.0f, 40.0f);
    draw_ramp(fb_width, fb_height, 0);
    post_pass(fb_width, fb_height);
    GLuint scene = compositor.scene_copy, echo = compositor.echo_memory;

    const int w = 150, h = 90;
    at(20.1f, 41.0f);
    draw_ramp(w, h, 1);
    post_pass(w, h);
    EXPECT_EQ(compositor.scene_copy, scene);
    EXPECT_EQ(compositor.echo_memory, echo);
    EXPECT_EQ(compositor.target_width, w);
    EXPECT_EQ(compositor.target_height, h);
    for (GLuint t : {scene, echo}) {
        GLint tw = 0, th = 0;
        glBindTexture(GL_TEXTURE_2D, t);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        EXPECT_EQ(tw, w);
        EXPECT_EQ(th, h);
    }
    // the echo memory is the new picture, not the old frame
    std::vector<uint8_t> b = ramp_bytes(w, h, 1);
    ref_texture tb = {w, h, 4, b.data(), false};
    post_inputs in = {};
    in.R[0] = w, in.R[1] = h, in.T = 20.1f, in.B = 41.0f, in.K = 1.0f, in.E = 1, in.S = &tb, in.L = &tb;
    memcpy(in.AU, audio.AU, sizeof in.AU);
    expect_matches(w, h, read_frame(w, h), [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });
}

TEST_F(Passes, KaleidoscopeFadesOutOverTheLastTwoBeats) {
    const int w = fb_width, h = fb_height;
    phrase_effect[4] = 2;
    at(70.0f, 4 * 32.0f + 31.0f); // fade 0.5, phrase 4: six segments
    draw_ramp(w, h, 0);
    post_pass(w, h);
    std::vector<uint8_t> a = ramp_bytes(w, h, 0);
    ref_texture ta = {w, h, 4, a.data(), false};
    post_inputs in = {};
    in.R[0] = w, in.R[1] = h, in.T = 70.0f, in.B = 159.0f, in.K = 0.5f, in.E = 2, in.S = &ta, in.L = &ta;
    memcpy(in.AU, audio.AU, sizeof in.AU);
    expect_matches(w, h, read_frame(w, h), [&](float fx, float fy, float out[4]) {
        post_reference(in, fx, fy, out);
        return true;
    });
}

// The cover blended over the ramp picture, as the pass draws it.
void expect_cover_over_ramp(int w, int h, const cover_inputs& in) {
    expect_matches(w, h, read_frame(w, h), [&](float fx, float fy, float out[4]) {
        uint8_t under[4];
        ramp_texel((int)fx, (int)fy, 0, under);
        float src[4];
        if (!cover_reference(in, fx, fy, src)) {
            for (int c = 0; c < 4; ++c) out[c] = under[c] / 255.0f;
            return true;
        }
        float a = src[3];
        for (int c = 0; c < 4; ++c) out[c] = src[c] * a + under[c] / 255.0f * (1.0f - a);
        return true;
    });
}

TEST_F(Passes, CoverDrawsOnlyWhenItCoversOrGlows) {
    const int w = fb_width, h = fb_height;
    for (int p = 0; p < 96; ++p) {
        phrase_cover_style[p] = (uint8_t)(p % 6);
        phrase_cover_shape[p] = (uint8_t)(p % 6 == 5 ? 1 : p % 6);
    }
    phrase_cover[2] = 2;

    struct {
        const char* what;
        float t, beat;
        bool drawn;
        int from_phrase;
        float k, glow;
    } cases[] = {
        {"mid phrase 0", 10.0f, 12.0f, false, 0, 0.0f, 0.0f},
        {"before beat 0", 0.1f, -3.0f, false, 0, 0.0f, 0.0f},
        {"last beat of phrase 0 wipes in phrase 1", 15.0f, 31.5f, true, 1, 0.5f, 0.0f},
        {"phrase 2 fully covered", 30.0f, 64.0f + 3.0f, true, 2, 1.0f, 0.0f},
        {"phrase 2 wiping out", 31.0f, 64.0f + 8.25f, true, 2, 0.75f, 0.0f},
        {"glow in the last 14 s", 190.0f, 64.0f + 20.0f, true, 2, 0.0f, 0.3f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        at(c.t, c.beat);
        draw_ramp(w, h, 0);
        std::vector<uint8_t> before = read_frame(w, h);
        glEnable(GL_DEPTH_TEST);
        while (glGetError() != GL_NO_ERROR) {
        }
        cover_pass(w, h);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        expect_depth_on_blend_off();
        std::vector<uint8_t> after = read_frame(w, h);
        if (!c.drawn) {
            EXPECT_EQ(differing_pixels(before, after), 0);
            continue;
        }
        EXPECT_GT(differing_pixels(before, after), 0);
        cover_inputs in = {};
        in.R[0] = w, in.R[1] = h, in.T = c.t, in.B = c.beat, in.K = c.k, in.M = c.glow;
        memcpy(in.AU, audio.AU, sizeof in.AU);
        memcpy(in.PL, PL, sizeof in.PL);
        in.S = phrase_cover_style[c.from_phrase];
        in.F = phrase_cover_shape[c.from_phrase];
        in.Z = (in.F & 1) ? 1.0f : -1.0f;
        expect_cover_over_ramp(w, h, in);
    }
}

TEST_F(Passes, CoverPictureSixSamplesThePatternTexture) {
    // A pattern upload as start-up makes it: slot 9, atlas sheet 6 doubled.
    std::vector<uint8_t> scratch(65536);
    int saved_count = pattern_choice_count;
    pattern_choice saved = pattern_choices[0];
    pattern_choices[0] = pattern_choice{9, 6, pattern_flag_double, {{1, 1, 1}, {0, 0, 0}}};
    pattern_choice_count = 1;
    upload_pattern_texture(0, scratch.data());
    pattern_choices[0] = saved;
    pattern_choice_count = saved_count;
    ASSERT_EQ(pattern_texture, index_textures[9]);
    const int w = fb_width, h = fb_height;
    phrase_cover[1] = 4;
    phrase_cover_style[1] = 2;
    phrase_cover_shape[1] = 6;
    at(16.0f, 32.0f + 2.0f); // fully covered
    draw_ramp(w, h, 0);
    // another texture on unit 0 must not matter: the pass binds the pattern texture itself
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, index_textures[1]);
    cover_pass(w, h);

    std::vector<uint8_t> pattern(65536);
    glBindTexture(GL_TEXTURE_2D, pattern_texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, pattern.data());
    ref_texture tx = {256, 256, 1, pattern.data(), true};
    cover_inputs in = {};
    in.R[0] = w, in.R[1] = h, in.T = 16.0f, in.B = 34.0f, in.K = 1.0f, in.M = 0.0f, in.S = 2, in.F = 6, in.Z = -1.0f;
    in.TX = &tx;
    memcpy(in.AU, audio.AU, sizeof in.AU);
    memcpy(in.PL, PL, sizeof in.PL);
    expect_cover_over_ramp(w, h, in);
}

TEST_F(Passes, FrameEndsWithDepthTestOnAndShowsTheBackgroundWhereNothingIsInView) {
    MOOD[2] = 0.5f;
    at(5.0f, 10.0f); // phrase 0: no effect, no cover
    // the camera looks straight up from high above the stages: the scene passes draw nothing
    const float eye[3] = {0, 0, 60}, target[3] = {0, 0, 100};
    look_at(eye, target, camera.view);
    camera_projection(40.0f, 1.0f, (float)fb_width / (float)fb_height, camera.projection);
    mat4_mul(camera.view_projection, camera.projection, camera.view);
    glDisable(GL_DEPTH_TEST);
    render_frame(fb_width, fb_height);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    expect_background_frame(5.0f, 10.0f);
}

TEST_F(Passes, StartUpLeavesDepthTestClearColourAndProjection) {
    EXPECT_TRUE(startup_gl_state.depth_test);
    const float grey[4] = {0.25831f, 0.25831f, 0.25831f, 1.0f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(startup_gl_state.clear_colour[i], grey[i]) << i;
    const float* projection = startup_gl_state.projection;
    EXPECT_FLOAT_EQ(projection[0], 4.93827f * (float)fb_height / (float)fb_width);
    EXPECT_FLOAT_EQ(projection[5], 4.93827f);
    EXPECT_EQ(projection[11], -1.0f);
}

} // namespace
