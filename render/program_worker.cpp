#include "render/program_worker.h"

#include "figures/figure_fast.h"
#include "figures/figure_pass.h"
#include "render/fast_programs.h"
#include "render/gl_api.h"
#include "render/gl_state.h"
#include "render/programs.h"

namespace {

std::atomic<bool> expected{false};
std::atomic<bool> stop_asked{false};
int32_t frame_width = 1, frame_height = 1;

} // namespace

void program_worker_expect(int32_t w, int32_t h) {
    frame_width = w > 0 ? w : 1;
    frame_height = h > 0 ? h : 1;
    stop_asked.store(false, std::memory_order_relaxed);
    expected.store(true, std::memory_order_release);
}

bool program_worker_expected() { return expected.load(std::memory_order_acquire); }

void program_worker_run() {
    // Vertex arrays are not shared between contexts: the worker makes its own. The screen
    // copies the post programs sample are its own too, of the frame's size and format.
    GLuint fullscreen = 0;
    glGenVertexArrays(1, &fullscreen);
    GLuint figure = figure_vertex_array_here();
    GLuint scene_copy = 0, echo_memory = 0;
    create_render_target(&scene_copy, frame_width, frame_height);
    create_render_target(&echo_memory, frame_width, frame_height);
    glViewport(0, 0, frame_width, frame_height);

    // The covers and effects of the first two phrases first: nothing stands in for them. Then
    // the figure's, which the general program stands in for until they are ready, then the
    // rest in the order the show needs them.
    fast_prepare_programs(stop_asked, 64.0f, fullscreen, scene_copy, echo_memory, frame_width, frame_height);
    fast_figure_prepare(stop_asked, figure);
    fast_prepare_programs(stop_asked, 1e30f, fullscreen, scene_copy, echo_memory, frame_width, frame_height);

    apply_gl_state(gl_pass(0, 0));
    glDeleteTextures(1, &scene_copy);
    glDeleteTextures(1, &echo_memory);
    glDeleteVertexArrays(1, &figure);
    glDeleteVertexArrays(1, &fullscreen);
    glFinish();
}

void program_worker_failed() { expected.store(false, std::memory_order_release); }

void program_worker_stop() { stop_asked.store(true, std::memory_order_relaxed); }

