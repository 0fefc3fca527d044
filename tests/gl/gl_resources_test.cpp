// The entry-point table, the program set with its uniform tables, and the GL resources: the
// full-screen triangle, render targets, index and pattern textures, sprites.
#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/index_slots.h"
#include "data/pattern_atlas.h"
#include "gl_fixture.h"
#include "looks/patterns.h"
#include "render/programs.h"
#include "render/shader_sources.h"
#include "render/textures.h"

namespace {

// ---- entry points ----

struct lookup_log {
    std::vector<std::string> asked;
    int missing = -1;
};
lookup_log* active_log;

void* fake_lookup(const char* name) {
    active_log->asked.push_back(name);
    if ((int)active_log->asked.size() - 1 == active_log->missing) return nullptr;
    return (void*)&fake_lookup;
}

TEST(EntryTable, ResolvesInTableOrderAndStopsAtTheFirstMissingName) {
    void* saved[gl_entry_count];
    memcpy(saved, gl_entries, sizeof saved);
    struct {
        int missing;
        bool ok;
        int asked;
    } cases[] = {{-1, true, 35}, {0, false, 1}, {19, false, 20}, {34, false, 35}};
    for (const auto& c : cases) {
        lookup_log log;
        log.missing = c.missing;
        active_log = &log;
        memset(gl_entries, 0, sizeof gl_entries);
        EXPECT_EQ(gl_resolve(fake_lookup), c.ok) << "missing " << c.missing;
        ASSERT_EQ((int)log.asked.size(), c.asked) << "missing " << c.missing;
        for (int i = 0; i < c.asked; ++i) EXPECT_EQ(log.asked[i], gl_entry_names[i]);
        for (int i = 0; i < gl_entry_count; ++i)
            EXPECT_EQ(gl_entries[i] != nullptr, c.missing < 0 || i < c.missing) << "entry " << i;
    }
    memcpy(gl_entries, saved, sizeof saved);

    // A few fixed places of the table, and no name twice.
    EXPECT_STREQ(gl_entry_names[0], "glCreateProgram");
    EXPECT_STREQ(gl_entry_names[7], "glGetUniformLocation");
    EXPECT_STREQ(gl_entry_names[19], "glVertexAttribIPointer");
    EXPECT_STREQ(gl_entry_names[23], "glActiveTexture");
    EXPECT_STREQ(gl_entry_names[26], "glUniform4f");
    EXPECT_STREQ(gl_entry_names[33], "glDrawElementsInstanced");
    for (int i = 0; i < gl_entry_count; ++i)
        for (int j = i + 1; j < gl_entry_count; ++j) EXPECT_STRNE(gl_entry_names[i], gl_entry_names[j]);
}

// ---- programs ----

std::string shader_log(GLuint shader) {
    char text[4096] = {};
    test_glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    return text;
}

struct program_case {
    const char* name;
    const gl_program* program;
};

TEST(Programs, EveryShaderCompilesAndEveryProgramLinks) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const program_case cases[] = {{"background", &background_program}, {"cover", &cover_program},
                                  {"post", &post_program},             {"sprite", &sprite_program},
                                  {"vertex-colour", &vertex_colour_program}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.program->name, 0u);
        GLuint shaders[4];
        GLsizei count = 0;
        test_glGetAttachedShaders(c.program->name, 4, &count, shaders);
        EXPECT_EQ(count, 2);
        for (int i = 0; i < count; ++i) {
            GLint ok = 0;
            test_glGetShaderiv(shaders[i], GL_COMPILE_STATUS, &ok);
            EXPECT_EQ(ok, GL_TRUE) << shader_log(shaders[i]);
        }
        GLint linked = 0;
        test_glGetProgramiv(c.program->name, GL_LINK_STATUS, &linked);
        char text[4096] = {};
        test_glGetProgramInfoLog(c.program->name, sizeof text, nullptr, text);
        EXPECT_EQ(linked, GL_TRUE) << text;
    }
    // The background shader's text has no version line of its own: it comes as a first string.
    EXPECT_EQ(strstr(shader_background_frag, "#version"), nullptr);
    for (const char* s : {shader_fullscreen_vert, shader_cover_frag, shader_post_frag, shader_sprite_vert,
                          shader_sprite_frag, shader_vertex_colour_vert, shader_vertex_colour_frag})
        EXPECT_EQ(strncmp(s, "#version 330 core\n", 18), 0) << s;
}

