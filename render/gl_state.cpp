#include "render/gl_state.h"

namespace {

// What GL holds as far as this module knows; `known` is false outside a frame and for every
// part not yet set in the current one.
struct tracked_state {
    bool known_depth_test, depth_test;
    bool known_depth_write, depth_write;
    bool known_far_depth, far_depth;
    bool known_blend_on, blend_on;
    bool known_blend_function;
    gl_blend blend_function; // kept by GL while blending is off
    bool known_cull, cull_faces;
    bool known_scissor, scissor;
    bool known_box;
    int box[4];
    bool known_program;
    GLuint program;
    bool known_vertex_array;
    GLuint vertex_array;
    bool known_unit;
    int active_unit;
    bool known_texture[gl_texture_units];
    GLuint texture[gl_texture_units];
};

// One record per thread: a thread that prepares programs on a context of its own (see
// render/program_worker.h) tracks nothing and leaves the frame's record alone. The Windows
// player has no such thread (and no C runtime start-up to set up thread-local storage).
#if defined(_WIN32)
#define per_thread
#else
#define per_thread thread_local
#endif
per_thread tracked_state now;
per_thread bool tracking = false;

void forget() { now = tracked_state{}; }

void set_capability(GLenum cap, bool on, bool* known, bool* value) {
    if (tracking && *known && *value == on) return;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
    *known = tracking;
    *value = on;
}

void select_texture_unit_now(int unit) {
    if (tracking && now.known_unit && now.active_unit == unit) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    now.known_unit = tracking;
    now.active_unit = unit;
}

void bind_on_active(GLuint texture) {
    int unit = now.active_unit;
    bool tracked_unit = tracking && now.known_unit && unit >= 0 && unit < gl_texture_units;
    if (tracked_unit && now.known_texture[unit] && now.texture[unit] == texture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    if (tracked_unit) {
        now.known_texture[unit] = true;
        now.texture[unit] = texture;
    }
}

} // namespace

gl_pass_state gl_pass(GLuint program, GLuint vertex_array) {
    gl_pass_state s;
    s.depth_test = true;
    s.depth_write = true;
    s.far_depth = false;
    s.blend = blend_off;
    s.cull_faces = false;
    s.scissor = false;
    for (int& b : s.scissor_box) b = 0;
    s.program = program;
    s.vertex_array = vertex_array;
    for (GLuint& t : s.textures) t = gl_keep;
    s.active_unit = 0;
    return s;
}

gl_pass_state gl_rest_state() { return gl_pass(gl_keep, gl_keep); }

void apply_gl_state(const gl_pass_state& s) {
    set_capability(GL_DEPTH_TEST, s.depth_test, &now.known_depth_test, &now.depth_test);
    if (!(tracking && now.known_depth_write && now.depth_write == s.depth_write)) {
        glDepthMask(s.depth_write ? GL_TRUE : GL_FALSE);
        now.known_depth_write = tracking;
        now.depth_write = s.depth_write;
    }
    if (!(tracking && now.known_far_depth && now.far_depth == s.far_depth)) {
        glDepthFunc(s.far_depth ? GL_LEQUAL : GL_LESS);
        glDepthRange(s.far_depth ? 1.0 : 0.0, 1.0);
        now.known_far_depth = tracking;
        now.far_depth = s.far_depth;
    }
    bool blending = s.blend != blend_off;
    set_capability(GL_BLEND, blending, &now.known_blend_on, &now.blend_on);
    if (blending && !(tracking && now.known_blend_function && now.blend_function == s.blend)) {
        glBlendFunc(s.blend == blend_over ? GL_SRC_ALPHA : GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        now.known_blend_function = tracking;
        now.blend_function = s.blend;
    }
    set_capability(GL_CULL_FACE, s.cull_faces, &now.known_cull, &now.cull_faces);
    set_capability(GL_SCISSOR_TEST, s.scissor, &now.known_scissor, &now.scissor);
    if (s.scissor) {
        const int* b = s.scissor_box;
        if (!(tracking && now.known_box && now.box[0] == b[0] && now.box[1] == b[1] && now.box[2] == b[2] &&
              now.box[3] == b[3])) {
            glScissor(b[0], b[1], b[2], b[3]);
            now.known_box = tracking;
            for (int i = 0; i < 4; ++i) now.box[i] = b[i];
        }
    }
    if (s.program != gl_keep) use_program(s.program);
    if (s.vertex_array != gl_keep) use_vertex_array(s.vertex_array);
    for (int unit = 0; unit < gl_texture_units; ++unit)
        if (s.textures[unit] != gl_keep) bind_texture(unit, s.textures[unit]);
    select_texture_unit_now(s.active_unit);
}

void select_texture_unit(int unit) { select_texture_unit_now(unit); }

void use_program(GLuint program) {
    if (tracking && now.known_program && now.program == program) return;
    glUseProgram(program);
    now.known_program = tracking;
    now.program = program;
}

void use_vertex_array(GLuint vertex_array) {
    if (tracking && now.known_vertex_array && now.vertex_array == vertex_array) return;
    glBindVertexArray(vertex_array);
    now.known_vertex_array = tracking;
    now.vertex_array = vertex_array;
}

void bind_texture(int unit, GLuint texture) {
    select_texture_unit_now(unit);
    bind_on_active(texture);
}

void bind_texture_here(GLuint texture) {
    if (!(tracking && now.known_unit)) {
        // Which unit is active is not known: bind, and forget what any unit holds.
        glBindTexture(GL_TEXTURE_2D, texture);
        for (bool& k : now.known_texture) k = false;
        return;
    }
    bind_on_active(texture);
}

void gl_state_frame_begin() {
    forget();
    tracking = true;
}

void gl_state_frame_end() {
    tracking = false;
    forget();
}
