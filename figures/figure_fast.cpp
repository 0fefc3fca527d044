#include "figures/figure_fast.h"

#include <stddef.h>
#include <stdint.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/compositor.h"
#include "core/figure_values.h"
#include "core/pose.h"
#include "core/show.h"
#include "data/index_slots.h"
#include "data/scene.h"
#include "figures/figure_pass.h"
#include "looks/palette.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
#include "render/passes.h"
#include "render/program_worker.h"
#include "render/programs.h"
#include "render/shader_sources.h"
#include "render/slots.h"
#include "render/textures.h"

// Embedded from render/shaders/figure_fast.*.glsl (no version line).
extern const char shader_figure_fast_vert[];
extern const char shader_figure_fast_frag[];

namespace {

enum : int { kind_count = 13, projection_count = 4 };

struct figure_program_fast {
    gl_program gl; // tables as the general program's: loc by fig_*, loc2 by fig2_*
    GLint loc2[10];
    bool planned, warm;
    uint8_t build_state; // render/program_worker.h
    int32_t frame;  // the frame whose shared uniforms it holds
    int32_t piece;  // the piece whose fixed uniforms it holds (-1: none)
};
// by pattern, projection, index texture and (1) no highlight
figure_program_fast programs[kind_count][projection_count][2][2];
enum : int { program_count = kind_count * projection_count * 2 * 2 };

// Every program slot, as one range.
struct program_range {
    figure_program_fast* begin() const { return &programs[0][0][0][0]; }
    figure_program_fast* end() const { return &programs[0][0][0][0] + program_count; }
};
program_range all_programs() { return {}; }

int32_t frame_serial = 1;
int32_t frames_since_plan; // the first frame builds nothing: start-up ends with it

// What the general shader chooses per pixel, from the piece's values.
int kind_of(const float* record) {
    if (!(record[0] > 0.5f)) return 0;
    int k = (int)(record[0] + 0.5f);
    return k >= 1 && k <= 11 ? k : 12;
}
int projection_of(const float* record) {
    int p = (int)(record[2] + 0.5f);
    return p >= 0 && p <= 2 ? p : 3;
}

// XS, the highlight's weight: none on classes 2 and 4
float highlight_of(int cls) { return (cls == 2 || cls == 4) ? 0.0f : 1.0f; }

bool piece_has_texture(int p) {
    int slot = scene_pieces[p].index_slot;
    return slot >= 0 && slot < index_slot_count && index_slots[slot].size > 0 && index_textures[slot] != 0;
}

figure_program_fast& program_of(int p) {
    const float* record = pattern_records[p];
    int kind = kind_of(record);
    // with a pattern the index texture's colour is replaced: one program serves both
    // the rings (3) and rays (6) read the position itself, never the projected coordinates: one
    // program serves every projection
    bool projected = kind != 0 && kind != 3 && kind != 6;
    int cls = piece_class[p];
    return programs[kind][projected ? projection_of(record) : 0][kind == 0 && piece_has_texture(p) ? 1 : 0]
                   [highlight_of(cls) == 0.0f ? 1 : 0];
}

void build(figure_program_fast& fp, int kind, int projection, int texture, int no_highlight) {
    // "#define KIND k\n#define PROJ p\n#define HASTEX x\n#define NOHL h\n", written without
    // the C library
    char defines[96];
    int n = 0;
    auto text = [&](const char* t) {
        while (*t) defines[n++] = *t++;
    };
    text("#define KIND ");
    if (kind >= 10) defines[n++] = (char)('0' + kind / 10);
    defines[n++] = (char)('0' + kind % 10);
    text("\n#define PROJ ");
    defines[n++] = (char)('0' + projection);
    text("\n#define HASTEX ");
    defines[n++] = (char)('0' + texture);
    text("\n#define NOHL ");
    defines[n++] = (char)('0' + no_highlight);
    text("\n");
    defines[n] = 0;
    const char* vertex[3] = {"#version 330 core\n", defines, shader_figure_fast_vert};
    const char* fragment[3] = {"#version 330 core\n", defines, shader_figure_fast_frag};
    for (GLint& l : fp.gl.loc) l = -1;
    GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(vs, 3, vertex, nullptr);
    glCompileShader(vs);
    glShaderSource(fs, 3, fragment, nullptr);
    glCompileShader(fs);
    fp.gl.name = glCreateProgram();
    glAttachShader(fp.gl.name, vs);
    glAttachShader(fp.gl.name, fs);
    glLinkProgram(fp.gl.name);
    look_up_uniforms(fp.gl.name, figure_uniform_names_first, 20, fp.gl.loc);
    look_up_uniforms(fp.gl.name, figure_uniform_names_second, 10, fp.loc2);
    // the pass binds the index or pattern texture on unit 1
    use_program(fp.gl.name);
    if (fp.gl.loc[fig_IDX] >= 0) glUniform1i(fp.gl.loc[fig_IDX], 1);
    if (fp.loc2[fig2_IDX] >= 0) glUniform1i(fp.loc2[fig2_IDX], 1);
    fp.frame = 0;
    fp.piece = -1;
}

void build_indexed(figure_program_fast* fp) {
    size_t i = (size_t)(fp - &programs[0][0][0][0]);
    build(*fp, (int)(i / (projection_count * 4)), (int)(i / 4 % projection_count), (int)(i / 2 % 2), (int)(i % 2));
}

// Builds fp on this thread unless it is built; waits for a build another thread began.
void make_ready(figure_program_fast& fp) {
    if (program_state(fp.build_state) == program_built) return;
    if (take_program_build(fp.build_state)) {
        build_indexed(&fp);
        publish_program(fp.build_state);
    } else {
        wait_program_built(fp.build_state);
    }
}

// The texture piece p's draw samples on unit 1 (0: none): its index texture, else the
// pattern texture for the pattern that reads it.
GLuint unit_one_texture(int p) {
    if (piece_has_texture(p)) return index_textures[scene_pieces[p].index_slot];
    if (pattern_records[p][0] == 9.0f && pattern_texture != 0) return pattern_texture;
    return 0;
}

void set1f(GLint l, float v) {
    if (l >= 0) glUniform1f(l, v);
}
void set1i(GLint l, int v) {
    if (l >= 0) glUniform1i(l, v);
}
void set3(GLint l, const float* v) {
    if (l >= 0) glUniform3f(l, v[0], v[1], v[2]);
}

// A frame with a cover or a post effect of its own has little time to spare.
bool frame_is_busy() {
    return post_for_frame(cue.phrase, cue.beat).effect != 0 ||
           cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow).draw;
}

} // namespace