TEST(Programs, UniformTablesFollowTheNameLists) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    // The shared list: post, background, cover.
    const char* const expected[fullscreen_uniform_count] = {
        "R", "T", "B", "AU", "S", "L", "E", "K",
        "R", "t", "beat", "cue", "sinceCue", "P", "COL", "BELOW", "LAST", "PL", "AU", "MOOD",
        "R", "T", "B", "AU", "PL", "K", "S", "F", "M", "Z", "TX"};
    for (int i = 0; i < fullscreen_uniform_count; ++i) EXPECT_STREQ(fullscreen_uniform_names[i], expected[i]);

    struct {
        const gl_program* program;
        int first, count;
        const char* name;
    } lists[] = {{&post_program, post_uniform_first, post_uniform_count, "post"},
                 {&background_program, background_uniform_first, background_uniform_count, "background"},
                 {&cover_program, cover_uniform_first, cover_uniform_count, "cover"}};
    for (const auto& l : lists) {
        for (int i = 0; i < l.count; ++i) {
            const char* name = fullscreen_uniform_names[l.first + i];
            GLint loc = l.program->loc[i];
            bool absent = !strcmp(name, "BELOW") || !strcmp(name, "LAST");
            bool unread = !strcmp(name, "cue") || !strcmp(name, "sinceCue"); // declared, never read
            EXPECT_EQ(loc, glGetUniformLocation(l.program->name, name)) << l.name << " " << name;
            if (absent) {
                EXPECT_EQ(loc, -1) << l.name << " " << name;
            } else if (!unread) {
                EXPECT_GE(loc, 0) << l.name << " " << name;
            }
            for (int j = 0; j < i && loc >= 0; ++j) EXPECT_NE(loc, l.program->loc[j]) << l.name << " " << name;
        }
    }
    // The floats of P are uploaded one by one at consecutive locations, as many as the linked
    // program keeps (speed and detail at least).
    EXPECT_GE(background_p_active, 2);
    for (int i = 0; i < 8; ++i) {
        std::string element = "P[" + std::to_string(i) + "]";
        GLint loc = glGetUniformLocation(background_program.name, element.c_str());
        if (i < background_p_active) {
            EXPECT_EQ(loc, background_program.loc[bg_P] + i) << element;
        } else {
            EXPECT_EQ(loc, -1) << element;
        }
    }
    for (int i = 0; i < 3; ++i) EXPECT_GE(sprite_program.loc[i], 0) << "sprite uniform " << i;
    EXPECT_GE(vertex_colour_program.loc[0], 0);
}

// ---- full-screen triangle ----

TEST(FullScreenTriangle, CoversEveryPixelOfAnyViewportOnce) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    static const char quarter[] = "#version 330 core\nout vec4 C;\nvoid main() { C = vec4(0.25); }\n";
    static GLuint program;
    if (!program) {
        const char* f = quarter;
        program = build_program(shader_fullscreen_vert, 1, &f);
    }
    const int sizes[][2] = {{fb_width, fb_height}, {37, 100}, {1, 1}, {191, 3}, {2, 107}};
    for (const auto& s : sizes) {
        glViewport(0, 0, fb_width, fb_height);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glViewport(0, 0, s[0], s[1]);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE); // a pixel drawn twice would show 0.5
        glUseProgram(program);
        glBindVertexArray(fullscreen_vertex_array);
        draw_fullscreen_triangle();
        glDisable(GL_BLEND);
        std::vector<uint8_t> frame(fb_width * fb_height * 4);
        read_rgba(fb_width, fb_height, frame.data());
        int wrong = 0;
        for (int y = 0; y < fb_height; ++y)
            for (int x = 0; x < fb_width; ++x) {
                int want = (x < s[0] && y < s[1]) ? 64 : 0;
                if (frame[(y * fb_width + x) * 4] != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << s[0] << " x " << s[1];
    }
}

