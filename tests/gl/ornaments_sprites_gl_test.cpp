// The ornaments and the sprite passes on the GPU: the vertex-colour program's encoding, the
// uploaded ornament set after phrase changes (also backwards), and whole frames with
// ornaments, scene sprites, the emblem and the overlays drawn without GL errors.
#include <math.h>
#include <string.h>

#include <vector>

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "looks/ornaments.h"
#include "core/show.h"
#include "figures/ornaments_gl.h"
#include "gl_fixture.h"
#include "looks/palette.h"
#include "looks/sprites.h"
#include "render/programs.h"
#include "render/slots.h"

namespace {

const float palette[4][3] = {{0.02f, 0.05f, 0.15f}, {0.95f, 0.8f, 0.3f}, {0.7f, 0.15f, 0.2f}, {0.2f, 0.55f, 0.6f}};

class OrnamentsGL : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl_ready()) << gl_why_not();
        while (glGetError() != GL_NO_ERROR) {
        }
        memcpy(PL, palette, sizeof PL);
        MOOD[0] = 1.0f;
        reset_show_values();
        reset_cue();
        audio = audio_frame{};
        static bool made = false;
        if (!made) {
            init_ornaments();
            make_sprites();
            build_sprite_program();
            made = true;
        }
        glViewport(0, 0, fb_width, fb_height);
    }
    void at(float t) {
        update_audio_features(t);
        update_cue(t);
        direct_camera(fb_width, fb_height, audio.AU);
    }
    std::vector<uint8_t> frame() {
        std::vector<uint8_t> f((size_t)fb_width * fb_height * 4);
        read_rgba(fb_width, fb_height, f.data());
        return f;
    }
    static int changed(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        int n = 0;
        for (size_t i = 0; i < a.size(); i += 4) n += memcmp(&a[i], &b[i], 3) != 0;
        return n;
    }
    void clear() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
    }
};

TEST_F(OrnamentsGL, VertexColourProgramEncodesGamma) {
    const float c[3] = {0.2f, 0.5f, 0.05f};
    const float v[18] = {-1, -1, 0, c[0], c[1], c[2], 3, -1, 0, c[0], c[1], c[2], -1, 3, 0, c[0], c[1], c[2]};
    GLuint vao, vbo;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof v, v, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24, (const void*)12);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glUseProgram(vertex_colour_program.name);
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glUniformMatrix4fv(vertex_colour_program.loc[0], 1, GL_FALSE, identity);
    glDisable(GL_DEPTH_TEST);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    std::vector<uint8_t> f = frame();
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(f[(50 * fb_width + 90) * 4 + k], 255.0f * powf(c[k], 0.4545f), 1.0f) << k;
    EXPECT_EQ(f[(50 * fb_width + 90) * 4 + 3], 255);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(OrnamentsGL, PhraseChangesRebuildAndUploadTheSetAlsoBackwards) {
    ASSERT_TRUE(ornaments_enabled);
    auto get_buffer = (PFNGLGETBUFFERSUBDATAPROC)eglGetProcAddress("glGetBufferSubData");
    ASSERT_NE(get_buffer, nullptr);
    auto uploaded = [&] {
        std::vector<ornament_vertex> gpu(ornament_vertex_count);
        glBindBuffer(GL_ARRAY_BUFFER, ornament_buffer);
        get_buffer(GL_ARRAY_BUFFER, 0, (GLsizeiptr)gpu.size() * 24, gpu.data());
        return gpu;
    };
    at(70.0f * 0.5f); // beat 70: phrase 2
    clear();
    draw_ornaments();
    EXPECT_EQ(ornament_built_phrase, 2);
    std::vector<ornament_vertex> two = uploaded();
    ASSERT_GT(two.size(), 0u);
    EXPECT_EQ(memcmp(two.data(), ornament_vertices, two.size() * 24), 0);
    at(100.0f * 0.5f); // phrase 3
    draw_ornaments();
    EXPECT_EQ(ornament_built_phrase, 3);
    at(65.0f * 0.5f); // back to phrase 2
    draw_ornaments();
    EXPECT_EQ(ornament_built_phrase, 2);
    std::vector<ornament_vertex> again = uploaded();
    ASSERT_EQ(again.size(), two.size());
    EXPECT_EQ(memcmp(again.data(), two.data(), two.size() * 24), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(OrnamentsGL, FramesWithEveryPassDrawWithoutErrors) {
    ASSERT_GE(sprites.title, 0);
    ASSERT_EQ(sprites.ordered_count, 2);
    ASSERT_EQ(sprites.free_count, 5);
    clear();
    std::vector<uint8_t> blank = frame();

    // the ornaments of a phrase, seen by the frame's camera
    at(20.0f);
    clear();
    draw_ornaments();
    scene_sprite_pass(fb_width, fb_height);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_GT(changed(frame(), blank), 50);

    // the emblem with its three sprites
    clear();
    full_cover_extras(fb_width, fb_height, 2, 5.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_GT(changed(frame(), blank), fb_width * fb_height / 20);

    // the title, then a closing card (the default show is 16 seconds)
    at(3.0f);
    clear();
    overlay_pass(fb_width, fb_height);
    EXPECT_GT(changed(frame(), blank), fb_width * fb_height / 10);
    at(show.show_length - 10.0f);
    clear();
    overlay_pass(fb_width, fb_height);
    EXPECT_GT(changed(frame(), blank), fb_width * fb_height / 20);
    at(show.show_length - 0.5f);
    clear();
    overlay_pass(fb_width, fb_height);
    EXPECT_EQ(changed(frame(), blank), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glEnable(GL_DEPTH_TEST);
}

} // namespace
