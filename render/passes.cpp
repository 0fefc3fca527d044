#include "render/passes.h"

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/show.h"
#include "looks/palette.h"
#include "render/fast_programs.h"
#include "render/programs.h"
#include "render/slots.h"
#include "render/textures.h"

compositor_state compositor;
bool cover_last_glow = true;

static void set1f(GLint l, float v) {
    if (l >= 0) glUniform1f(l, v);
}
static void set1i(GLint l, int v) {
    if (l >= 0) glUniform1i(l, v);
}
static void set2f(GLint l, float x, float y) {
    if (l >= 0) glUniform2f(l, x, y);
}
static void set3f(GLint l, float x, float y, float z) {
    if (l >= 0) glUniform3f(l, x, y, z);
}
static void set4f(GLint l, const float* v) {
    if (l >= 0) glUniform4f(l, v[0], v[1], v[2], v[3]);
}
static void set_palette(GLint l) {
    if (l >= 0) glUniform3fv(l, 4, &PL[0][0]);
}

void restart_echo() { compositor.echo_reset = true; }

// The background's uniforms, the same for the general program and the specialised ones.
void upload_background(const gl_program& p, int p_active, int w, int h) {
    const GLint* loc = p.loc;
    set2f(loc[bg_R], (float)w, (float)h);
    set1f(loc[bg_t], cue.t);
    set_palette(loc[bg_PL]);
    set4f(loc[bg_AU], audio.AU);
    set4f(loc[bg_MOOD], MOOD);
    set1f(loc[bg_beat], cue.beat);
    set1i(loc[bg_cue], -1);
    set1f(loc[bg_sinceCue], cue.dance_phase);
    // speed and detail 1, the rest 0: one float each at consecutive locations, as far as the
    // program keeps the array (past that the locations are other uniforms')
    static const float params[8] = {1, 1, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < p_active; ++i) glUniform1f(loc[bg_P] + i, params[i]);
    set3f(loc[bg_COL], 1.0f, 1.0f, 1.0f);
}

void background_pass(int w, int h) {
    if (fast_programs_on) return fast_background_pass(w, h);
    glUseProgram(background_program.name);
    glBindVertexArray(background_vertex_array);
    upload_background(background_program, background_p_active, w, h);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    draw_fullscreen_triangle();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void post_pass(int w, int h) {
    post_state post = post_for_frame(cue.phrase, cue.beat);
    if (post.effect == effect_none) {
        // The next echo starts from the screen it finds, not from a trail of an older phrase.
        restart_echo();
        return;
    }
    // The two targets are made on the first frame with an effect and remade at a new size.
    if (w != compositor.target_width || h != compositor.target_height) {
        create_render_target(&compositor.scene_copy, w, h);
        create_render_target(&compositor.echo_memory, w, h);
        compositor.target_width = w;
        compositor.target_height = h;
        compositor.echo_reset = true;
    }
    // The effect reads the frame drawn so far, so it is copied out before being drawn over.
    glActiveTexture(GL_TEXTURE0 + unit_scene_copy);
    glBindTexture(GL_TEXTURE_2D, compositor.scene_copy);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    if (compositor.echo_reset) {
        glActiveTexture(GL_TEXTURE0 + unit_echo_memory);
        glBindTexture(GL_TEXTURE_2D, compositor.echo_memory);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
        compositor.echo_reset = false;
    }
    glActiveTexture(GL_TEXTURE0 + unit_echo_memory);
    glBindTexture(GL_TEXTURE_2D, compositor.echo_memory);

    const gl_program& program = fast_programs_on ? *fast_post_program(post.effect) : post_program;
    const GLint* loc = program.loc;
    glUseProgram(program.name);
    glBindVertexArray(fullscreen_vertex_array);
    set2f(loc[post_R], (float)w, (float)h);
    set1f(loc[post_T], cue.t);
    set1f(loc[post_B], cue.beat);
    set4f(loc[post_AU], audio.AU);
    set1i(loc[post_S], unit_scene_copy);
    set1i(loc[post_L], unit_echo_memory);
    set1i(loc[post_E], post.effect);
    set1f(loc[post_K], post.k);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND); // the result replaces the frame
    draw_fullscreen_triangle();
    if (post.effect == effect_echo) {
        // the next frame echoes this one
        glBindTexture(GL_TEXTURE_2D, compositor.echo_memory);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    }
    glActiveTexture(GL_TEXTURE0); // the unit the other passes bind their textures on
    glEnable(GL_DEPTH_TEST);
}

void cover_pass(int w, int h) {
    if (fast_programs_on) return fast_cover_pass(w, h);
    cover_state cover = cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow);
    if (!cover.draw) return;
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GLint* loc = cover_program.loc;
    glUseProgram(cover_program.name);
    glBindVertexArray(fullscreen_vertex_array);
    set2f(loc[cover_R], (float)w, (float)h);
    set1f(loc[cover_T], cue.t);
    set1f(loc[cover_B], cue.beat);
    set4f(loc[cover_AU], audio.AU);
    set_palette(loc[cover_PL]);
    set1f(loc[cover_K], cover.k);
    set1i(loc[cover_S], cover.style);
    set1i(loc[cover_F], cover.shape);
    set1f(loc[cover_M], cover.glow);
    set1f(loc[cover_Z], cover.turn);
    if (cover.shape == picture_textured) {
        glActiveTexture(GL_TEXTURE0 + unit_pattern);
        glBindTexture(GL_TEXTURE_2D, pattern_texture);
        set1i(loc[cover_TX], unit_pattern);
    }
    draw_fullscreen_triangle();
    glDisable(GL_BLEND);
    if (cover.full_cover) full_cover_extras(w, h, cue.phrase, cover.b);
    glEnable(GL_DEPTH_TEST);
}