// ---- render targets ----

TEST(RenderTarget, MadeOnFirstUseAndResizedInPlace) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    GLuint name = 0;
    struct {
        int w, h;
    } sizes[] = {{32, 16}, {64, 8}, {5, 7}};
    GLuint first = 0;
    for (const auto& s : sizes) {
        create_render_target(&name, s.w, s.h);
        ASSERT_NE(name, 0u);
        if (!first) first = name;
        EXPECT_EQ(name, first) << "the name stays the same";
        GLint w = 0, h = 0, format = 0, min = 0, mag = 0, ws = 0, wt = 0, bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ((GLuint)bound, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &ws);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wt);
        EXPECT_EQ(w, s.w);
        EXPECT_EQ(h, s.h);
        EXPECT_TRUE(format == GL_RGBA || format == GL_RGBA8) << format;
        EXPECT_EQ(min, GL_LINEAR);
        EXPECT_EQ(mag, GL_LINEAR);
        EXPECT_EQ(ws, GL_CLAMP_TO_EDGE);
        EXPECT_EQ(wt, GL_CLAMP_TO_EDGE);
    }
    glDeleteTextures(1, &name);
}

// ---- index and pattern textures ----

struct texture_facts {
    GLint width, height, format, min, mag, wrap_s, wrap_t;
};
texture_facts facts_of(GLuint texture) {
    texture_facts f = {};
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &f.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &f.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &f.format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &f.min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &f.mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &f.wrap_s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &f.wrap_t);
    return f;
}

// Runs first in this suite: the textures as start-up leaves them before any pattern.
TEST(Textures, IndexTexturesForTheSlotsWithImages) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    for (int slot = 0; slot < texture_slot_count; ++slot) {
        SCOPED_TRACE(slot);
        if (index_slots[slot].size == 0) {
            EXPECT_EQ(index_textures[slot], 0u);
            continue;
        }
        ASSERT_NE(index_textures[slot], 0u);
        texture_facts f = facts_of(index_textures[slot]);
        int n = index_slots[slot].size;
        EXPECT_EQ(f.width, n);
        EXPECT_EQ(f.height, n);
        EXPECT_EQ(f.format, GL_R8);
        EXPECT_EQ(f.min, GL_NEAREST);
        EXPECT_EQ(f.mag, GL_NEAREST);
        EXPECT_EQ(f.wrap_s, GL_REPEAT);
        EXPECT_EQ(f.wrap_t, GL_REPEAT);
        std::vector<uint8_t> pixels(n * n, 0xEE);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(memcmp(pixels.data(), index_pixels + index_slots[slot].pixel_offset, n * n), 0);
    }
}

TEST(Textures, PatternUploadReplacesTheSlotImage) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    struct {
        int slot, pattern, flags;
    } cases[] = {{1, 3, 0}, {9, 5, pattern_flag_invert | pattern_flag_mirror}, {1, 0, pattern_flag_double | pattern_flag_flip}};
    std::vector<uint8_t> scratch(65536), expected(65536), got(65536);
    int saved_count = pattern_choice_count;
    pattern_choice saved = pattern_choices[0];
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        pattern_choice& choice = pattern_choices[0];
        choice.slot = c.slot;
        choice.pattern = c.pattern;
        choice.flags = c.flags;
        float pair[2][3] = {{0.1f * c.slot, 0.2f, 0.3f}, {0.4f, 0.5f, 0.01f * c.pattern}};
        memcpy(choice.pair, pair, sizeof pair);
        pattern_choice_count = 1;
        GLuint before = index_textures[c.slot];
        upload_pattern_texture(0, scratch.data());
        EXPECT_EQ(index_textures[c.slot], before) << "the slot keeps its texture name";
        EXPECT_EQ(pattern_texture, before);
        EXPECT_EQ(memcmp(slot_pairs[c.slot], pair, sizeof pair), 0);

        texture_facts f = facts_of(before);
        EXPECT_EQ(f.width, 256);
        EXPECT_EQ(f.height, 256);
        EXPECT_EQ(f.format, GL_R8);
        EXPECT_EQ(f.min, GL_LINEAR);
        EXPECT_EQ(f.mag, GL_LINEAR);
        EXPECT_EQ(f.wrap_s, GL_REPEAT);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, got.data());
        make_pattern_image(pattern_atlas, c.pattern, c.flags, expected.data());
        EXPECT_EQ(memcmp(got.data(), expected.data(), 65536), 0);
        int ones = 0;
        for (uint8_t b : got) ones += b;
        EXPECT_GT(ones, 0);
    }
    pattern_choices[0] = saved;
    pattern_choice_count = saved_count;
}

