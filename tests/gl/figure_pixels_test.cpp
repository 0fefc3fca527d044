// The figure program's pixels against a CPU evaluation of its formulas: a quad over the whole
// frame (MVP and M the identity, all bones the identity) whose normals, positions and texture
// coordinates vary across it; and the figure pass drawing the built-in scene.
#include <math.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/figure_values.h"
#include "core/pose.h"
#include "figures/figure_pass.h"
#include "gl_fixture.h"
#include "looks/palette.h"
#include "reference.h"
#include "render/programs.h"
#include "render/slots.h"

namespace {

struct quad_vertex {
    float q[3];
    float n[3];
    uint8_t bi[2], pad[2];
    float bw;
    float uv[2];
};

// Quad corners in piece space (x, y over -1..1, z = 0.5 x + 0.3 y) and their normals.
struct quad_shape {
    float n[4][3]; // at (-1,-1), (1,-1), (1,1), (-1,1), already unit length
};

const float B_[3] = {2.0f, 2.0f, 1.6f};
const float O_[3] = {-1.0f, -1.0f, -0.8f};
const float corner_xy[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

void normalize3(float v[3]) {
    float l = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int i = 0; i < 3; ++i) v[i] /= l;
}

quad_shape make_shape(const float raw[4][3]) {
    quad_shape s;
    for (int i = 0; i < 4; ++i) {
        memcpy(s.n[i], raw[i], sizeof s.n[i]);
        normalize3(s.n[i]);
    }
    return s;
}

struct figure_case_inputs {
    float PT[4] = {0, 0, 0, 0};
    float PA[3] = {0.9f, 0.2f, 0.1f}, PB[3] = {0.1f, 0.7f, 0.3f}, PC[3] = {0.2f, 0.3f, 0.95f};
    float AU[4] = {0, 0, 0, 0};
    float PBT = 0;
    float A[3] = {0.8f, 0.7f, 0.6f};
    float K[3] = {0.2f, 0.25f, 0.3f}, S[3] = {0.83f, 0.79f, 0.74f};
    float SC[3] = {0.9f, 0.85f, 0.5f};
    float CAMP[3] = {0.0f, 0.0f, 5.0f};
    float XS = 1;
    float HASTEX = 0;
    float PAL[2][3] = {{1.0f, 0.4f, 0.2f}, {0.3f, 0.5f, 1.0f}};
    const ref_texture* IDX = nullptr; // sampled nearest
};

float fractf(float x) { return x - floorf(x); }
float modf_(float x, float m) { return x - m * floorf(x / m); }
float stepf(float e, float x) { return x >= e ? 1.0f : 0.0f; }

float sample_nearest(const ref_texture& t, float u, float v) {
    float fu = fractf(u), fv = fractf(v);
    int x = (int)floorf(fu * t.width), y = (int)floorf(fv * t.height);
    if (x >= t.width) x = t.width - 1;
    if (y >= t.height) y = t.height - 1;
    return t.texels[y * t.width + x] / 255.0f;
}

float hash_h(float px, float py) { return fractf(sinf(px * 127.1f + py * 311.7f) * 43758.5f); }
float vn(float px, float py) {
    float ix = floorf(px), iy = floorf(py), tx = px - ix, ty = py - iy;
    float wx = tx * tx * (3 - 2 * tx), wy = ty * ty * (3 - 2 * ty);
    float a = hash_h(ix, iy), b = hash_h(ix + 1, iy), c = hash_h(ix, iy + 1), d = hash_h(ix + 1, iy + 1);
    float ab = a + (b - a) * wx, cd = c + (d - c) * wx;
    return ab + (cd - ab) * wy;
}

float pattern(const figure_case_inputs& in, const float q[3]) {
    int k = (int)(in.PT[0] + 0.5f), pr = (int)(in.PT[2] + 0.5f);
    float c[2];
    if (pr == 0) c[0] = q[0], c[1] = q[1];
    else if (pr == 1) c[0] = atan2f(q[1], q[0]) * 0.9549f, c[1] = q[2];
    else if (pr == 2) c[0] = q[0], c[1] = q[2];
    else c[0] = q[1], c[1] = q[2];
    float f = in.PT[1] * (1.0f + 0.12f * in.AU[0]);
    c[0] += 0.13f * in.PT[3] * in.PBT;
    c[1] += 0.07f * in.PT[3] * in.PBT;
    float g[2] = {fractf(c[0] * f) - 0.5f, fractf(c[1] * f) - 0.5f};
    float lq = sqrtf(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
    float lg = sqrtf(g[0] * g[0] + g[1] * g[1]);
    switch (k) {
    case 1: return stepf(0.5f, fractf(c[1] * f));
    case 2: return lg <= 0.3f ? 1.0f : 0.0f;
    case 3: return stepf(0.5f, fractf(lq * f - in.PT[3] * in.PBT * 0.25f));
    case 4: return modf_(floorf(c[0] * f) + floorf(c[1] * f), 2.0f);
    case 5: return stepf(0.5f, fractf(c[1] * f + fabsf(fractf(c[0] * f * 0.5f) - 0.5f) * 2.0f));
    case 6: return stepf(0.5f, fractf(atan2f(q[1], q[0]) * 0.3183f * f));
    case 7: return modf_(floorf(fmaxf(fabsf(g[0]), fabsf(g[1])) * 7.0f) + floorf(in.PBT), 3.0f);
    case 8: return modf_(floorf(lg * 8.0f) - floorf(in.PBT), 3.0f);
    case 9:
        if (sample_nearest(*in.IDX, fractf(c[0] * f * 0.5f), fractf(c[1] * f * 0.5f)) > 0.002f) return 1.0f;
        return 2.0f * modf_(floorf(c[0] * f * 0.5f) + floorf(c[1] * f * 0.5f), 2.0f);
    case 10: return modf_(floorf((fabsf(g[0]) + fabsf(g[1])) * 6.0f), 3.0f);
    case 11: return floorf((sinf(c[0] * f + 2.0f * sinf(c[1] * f * 0.7f + 0.5f * in.PBT)) * 0.5f + 0.5f) * 2.99f);
    default: {
        float v = (vn(0.7f * f * c[0], 0.7f * f * c[1]) * 0.65f + vn(1.9f * f * c[0], 1.9f * f * c[1]) * 0.35f) * 3.6f -
                  0.3f + 0.3f * in.AU[0];
        return floorf(fminf(fmaxf(v, 0.0f), 2.0f));
    }
    }
}

// What the figure program draws at pixel (fx, fy) of the quad.
void figure_reference(const figure_case_inputs& in, const quad_shape& shape, float fx, float fy, float out[4]) {
    float x = fx / (float)fb_width * 2 - 1, y = fy / (float)fb_height * 2 - 1;
    // barycentric weights in the triangle (0, 1, 2) below the diagonal or (0, 2, 3) above it
    float w[4] = {0, 0, 0, 0};
    float u = (x + 1) / 2, v = (y + 1) / 2;
    if (v <= u) {
        w[0] = 1 - u, w[1] = u - v, w[2] = v;
    } else {
        w[0] = 1 - v, w[3] = v - u, w[2] = u;
    }
    float n[3] = {0, 0, 0};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c) n[c] += w[i] * shape.n[i][c];
    normalize3(n);
    float P[3] = {x, y, 0.5f * x + 0.3f * y};
    float V[3] = {in.CAMP[0] - P[0], in.CAMP[1] - P[1], in.CAMP[2] - P[2]};
    normalize3(V);
    const float* L = figure_light;
    float d = fmaxf(n[0] * L[0] + n[1] * L[1] + n[2] * L[2], 0.0f);
    float al[3] = {in.A[0], in.A[1], in.A[2]};
    if (in.HASTEX > 0.5f) {
        int i = (int)(sample_nearest(*in.IDX, u, v) * 255.0f + 0.5f);
        i = i < 0 ? 0 : (i > 1 ? 1 : i);
        for (int c = 0; c < 3; ++c) al[c] *= in.PAL[i][c];
    }
    if (in.PT[0] > 0.5f) {
        float m = pattern(in, P);
        const float* pick = m < 0.5f ? in.PA : (m < 1.5f ? in.PB : in.PC);
        for (int c = 0; c < 3; ++c) al[c] = pick[c] * (1.0f + 0.2f * in.AU[3]);
    }
    d = ceilf(d);
    float H[3] = {L[0] + V[0], L[1] + V[1], L[2] + V[2]};
    normalize3(H);
    float hl = powf(fmaxf(n[0] * H[0] + n[1] * H[1] + n[2] * H[2], 0.0f), 70.0f);
    float t = fminf(fmaxf((hl - 0.48f) / 0.04f, 0.0f), 1.0f);
    hl = t * t * (3 - 2 * t);
    for (int c = 0; c < 3; ++c) {
        float col = al[c] * (in.K[c] + in.S[c] * d) + in.SC[c] * hl * in.XS;
        out[c] = powf(fmaxf(col, 0.0f), 0.4545f);
    }
    out[3] = 1.0f;
}

GLuint quad_vao, quad_vbo, quad_ibo, test_texture;

void draw_quad(const figure_case_inputs& in, const quad_shape& shape) {
    quad_vertex v[4];
    for (int i = 0; i < 4; ++i) {
        float x = corner_xy[i][0], y = corner_xy[i][1], z = 0.5f * x + 0.3f * y;
        v[i].q[0] = (x - O_[0]) / B_[0];
        v[i].q[1] = (y - O_[1]) / B_[1];
        v[i].q[2] = (z - O_[2]) / B_[2];
        memcpy(v[i].n, shape.n[i], sizeof v[i].n);
        v[i].bi[0] = 12, v[i].bi[1] = 12;
        v[i].bw = 1.0f;
        v[i].uv[0] = (x + 1) / 2;
        v[i].uv[1] = (y + 1) / 2;
    }
    if (!quad_vao) {
        glGenVertexArrays(1, &quad_vao);
        glBindVertexArray(quad_vao);
        glGenBuffers(1, &quad_vbo);
        glBindBuffer(GL_ARRAY_BUFFER, quad_vbo);
        const GLsizei st = sizeof(quad_vertex);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, st, (void*)offsetof(quad_vertex, q));
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, st, (void*)offsetof(quad_vertex, n));
        glVertexAttribIPointer(2, 2, GL_UNSIGNED_BYTE, st, (void*)offsetof(quad_vertex, bi));
        glVertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, st, (void*)offsetof(quad_vertex, bw));
        glVertexAttribPointer(5, 2, GL_FLOAT, GL_FALSE, st, (void*)offsetof(quad_vertex, uv));
        for (int a : {0, 1, 2, 3, 5}) glEnableVertexAttribArray(a);
        static const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        glGenBuffers(1, &quad_ibo);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quad_ibo);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof idx, idx, GL_STATIC_DRAW);
    }
    glBindVertexArray(quad_vao);
    glBindBuffer(GL_ARRAY_BUFFER, quad_vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof v, v, GL_STATIC_DRAW);

    look_up_figure_second(); // the fixture's start-up stops before the pattern records
    const GLint* loc = figure_program.loc;
    const GLint* loc2 = figure_uniforms_second;
    glViewport(0, 0, fb_width, fb_height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glUseProgram(figure_program.name);
    float bones[13 * 16], id[16];
    mat4_identity(id);
    for (int b = 0; b < 13; ++b) memcpy(bones + 16 * b, id, sizeof id);
    glUniformMatrix4fv(loc[fig_BONES], 13, GL_FALSE, bones);
    glUniformMatrix4fv(loc[fig_MVP], 1, GL_FALSE, id);
    glUniformMatrix4fv(loc[fig_M], 1, GL_FALSE, id);
    glUniform3f(loc[fig_B], B_[0], B_[1], B_[2]);
    glUniform3f(loc[fig_O], O_[0], O_[1], O_[2]);
    glUniform3fv(loc[fig_A], 1, in.A);
    glUniform3fv(loc[fig_L], 1, figure_light);
    glUniform3fv(loc[fig_K], 1, in.K);
    glUniform3fv(loc[fig_S], 1, in.S);
    glUniform3fv(loc[fig_CAMP], 1, in.CAMP);
    glUniform3fv(loc2[fig2_SC], 1, in.SC);
    glUniform1f(loc2[fig2_XS], in.XS);
    glUniform4f(loc2[fig2_PT], in.PT[0], in.PT[1], in.PT[2], in.PT[3]);
    glUniform3fv(loc2[fig2_PA], 1, in.PA);
    glUniform3fv(loc2[fig2_PB], 1, in.PB);
    glUniform3fv(loc2[fig2_PC], 1, in.PC);
    glUniform4f(loc2[fig2_AU], in.AU[0], in.AU[1], in.AU[2], in.AU[3]);
    glUniform1f(loc2[fig2_PBT], in.PBT);
    glUniform1f(loc[fig_HASTEX], in.HASTEX);
    glUniform3fv(loc[fig_PAL], 2, &in.PAL[0][0]);
    if (in.IDX) {
        if (!test_texture) glGenTextures(1, &test_texture);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, test_texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, in.IDX->width, in.IDX->height, 0, GL_RED, GL_UNSIGNED_BYTE, in.IDX->texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glUniform1i(loc[fig_IDX], 1);
        glActiveTexture(GL_TEXTURE0);
    }
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr);
}