void fast_figure_plan() {
    for (figure_program_fast& fp : all_programs()) {
        fp.planned = false;
        fp.piece = -1;
        fp.frame = 0;
    }
    for (int p = 0; p < scene_piece_count; ++p) program_of(p).planned = true;
    frames_since_plan = 0;
}

void fast_figure_warm_all() {
    for (figure_program_fast& fp : all_programs())
        if (fp.planned) make_ready(fp);
    // warm: every program drawn once into the bottom-left pixel, which the frame paints over
    gl_pass_state state = gl_pass(gl_keep, figure_vertex_array);
    state.scissor = true;
    state.scissor_box[2] = state.scissor_box[3] = 1;
    apply_gl_state(state);
    for (figure_program_fast& fp : all_programs())
        if (fp.planned && !fp.warm) {
            use_program(fp.gl.name);
            glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, nullptr);
            fp.warm = true;
            fp.frame = 0;
        }
    apply_gl_state(gl_rest_state());
}

void fast_figure_prepare(const std::atomic<bool>& stop, GLuint vertex_array) {
    for (int p = 0; p < scene_piece_count; ++p) {
        if (stop.load(std::memory_order_relaxed)) return;
        figure_program_fast& fp = program_of(p);
        if (!take_program_build(fp.build_state)) continue;
        build_indexed(&fp);
        // one triangle of the piece, with the figure pass's state and unit 1's texture
        gl_pass_state state = gl_pass(fp.gl.name, vertex_array);
        state.scissor = true;
        state.scissor_box[2] = state.scissor_box[3] = 1;
        state.textures[1] = unit_one_texture(p);
        apply_gl_state(state);
        glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, (const void*)(uintptr_t)(2 * (size_t)scene_pieces[p].first_index));
        glFinish();
        publish_program(fp.build_state);
    }
}

int fast_figure_planned_count() {
    int n = 0;
    for (figure_program_fast& fp : all_programs()) n += fp.planned ? 1 : 0;
    return n;
}

int fast_figure_built_count() {
    int n = 0;
    for (figure_program_fast& fp : all_programs())
        n += fp.planned && program_state(fp.build_state) == program_built ? 1 : 0;
    return n;
}

int fast_figure_warm_count() {
    int n = 0;
    for (figure_program_fast& fp : all_programs()) n += fp.planned && fp.warm ? 1 : 0;
    return n;
}

