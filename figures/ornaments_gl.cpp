#include "figures/ornaments_gl.h"

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "looks/ornament_frame.h"
#include "looks/ornaments.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
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
    use_vertex_array(ornament_vertex_array);
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

static void draw_list(int n) {
    GLint mvp = vertex_colour_program.loc[0];
    for (int k = 0; k < n; ++k) {
        const ornament_draw& d = ornament_draws[k];
        if (mvp >= 0) glUniformMatrix4fv(mvp, 1, GL_FALSE, d.mvp);
        glDrawArrays(GL_TRIANGLES, d.first, d.count);
    }
}

void draw_ornaments() {
    if (!ornaments_enabled) return;
    int32_t phrase = ornament_phrase(cue.beat);
    if (phrase != ornament_built_phrase) {
        use_vertex_array(ornament_vertex_array);
        build_ornaments(phrase);
    }
    if (ornament_vertex_count == 0) return;
    int n = ornament_frame_draws(cue.t, cue.beat, cue.dance_phase, audio.AU, camera.view_projection);
    use_program(vertex_colour_program.name);
    use_vertex_array(ornament_vertex_array);
    draw_list(n);
}

void draw_emblem(int slot, float f, float aspect) {
    if (!ornaments_enabled || ornament_vertex_count == 0) return;
    int n = emblem_draws(slot, cue.t, cue.beat, f, audio.AU, aspect);
    use_program(vertex_colour_program.name);
    use_vertex_array(ornament_vertex_array);
    draw_list(n);
}

void ornament_pass(int, int) {
    // Depth-tested among the dancers, opaque.
    apply_gl_state(scene_pass_state(gl_keep, gl_keep));
    draw_ornaments();
}
