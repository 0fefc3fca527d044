#include "figures/ornaments_gl.h"

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/ornaments.h"
#include "core/pose.h"
#include "render/programs.h"
#include "render/slots.h"

GLuint ornament_vertex_array;
GLuint ornament_buffer;
bool ornaments_enabled;
int32_t ornament_built_phrase;

void init_ornaments() {
    ornaments_enabled = ornament_buffer_allocate();
    if (!ornaments_enabled) return;
    build_vertex_colour_program();
    glGenVertexArrays(1, &ornament_vertex_array);
    glBindVertexArray(ornament_vertex_array);
    glGenBuffers(1, &ornament_buffer);
    build_ornaments(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24, (const void*)12);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
}

void build_ornaments(int32_t phrase) {
    build_ornament_set(phrase);
    ornament_built_phrase = phrase;
    glBindBuffer(GL_ARRAY_BUFFER, ornament_buffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)ornament_vertex_count * 24, ornament_vertices, GL_STATIC_DRAW);
}

static void upload_mvp(const float m[16]) {
    if (vertex_colour_program.loc[0] >= 0) glUniformMatrix4fv(vertex_colour_program.loc[0], 1, GL_FALSE, m);
}

// Draws the slot's non-empty spin groups, each turned by its own angle.
static void draw_slot_groups(int slot, const float base[16], float slot_angle, float u, float t, float beat,
                             const float* vp) {
    const ornament_slot_set& o = ornament_set[slot];
    for (int32_t g = o.first_group; g < o.first_group + o.group_count && g < spin_group_count; ++g) {
        const spin_group& group = spin_groups[g];
        if (group.count <= 0) continue;
        float G[16], model[16], mvp[16];
        ornament_group_matrix(ornament_group_angle(group.speed, t, beat, slot_angle), u, G);
        mat4_mul(model, base, G);
        mat4_mul(mvp, vp, model);
        upload_mvp(mvp);
        glDrawArrays(GL_TRIANGLES, group.first, group.count);
    }
}

void draw_ornaments() {
    if (!ornaments_enabled) return;
    const float beat = cue.beat, t = cue.t;
    int32_t phrase = ornament_phrase(beat);
    if (phrase != ornament_built_phrase) {
        glBindVertexArray(ornament_vertex_array);
        build_ornaments(phrase);
    }
    if (ornament_vertex_count == 0) return;
    float e = ornament_envelope(beat);
    glUseProgram(vertex_colour_program.name);
    glBindVertexArray(ornament_vertex_array);
    for (int i = 0; i < ornament_slot_count; ++i) {
        const ornament_slot& slot = ornament_slots[i];
        float u = ornament_slot_scale(i, e, audio.AU);
        if (!(u > 0.0f)) continue;
        float base[16];
        if (slot.piece >= 0) {
            float piece[16];
            piece_matrix(slot.piece, cue.dance_phase, piece);
            mat4_mul(base, piece, slot.placement);
        } else {
            for (int k = 0; k < 16; ++k) base[k] = slot.placement[k];
        }
        draw_slot_groups(i, base, ornament_slot_angle(i, t, beat, audio.AU), u, t, beat, camera.view_projection);
    }
}

void draw_emblem(int slot, float f, float aspect) {
    if (!ornaments_enabled || ornament_vertex_count == 0) return;
    const float beat = cue.beat, t = cue.t;
    glUseProgram(vertex_colour_program.name);
    glBindVertexArray(ornament_vertex_array);
    float s = (0.1f * audio.AU[0] + 1.0f) * 1.6f * f;
    const ornament_slot_set& o = ornament_set[slot];
    for (int32_t g = o.first_group; g < o.first_group + o.group_count && g < spin_group_count; ++g) {
        const spin_group& group = spin_groups[g];
        if (group.count <= 0) continue;
        float m[16];
        emblem_matrix(ornament_group_angle(group.speed, t, beat, 0.3f * t), s, aspect, m);
        upload_mvp(m);
        glDrawArrays(GL_TRIANGLES, group.first, group.count);
    }
}

void ornament_pass(int, int) { draw_ornaments(); }
