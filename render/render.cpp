#include "render/render.h"

#include "core/camera.h"
#include "core/compositor.h"
#include "player/startup.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
#include "render/passes.h"
#include "render/programs.h"
#include "render/slots.h"
#include "render/textures.h"

float projection_matrix[16];
void (*render_step_done)(int step);

static inline void step_done(int step) {
    if (render_step_done) render_step_done(step);
}

void render_init_early() {
    build_figure_program();
    build_background_program();
    init_figure_mesh_first();
    make_index_textures();
    init_figure_mesh_rest();
}

void render_upload_pattern(int choice, uint8_t* scratch) { upload_pattern_texture(choice, scratch); }

void render_after_pattern_records() {
    look_up_figure_second();
    init_ornaments();
    make_sprites();
    build_sprite_program();
}

void render_startup_hooks(startup_hooks* hooks) {
    hooks->upload_pattern = render_upload_pattern;
    hooks->after_pattern_records = render_after_pattern_records;
}

void render_init_late(int w, int h) {
    build_cover_program();
    build_post_program();
    use_vertex_array(figure_vertex_array);
    apply_gl_state(gl_rest_state());
    glClearColor(0.25831f, 0.25831f, 0.25831f, 1.0f);
    initial_projection(w, h, projection_matrix);
    reset_camera(w, h);
    fast_plan_programs();
}

void render_frame(int w, int h) {
    // the camera of the frame (core/camera.h) decides the projection; it is only kept here
    for (int i = 0; i < 16; ++i) projection_matrix[i] = camera.projection[i];
    gl_state_frame_begin();
    glViewport(0, 0, w, h);
    fast_warm_step(w, h);
    step_done(render_step_warm_up);
    // The clear writes the whole depth buffer: depth writes on, no scissor.
    apply_gl_state(gl_rest_state());
    // With the specialised passes every pixel is painted over (by the background, or by an
    // opaque cover outside the background's box): only depth needs clearing.
    glClear(fast_programs_on ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    step_done(render_step_clear);
    // The specialised background draws behind the scene, after it (fast_background_pass).
    if (!fast_programs_on) {
        background_pass(w, h);
        step_done(render_step_background);
    }
    fast_scene_scissor_begin(w, h);
    figure_pass(w, h);
    step_done(render_step_figure);
    ornament_pass(w, h);
    step_done(render_step_ornaments);
    scene_sprite_pass(w, h);
    fast_scene_scissor_end();
    step_done(render_step_scene_sprites);
    if (fast_programs_on) {
        background_pass(w, h);
        step_done(render_step_background);
    }
    post_pass(w, h);
    step_done(render_step_post);
    cover_pass(w, h);
    step_done(render_step_cover);
    overlay_pass(w, h);
    step_done(render_step_overlay);
    apply_gl_state(gl_rest_state());
    gl_state_frame_end();
}

uint32_t render_pattern_texture() { return pattern_texture; }
