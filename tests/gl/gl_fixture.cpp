#include "gl_fixture.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include "platform/offscreen/egl_context.h"
#include "render/programs.h"
#include "render/render.h"
#include "render/shader_sources.h"

recorded_gl_state startup_gl_state;
PFNGLGETSHADERIVPROC test_glGetShaderiv;
PFNGLGETSHADERINFOLOGPROC test_glGetShaderInfoLog;
PFNGLGETPROGRAMIVPROC test_glGetProgramiv;
PFNGLGETPROGRAMINFOLOGPROC test_glGetProgramInfoLog;
PFNGLGETATTACHEDSHADERSPROC test_glGetAttachedShaders;

namespace {

bool ready;
const char* why_not = "the context was never opened";
GLuint ramp_program;
GLint ramp_variant_location;

const char ramp_fragment[] = R"glsl(#version 330 core
uniform int V;
out vec4 C;
void main() {
    ivec2 i = ivec2(gl_FragCoord.xy);
    ivec4 c = V == 0 ? ivec4(i.x, i.y, (i.x + 2 * i.y) / 2, 255)
                     : ivec4(255 - i.x, (i.x + i.y) / 2, i.y + 40, 255);
    C = vec4(clamp(c, 0, 255)) / 255.0;
}
)glsl";

struct gl_environment : ::testing::Environment {
    void SetUp() override {
        if (!offscreen_open(fb_width, fb_height, &why_not)) return;
        test_glGetShaderiv = (PFNGLGETSHADERIVPROC)offscreen_get_proc("glGetShaderiv");
        test_glGetShaderInfoLog = (PFNGLGETSHADERINFOLOGPROC)offscreen_get_proc("glGetShaderInfoLog");
        test_glGetProgramiv = (PFNGLGETPROGRAMIVPROC)offscreen_get_proc("glGetProgramiv");
        test_glGetProgramInfoLog = (PFNGLGETPROGRAMINFOLOGPROC)offscreen_get_proc("glGetProgramInfoLog");
        test_glGetAttachedShaders = (PFNGLGETATTACHEDSHADERSPROC)offscreen_get_proc("glGetAttachedShaders");
        // The player's order of GL resources.
        render_init_early();
        build_vertex_colour_program();
        build_sprite_program();
        render_init_late(fb_width, fb_height);
        startup_gl_state.depth_test = glIsEnabled(GL_DEPTH_TEST);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, startup_gl_state.clear_colour);
        memcpy(startup_gl_state.projection, projection_matrix, sizeof startup_gl_state.projection);
        const char* fragment = ramp_fragment;
        ramp_program = build_program(shader_fullscreen_vert, 1, &fragment);
        ramp_variant_location = glGetUniformLocation(ramp_program, "V");
        ready = true;
    }
    void TearDown() override { offscreen_close(); }
};

auto* const environment = ::testing::AddGlobalTestEnvironment(new gl_environment);

uint8_t to_byte(float v) {
    float c = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    return (uint8_t)lrintf(c * 255.0f);
}

bool close_to(const uint8_t* got, const float want[4]) {
    for (int c = 0; c < 4; ++c)
        if (abs((int)got[c] - (int)to_byte(want[c])) > 2) return false;
    return true;
}

bool close_to(const uint8_t* got, const uint8_t* want) {
    for (int c = 0; c < 4; ++c)
        if (abs((int)got[c] - (int)want[c]) > 2) return false;
    return true;
}

} // namespace

bool gl_ready() { return ready; }
const char* gl_why_not() { return why_not; }

void read_rgba(int w, int h, uint8_t* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out);
}

void draw_ramp(int w, int h, int variant) {
    glViewport(0, 0, w, h);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glUseProgram(ramp_program);
    glUniform1i(ramp_variant_location, variant);
    glBindVertexArray(fullscreen_vertex_array);
    draw_fullscreen_triangle();
}

void ramp_texel(int x, int y, int variant, uint8_t out[4]) {
    int c[4];
    if (variant == 0) {
        c[0] = x, c[1] = y, c[2] = (x + 2 * y) / 2, c[3] = 255;
    } else {
        c[0] = 255 - x, c[1] = (x + y) / 2, c[2] = y + 40, c[3] = 255;
    }
    for (int i = 0; i < 4; ++i) out[i] = (uint8_t)(c[i] < 0 ? 0 : (c[i] > 255 ? 255 : c[i]));
}

frame_comparison compare_frame(int w, int h, const uint8_t* frame, const pixel_reference& reference,
                               const uint8_t kept[4]) {
    static const float offsets[] = {0.0f, 0.03f, -0.03f, 0.1f, -0.1f};
    frame_comparison result;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* got = frame + (y * w + x) * 4;
            ++result.pixels;
            bool matched_centre = false, matched_near = false;
            float centre[4] = {};
            bool centre_drawn = true;
            for (float dy : offsets) {
                for (float dx : offsets) {
                    float want[4];
                    bool drawn = reference((float)x + 0.5f + dx, (float)y + 0.5f + dy, want);
                    bool ok = drawn ? close_to(got, want) : close_to(got, kept);
                    if (dx == 0.0f && dy == 0.0f) {
                        centre_drawn = drawn;
                        for (int c = 0; c < 4; ++c) centre[c] = want[c];
                        matched_centre = ok;
                    } else if (ok) {
                        matched_near = true;
                    }
                    if (matched_centre) break;
                }
                if (matched_centre || matched_near) break;
            }
            if (matched_centre) {
                ++result.exact;
            } else if (matched_near) {
                ++result.on_edges;
            } else {
                if (result.wrong++ == 0) {
                    char text[200];
                    if (centre_drawn)
                        snprintf(text, sizeof text, "pixel (%d, %d): drawn %d %d %d %d, expected %d %d %d %d", x, y,
                                 got[0], got[1], got[2], got[3], to_byte(centre[0]), to_byte(centre[1]),
                                 to_byte(centre[2]), to_byte(centre[3]));
                    else
                        snprintf(text, sizeof text, "pixel (%d, %d): drawn %d %d %d %d, expected it discarded", x, y,
                                 got[0], got[1], got[2], got[3]);
                    result.first_wrong = text;
                }
            }
        }
    return result;
}