void expect_quad(const figure_case_inputs& in, const quad_shape& shape, const char* what) {
    const uint8_t clear[4] = {7, 9, 11, 255};
    glClearColor(clear[0] / 255.0f, clear[1] / 255.0f, clear[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw_quad(in, shape);
    std::vector<uint8_t> frame((size_t)fb_width * fb_height * 4);
    read_rgba(fb_width, fb_height, frame.data());
    frame_comparison c = compare_frame(
        fb_width, fb_height, frame.data(),
        [&](float fx, float fy, float out[4]) {
            figure_reference(in, shape, fx, fy, out);
            return true;
        },
        clear);
    EXPECT_EQ(c.wrong, 0) << what << ": " << c.wrong << " of " << c.pixels << " differ; first: " << c.first_wrong;
    EXPECT_LE(c.on_edges, c.pixels / 8) << what;
}

// Normals turning from away from the light (left) to towards it (right).
const float across_terminator[4][3] = {{-0.8f, -0.2f, -0.56f}, {0.8f, -0.2f, 0.56f}, {0.8f, 0.2f, 0.56f}, {-0.8f, 0.2f, -0.56f}};
// Normals around the half vector of the light and a viewer on +z: a highlight in the middle.
const float around_highlight[4][3] = {
    {0.19f, 0.0f, 0.98f}, {0.37f, 0.0f, 0.93f}, {0.37f, 0.14f, 0.92f}, {0.19f, 0.14f, 0.97f}};

} // namespace

TEST(FigurePixels, ToonLightAndHighlight) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    quad_shape terminator = make_shape(across_terminator);
    figure_case_inputs in;
    expect_quad(in, terminator, "both sides of the terminator");
    // the frame really holds both levels: the left edge in shadow (al K), the right lit
    float left[4], right[4];
    figure_reference(in, terminator, 0.5f, 50.5f, left);
    figure_reference(in, terminator, (float)fb_width - 0.5f, 50.5f, right);
    EXPECT_NEAR(left[0], powf(in.A[0] * in.K[0], 0.4545f), 1e-5f);
    EXPECT_NEAR(right[0], powf(in.A[0] * (in.K[0] + in.S[0]), 0.4545f), 1e-5f);

    quad_shape spot = make_shape(around_highlight);
    expect_quad(in, spot, "highlight on");
    // the spot is in the picture, and XS = 0 takes it away
    int lit = 0;
    for (int y = 0; y < fb_height; y += 2)
        for (int x = 0; x < fb_width; x += 2) {
            float a[4], b[4];
            figure_case_inputs off = in;
            off.XS = 0;
            figure_reference(in, spot, x + 0.5f, y + 0.5f, a);
            figure_reference(off, spot, x + 0.5f, y + 0.5f, b);
            lit += a[2] > b[2] + 0.1f;
        }
    EXPECT_GT(lit, 50);
    in.XS = 0;
    expect_quad(in, spot, "highlight off");
}

