#include "figures/figure_pass.h"

#include <stddef.h>
#include <stdint.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/figure_values.h"
#include "core/pose.h"
#include "data/index_slots.h"
#include "data/scene.h"
#include "figures/figure_fast.h"
#include "looks/palette.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
#include "render/programs.h"
#include "render/shader_sources.h"
#include "render/slots.h"
#include "render/textures.h"

const char* const figure_uniform_names_first[20] = {
    "MVP", "M", "B", "O", "A", "t", "beat", "OI", "INST", "VCON",
    "cue", "sinceCue", "L", "S", "K", "BONES", "IDX", "PAL", "HASTEX", "CAMP",
};
const char* const figure_uniform_names_second[10] = {"PT", "PA", "PB", "PC", "AU", "PBT", "IDX", "RC", "SC", "XS"};

GLuint figure_vertex_array;
GLuint figure_buffers[6];

void build_figure_program() {
    const char* fragment = shader_figure_frag;
    for (GLint& l : figure_program.loc) l = -1;
    // the second table is looked up once the pattern records exist; until then it names nothing
    for (GLint& l : figure_uniforms_second) l = -1;
    figure_program.name = build_program(shader_figure_vert, 1, &fragment);
    use_program(figure_program.name);
    look_up_uniforms(figure_program.name, figure_uniform_names_first, 20, figure_program.loc);
    figure_program.loc[fig_INST] = -1; // looked up, never used
}

void look_up_figure_second() {
    look_up_uniforms(figure_program.name, figure_uniform_names_second, 10, figure_uniforms_second);
}

static void upload(int i, GLenum target, GLsizeiptr bytes, const void* data) {
    glGenBuffers(1, &figure_buffers[i]);
    glBindBuffer(target, figure_buffers[i]);
    glBufferData(target, bytes, data, GL_STATIC_DRAW);
}

// Where each vertex attribute comes from: buffer, attribute index, components, type,
// normalised, integer.
struct figure_attribute {
    int buffer;
    GLuint index;
    GLint size;
    GLenum type;
    GLboolean normalized;
    bool integer;
};
const figure_attribute figure_attributes[5] = {
    {0, 0, 3, GL_UNSIGNED_SHORT, GL_TRUE, false}, // position
    {1, 5, 2, GL_UNSIGNED_SHORT, GL_TRUE, false}, // texture coordinates
    {2, 1, 3, GL_BYTE, GL_TRUE, false},           // normal
    {3, 2, 2, GL_UNSIGNED_BYTE, GL_FALSE, true},  // bone indices
    {4, 3, 1, GL_UNSIGNED_BYTE, GL_TRUE, false},  // bone weight
};

// Points attribute k of the bound vertex array at its buffer.
static void point_attribute(int k) {
    const figure_attribute& a = figure_attributes[k];
    glBindBuffer(GL_ARRAY_BUFFER, figure_buffers[a.buffer]);
    if (a.integer)
        glVertexAttribIPointer(a.index, a.size, a.type, 0, nullptr);
    else
        glVertexAttribPointer(a.index, a.size, a.type, a.normalized, 0, nullptr);
    glEnableVertexAttribArray(a.index);
}

void init_figure_mesh_first() {
    const GLsizeiptr n = scene_vertex_count;
    glGenVertexArrays(1, &figure_vertex_array);
    use_vertex_array(figure_vertex_array);
    upload(0, GL_ARRAY_BUFFER, n * 6, scene_positions);
    point_attribute(0);
    upload(1, GL_ARRAY_BUFFER, n * 4, scene_uvs);
    point_attribute(1);
}

void init_figure_mesh_rest() {
    const GLsizeiptr n = scene_vertex_count;
    use_vertex_array(figure_vertex_array);
    upload(2, GL_ARRAY_BUFFER, n * 3, scene_normals);
    point_attribute(2);
    upload(3, GL_ARRAY_BUFFER, n * 2, scene_bone_indices);
    point_attribute(3);
    upload(4, GL_ARRAY_BUFFER, n, scene_bone_weights);
    point_attribute(4);
    upload(5, GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)scene_index_count * 2, scene_indices);
}

GLuint figure_vertex_array_here() {
    GLuint vertex_array = 0;
    glGenVertexArrays(1, &vertex_array);
    use_vertex_array(vertex_array);
    for (int k = 0; k < 5; ++k) point_attribute(k);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, figure_buffers[5]);
    return vertex_array;
}

