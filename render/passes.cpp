#include "render/passes.h"

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/show.h"
#include "looks/palette.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
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

void size_post_targets(int w, int h) {
    if (w == compositor.target_width && h == compositor.target_height) return;
    create_render_target(&compositor.scene_copy, w, h);
    create_render_target(&compositor.echo_memory, w, h);
    compositor.target_width = w;
    compositor.target_height = h;
    // A new target holds no echo yet: the next echo starts from the screen.
    restart_echo();
}

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

// The cover's uniforms, the same for the general program and the specialised ones.
void upload_cover(const gl_program& p, const cover_state& cover, int w, int h) {
    const GLint* loc = p.loc;
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
}

void background_pass(int w, int h) {
    if (fast_programs_on) return fast_background_pass(w, h);
    // Over the whole frame, whatever depth it holds; the pattern's colours come premultiplied.
    gl_pass_state state = gl_pass(background_program.name, background_vertex_array);
    state.depth_test = false;
    state.blend = blend_premultiplied;
    apply_gl_state(state);
    upload_background(background_program, background_p_active, w, h);
    draw_fullscreen_triangle();
    apply_gl_state(gl_rest_state());
}

void post_pass(int w, int h) {
    post_state post = post_for_frame(cue.phrase, cue.beat);
    if (post.effect == effect_none) {
        // The next echo starts from the screen it finds, not from a trail of an older phrase.
        restart_echo();
        return;
    }
    size_post_targets(w, h);
    // The effect reads the frame drawn so far, so it is copied out before being drawn over.
    bind_texture(unit_scene_copy, compositor.scene_copy);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    if (compositor.echo_reset) {
        bind_texture(unit_echo_memory, compositor.echo_memory);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
        compositor.echo_reset = false;
    }

    // The result replaces the frame: no depth test, no blending. The echo's unit stays active
    // for the copy after the draw.
    const gl_program& program = fast_programs_on ? *fast_post_program(post.effect) : post_program;
    const GLint* loc = program.loc;
    gl_pass_state state = gl_pass(program.name, fullscreen_vertex_array);
    state.depth_test = false;
    state.textures[unit_scene_copy] = compositor.scene_copy;
    state.textures[unit_echo_memory] = compositor.echo_memory;
    state.active_unit = unit_echo_memory;
    apply_gl_state(state);
    set2f(loc[post_R], (float)w, (float)h);
    set1f(loc[post_T], cue.t);
    set1f(loc[post_B], cue.beat);
    set4f(loc[post_AU], audio.AU);
    set1i(loc[post_S], unit_scene_copy);
    set1i(loc[post_L], unit_echo_memory);
    set1i(loc[post_E], post.effect);
    set1f(loc[post_K], post.k);
    draw_fullscreen_triangle();
    if (post.effect == effect_echo) {
        // the next frame echoes this one
        bind_texture(unit_echo_memory, compositor.echo_memory);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    }
    apply_gl_state(gl_rest_state()); // unit 0 active: the unit the other passes bind on
}

void cover_pass(int w, int h) {
    if (fast_programs_on) return fast_cover_pass(w, h);
    cover_state cover = cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow);
    if (!cover.draw) return;
    // Over the whole frame, its alpha the mask's.
    gl_pass_state state = gl_pass(cover_program.name, fullscreen_vertex_array);
    state.depth_test = false;
    state.blend = blend_over;
    if (cover.shape == picture_textured) state.textures[unit_pattern] = pattern_texture;
    apply_gl_state(state);
    upload_cover(cover_program, cover, w, h);
    if (cover.shape == picture_textured) set1i(cover_program.loc[cover_TX], unit_pattern);
    draw_fullscreen_triangle();
    if (cover.full_cover) full_cover_extras(w, h, cue.phrase, cover.b);
    apply_gl_state(gl_rest_state());
}
