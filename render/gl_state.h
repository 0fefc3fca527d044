// The GL state each pass draws with, declared whole in one place per pass and applied by one
// function that issues GL calls only for what differs from the state last applied.
//
// Within a frame (between gl_state_frame_begin and gl_state_frame_end) every change of the
// tracked state goes through this module, so what it remembers is what GL holds and a call that
// would change nothing is skipped. Outside a frame (start-up, uploads, tests that set GL state
// themselves) nothing is known: every call is issued, as if the state had been forgotten.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

enum gl_blend : uint8_t {
    blend_off,
    blend_over,          // SRC_ALPHA, ONE_MINUS_SRC_ALPHA: a picture with alpha over the frame
    blend_premultiplied, // ONE, ONE_MINUS_SRC_ALPHA: colours already multiplied by alpha
};

// A name field holding gl_keep leaves that part of the state as it is.
constexpr GLuint gl_keep = 0xFFFFFFFFu;
enum : int { gl_texture_units = 3 }; // units 0 to 2 are the ones the passes sample

struct gl_pass_state {
    bool depth_test;
    bool depth_write;
    // Drawn at the far depth (depth range [1, 1], test LEQUAL): with the depth test on, only
    // where nothing nearer was drawn since the clear. Off: range [0, 1], test LESS.
    bool far_depth;
    gl_blend blend;
    bool cull_faces;
    bool scissor;
    int scissor_box[4]; // x, y, width, height; used when scissor is set
    GLuint program;
    GLuint vertex_array;
    GLuint textures[gl_texture_units]; // the 2D texture each unit samples
    int active_unit;                   // the unit left active for the binds that follow
};

// A state to start a pass's declaration from: depth test and writes on, no blending, no
// culling, no scissor, the given program and vertex array, every texture unit kept, unit 0
// active.
gl_pass_state gl_pass(GLuint program, GLuint vertex_array);

// What every pass leaves behind, and what the frame ends with: depth test and writes on, no
// blending, no culling, no scissor, unit 0 active; the program, vertex array and textures kept.
gl_pass_state gl_rest_state();

// Makes GL hold `s`.
void apply_gl_state(const gl_pass_state& s);

// One piece of the state, for the binds made while a pass draws.
void use_program(GLuint program);
void use_vertex_array(GLuint vertex_array);
// Makes `unit` the active texture unit.
void select_texture_unit(int unit);
// Binds `texture` to `unit` and leaves that unit active.
void bind_texture(int unit, GLuint texture);
// Binds `texture` to the active unit (uploads, which do not care which unit they use).
void bind_texture_here(GLuint texture);

// The frame's bounds: at the start everything is forgotten (others may have changed GL since
// the last frame) and tracking begins; at the end it stops.
void gl_state_frame_begin();
void gl_state_frame_end();