void fast_draw_figure() {
    const float phase = cue.dance_phase;
    const float kick = audio.AU[0];
    ++frame_serial;
    pose_bones(phase);
    figure_colours colours = figure_colours_of(PL);
    // One new program per frame at most, and none on a busy frame or one that warmed another
    // program: its first draw carries the driver's compilation.
    bool may_warm = frames_since_plan++ > 0 && !fast_warmed_this_frame && !frame_is_busy();
    bool general_ready = false;
    GLuint in_use = 0;
    use_vertex_array(figure_vertex_array);

    for (int p = 0; p < scene_piece_count; ++p) {
        const piece_record& rec = scene_pieces[p];
        figure_program_fast& fp = program_of(p);
        if (!fp.warm && may_warm) {
            // with a worker, once the worker has built and drawn it; else built here
            bool ready = program_state(fp.build_state) == program_built;
            if (!ready && !program_worker_expected()) {
                make_ready(fp);
                ready = true;
            }
            if (ready) {
                fp.warm = true; // by the draw below
                may_warm = false;
            }
        }
        const bool fast = fp.warm;
        const GLint* loc = fast ? fp.gl.loc : figure_program.loc;
        const GLint* loc2 = fast ? fp.loc2 : figure_uniforms_second;
        GLuint name = fast ? fp.gl.name : figure_program.name;
        if (name != in_use) {
            use_program(name);
            in_use = name;
        }
        // the values shared by every piece of the frame, once per program and frame
        bool shared_due = fast ? fp.frame != frame_serial : !general_ready;
        if (shared_due) {
            if (loc[fig_BONES] >= 0) glUniformMatrix4fv(loc[fig_BONES], 13, GL_FALSE, BONES);
            set3(loc[fig_L], figure_light);
            set3(loc[fig_K], colours.K);
            set3(loc[fig_S], colours.S);
            set3(loc2[fig2_RC], PL[1]);
            set3(loc2[fig2_SC], colours.SC);
            set3(loc[fig_CAMP], camera.eye);
            if (loc2[fig2_AU] >= 0) glUniform4f(loc2[fig2_AU], audio.AU[0], audio.AU[1], audio.AU[2], audio.AU[3]);
            set1f(loc2[fig2_PBT], cue.beat);
            if (fast)
                fp.frame = frame_serial;
            else
                general_ready = true;
        }

        float m[16], mvp[16];
        pulsed_piece_matrix(p, phase, kick, m);
        mat4_mul(mvp, camera.view_projection, m);
        if (loc[fig_MVP] >= 0) glUniformMatrix4fv(loc[fig_MVP], 1, GL_FALSE, mvp);
        if (loc[fig_M] >= 0) glUniformMatrix4fv(loc[fig_M], 1, GL_FALSE, m);

        const float* pr = pattern_records[p];
        int slot = rec.index_slot;
        bool has_texture = piece_has_texture(p);
        // the piece's own fixed values, unless the program holds them from its last draw
        bool fixed_due = !fast || fp.piece != p;
        if (fixed_due) {
            set1f(loc2[fig2_XS], highlight_of(piece_class[p]));
            if (loc2[fig2_PT] >= 0) glUniform4f(loc2[fig2_PT], pr[0], pr[1], pr[2], pr[3]);
            set3(loc[fig_B], rec.B);
            set3(loc[fig_O], rec.O);
            set3(loc[fig_A], rec.A);
            if (has_texture) {
                const float* pair = &slot_pairs[slot][0][0];
                if (pattern_texture == 0 || pattern_recipes[slot].variant_count == 0)
                    pair = fixed_pairs + index_slots[slot].pair_offset;
                if (loc[fig_PAL] >= 0) glUniform3fv(loc[fig_PAL], 2, pair);
            }
            set1f(loc[fig_HASTEX], has_texture ? 1.0f : 0.0f);
            if (fast) fp.piece = p;
        }
        set3(loc2[fig2_PA], PL[(int)pr[4] & 3]);
        set3(loc2[fig2_PB], PL[(int)pr[5] & 3]);
        set3(loc2[fig2_PC], PL[(int)pr[6] & 3]);
        // the texture unit 1 bindings in the general pass's order (an index texture wins)
        if (pr[0] == 9.0f && pattern_texture != 0) {
            bind_texture(1, pattern_texture);
            set1i(loc2[fig2_IDX], 1);
        }
        if (has_texture) {
            bind_texture(1, index_textures[slot]);
            set1i(loc[fig_IDX], 1);
        }
        glDrawElements(GL_TRIANGLES, rec.index_count, GL_UNSIGNED_SHORT,
                       (const void*)(uintptr_t)(2 * (size_t)rec.first_index));
    }
    select_texture_unit(0);
}