static void set1f(GLint l, float v) {
    if (l >= 0) glUniform1f(l, v);
}
static void set3(GLint l, const float* v) {
    if (l >= 0) glUniform3f(l, v[0], v[1], v[2]);
}

void draw_figure() {
    if (fast_programs_on) return fast_draw_figure();
    const GLint* loc = figure_program.loc;
    const GLint* loc2 = figure_uniforms_second;
    const float phase = cue.dance_phase;
    const float kick = audio.AU[0];
    use_program(figure_program.name);
    pose_bones(phase);
    if (loc[fig_BONES] >= 0) glUniformMatrix4fv(loc[fig_BONES], 13, GL_FALSE, BONES);

    figure_colours colours = figure_colours_of(PL);
    set3(loc[fig_L], figure_light);
    set3(loc[fig_K], colours.K);
    set3(loc[fig_S], colours.S);
    set3(loc2[fig2_RC], PL[1]);
    set3(loc2[fig2_SC], colours.SC);
    set3(loc[fig_CAMP], camera.eye);
    use_vertex_array(figure_vertex_array);

    for (int p = 0; p < scene_piece_count; ++p) {
        const piece_record& rec = scene_pieces[p];
        float m[16], mvp[16];
        pulsed_piece_matrix(p, phase, kick, m);
        mat4_mul(mvp, camera.view_projection, m);
        if (loc[fig_MVP] >= 0) glUniformMatrix4fv(loc[fig_MVP], 1, GL_FALSE, mvp);
        if (loc[fig_M] >= 0) glUniformMatrix4fv(loc[fig_M], 1, GL_FALSE, m);

        int cls = piece_class[p];
        set1f(loc2[fig2_XS], (cls == 2 || cls == 4) ? 0.0f : 1.0f);
        if (loc2[fig2_PT] >= 0) {
            const float* pr = pattern_records[p];
            glUniform4f(loc2[fig2_PT], pr[0], pr[1], pr[2], pr[3]);
            set3(loc2[fig2_PA], PL[(int)pr[4] & 3]);
            set3(loc2[fig2_PB], PL[(int)pr[5] & 3]);
            set3(loc2[fig2_PC], PL[(int)pr[6] & 3]);
            if (loc2[fig2_AU] >= 0) glUniform4f(loc2[fig2_AU], audio.AU[0], audio.AU[1], audio.AU[2], audio.AU[3]);
            set1f(loc2[fig2_PBT], cue.beat);
            if (pr[0] == 9.0f && pattern_texture != 0) {
                bind_texture(1, pattern_texture);
                if (loc2[fig2_IDX] >= 0) glUniform1i(loc2[fig2_IDX], 1);
            }
        }
        set3(loc[fig_B], rec.B);
        set3(loc[fig_O], rec.O);
        set3(loc[fig_A], rec.A);

        int slot = rec.index_slot;
        bool has_texture = slot >= 0 && slot < index_slot_count && index_slots[slot].size > 0 && index_textures[slot] != 0;
        if (has_texture) {
            bind_texture(1, index_textures[slot]);
            if (loc[fig_IDX] >= 0) glUniform1i(loc[fig_IDX], 1);
            // a slot that received a pattern has its pair; the others keep the fixed pair
            const float* pair = &slot_pairs[slot][0][0];
            if (pattern_texture == 0 || pattern_recipes[slot].variant_count == 0)
                pair = fixed_pairs + index_slots[slot].pair_offset;
            if (loc[fig_PAL] >= 0) glUniform3fv(loc[fig_PAL], 2, pair);
            set1f(loc[fig_HASTEX], 1.0f);
        } else {
            set1f(loc[fig_HASTEX], 0.0f);
        }
        glDrawElements(GL_TRIANGLES, rec.index_count, GL_UNSIGNED_SHORT,
                       (const void*)(uintptr_t)(2 * (size_t)rec.first_index));
    }
    // the passes after this one bind their textures to unit 0 (sprites, cover): make it the
    // active unit again, which leaves every binding as it is
    select_texture_unit(0);
}

void figure_pass(int, int) {
    // Depth-tested, opaque; draw_figure picks the program of each piece.
    apply_gl_state(scene_pass_state(gl_keep, figure_vertex_array));
    draw_figure();
}