// ---- sprites ----

TEST(Sprites, PlacedWithTheirProportionsAndIndexZeroTransparent) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    const int image = 6, iw = 400, ih = 200;
    // Index 0 in the left quarter and the top quarter of the picture, 1 elsewhere.
    std::vector<uint8_t> pixels(iw * ih);
    for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x) pixels[y * iw + x] = (x < 100 || y < 50) ? 0 : 1;
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, iw, ih, 0, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    sprite_textures[image] = texture;
    sprite_widths[image] = iw;
    sprite_heights[image] = ih;
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c) sprite_palettes[image][i][c] = 1.0f; // slot 0 white: never shown
    sprite_palettes[image][1][0] = 0.5f;
    sprite_palettes[image][1][1] = 0.2f;
    sprite_palettes[image][1][2] = 0.0f;

    glViewport(0, 0, fb_width, fb_height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(sprite_program.name);
    glBindVertexArray(sprite_quad_vertex_array);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(sprite_program.loc[sprite_T], 0);
    // scale 1 on a 16:9 viewport: 0.5625 x 0.5 units, 54 x 27 pixels at 192 x 108
    place_sprite(image, 0.0f, 0.0f, 1.0f, 0.0f, (float)fb_width / (float)fb_height);

    std::vector<uint8_t> frame(fb_width * fb_height * 4);
    read_rgba(fb_width, fb_height, frame.data());
    int x0 = fb_width, x1 = -1, y0 = fb_height, y1 = -1, drawn = 0, off_palette = 0;
    int r = (int)lrintf(powf(0.5f, 0.4545f) * 255.0f), g = (int)lrintf(powf(0.2f, 0.4545f) * 255.0f);
    for (int y = 0; y < fb_height; ++y)
        for (int x = 0; x < fb_width; ++x) {
            const uint8_t* p = &frame[(y * fb_width + x) * 4];
            if (p[3] == 0) continue;
            ++drawn;
            if (abs(p[0] - r) > 1 || abs(p[1] - g) > 1 || p[2] != 0) ++off_palette;
            x0 = x < x0 ? x : x0, x1 = x > x1 ? x : x1, y0 = y < y0 ? y : y0, y1 = y > y1 ? y : y1;
        }
    EXPECT_EQ(off_palette, 0) << "only palette colour 1 shows";
    // The sprite spans x 69..123 and y 40.5..67.5; the drawn part is the right three quarters and
    // the bottom three quarters of it (image row 0 is at the top).
    EXPECT_NEAR(x0, 69 + 13.5, 1.0);
    EXPECT_NEAR(x1 + 1, 123, 1.0);
    EXPECT_NEAR(y0, 40.5, 1.0);
    EXPECT_NEAR(y1 + 1, 67.5 - 6.75, 1.0);
    // pixel centres in x 82.5..123 and y 40.5..60.75: 41 x 21
    EXPECT_NEAR(drawn, 41 * 21, 21);
    sprite_textures[image] = 0;
    glDeleteTextures(1, &texture);
}

} // namespace