TEST(FigurePixels, EveryPatternAndProjection) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    quad_shape terminator = make_shape(across_terminator);
    static const uint8_t tex[16] = {0, 1, 0, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1};
    ref_texture idx = {4, 4, 1, tex, true};
    for (int kind = 1; kind <= 12; ++kind)
        for (int projection = 0; projection <= 3; ++projection)
            for (float kick : {0.0f, 1.0f}) {
                figure_case_inputs in;
                in.PT[0] = (float)kind;
                in.PT[1] = kind == 12 ? 0.6f : 2.3f;
                in.PT[2] = (float)projection;
                in.PT[3] = kind == 12 ? 0.0f : 0.4f;
                in.PBT = 5.25f;
                in.AU[0] = kick;
                in.AU[3] = 0.5f;
                in.IDX = &idx;
                char what[64];
                snprintf(what, sizeof what, "pattern %d, projection %d, AU.x %g", kind, projection, (double)kick);
                expect_quad(in, terminator, what);
            }
}

TEST(FigurePixels, IndexTextureColourPair) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    quad_shape terminator = make_shape(across_terminator);
    // 0 gives PAL[0]; 1 and anything above give PAL[1]
    static const uint8_t tex[16] = {0, 1, 2, 255, 0, 0, 7, 0, 1, 0, 0, 0, 0, 200, 0, 1};
    ref_texture idx = {4, 4, 1, tex, true};
    figure_case_inputs in;
    in.HASTEX = 1;
    in.IDX = &idx;
    expect_quad(in, terminator, "index texture");
    // a pattern replaces the texture's colour
    in.PT[0] = 4;
    in.PT[1] = 1.7f;
    expect_quad(in, terminator, "pattern over an index texture");
}

TEST(FigurePass, DrawsTheDancersWhereTheCameraLooks) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const float pl[4][3] = {{0.02f, 0.02f, 0.05f}, {0.9f, 0.6f, 0.2f}, {0.7f, 0.1f, 0.3f}, {0.2f, 0.5f, 0.8f}};
    memcpy(PL, pl, sizeof pl);
    memset(pattern_records, 0, sizeof pattern_records);
    look_up_figure_second();
    cue.dance_phase = 3.0f;
    cue.beat = 6.0f;
    audio = audio_frame{};
    for (int group = 0; group < 2; ++group) {
        camera_input in{};
        in.dance_phase = cue.dance_phase;
        in.variant = group;
        in.kind = 0;
        in.key = 17;
        in.aspect = (float)fb_width / (float)fb_height;
        compute_camera(in, &camera);
        glViewport(0, 0, fb_width, fb_height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        while (glGetError() != GL_NO_ERROR) {
        }
        figure_pass(fb_width, fb_height);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        std::vector<uint8_t> frame((size_t)fb_width * fb_height * 4);
        read_rgba(fb_width, fb_height, frame.data());
        // the target (the dancer's middle) is at the centre of the picture: drawn there
        int cx = fb_width / 2, cy = fb_height / 2, drawn = 0;
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x) {
                const uint8_t* p = &frame[(size_t)(y * fb_width + x) * 4];
                drawn += p[0] + p[1] + p[2] > 0;
            }
        EXPECT_GT(drawn, 20) << "group " << group;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(figure_vertex_array);
}
