#include "platform/offscreen/offscreen_player.h"

#include <stdlib.h>

#include <thread>

#include "audio/decode.h"
#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/payload.h"
#include "player/player.h"
#include "core/show.h"
#include "platform/offscreen/egl_context.h"
#include "platform/payload_file.h"
#include "render/gl_api.h"
#include "render/passes.h"
#include "render/render.h"
#include "render/renderer.h"

namespace {

struct offscreen_state {
    uint32_t seed;
    const char* payload_path;
    int32_t width, height;
    const char* why;
    uint32_t sample_rate;
};
offscreen_state state;

int open_window(int32_t* width, int32_t* height) {
    if (!offscreen_open(state.width, state.height, &state.why)) return offscreen_no_context;
    *width = state.width;
    *height = state.height;
    return 0;
}

bool resolve_gl() {
    if (gl_resolve(offscreen_get_proc)) return true;
    state.why = "a GL entry point is missing";
    return false;
}

uint32_t seed_value() { return state.seed; }

void load_payload() {
    if (state.payload_path) load_show_payload_file(state.payload_path);
}

void keep_audio(const int16_t*, uint32_t, uint32_t sample_rate) { state.sample_rate = sample_rate; }

void present() {}

std::thread worker;

bool start_gl_worker(void (*job)(), void (*failed)()) {
    if (!offscreen_open_worker_context()) return false;
    worker = std::thread([job, failed] {
        if (!offscreen_bind_worker_context()) {
            failed();
            return;
        }
        job();
        offscreen_release_worker_context();
    });
    return true;
}

void join_gl_worker() {
    if (worker.joinable()) worker.join();
}

const platform_services offscreen_services = {
    open_window, resolve_gl, seed_value, load_payload, decode_track, keep_audio, nullptr, nullptr, present,
    true, // the closing glow, as on Linux
    start_gl_worker, join_gl_worker,
};

// A process that ends without offscreen_finish stops the worker here, unless something the
// driver registered later has gone first: the tools call offscreen_finish.
void finish_at_exit() { player_finish(offscreen_services, gl_renderer); }

} // namespace

int offscreen_start(uint32_t seed, const char* payload_path, int32_t width, int32_t height, const char** why) {
    state.seed = seed;
    state.payload_path = payload_path;
    state.width = width;
    state.height = height;
    state.why = nullptr;
    state.sample_rate = 0;
    int status = player_start(offscreen_services, gl_renderer);
    if (status == 0) atexit(finish_at_exit);
    if (status == player_status_no_entry_point) status = offscreen_no_entry_point;
    if (status != 0 && why) *why = state.why ? state.why : "start-up failed";
    return status;
}

uint32_t offscreen_sample_rate() { return state.sample_rate; }

void offscreen_wait_for_programs() {
    player_start_worker(offscreen_services, gl_renderer);
    join_gl_worker();
}

void offscreen_finish() { player_finish(offscreen_services, gl_renderer); }

void offscreen_frame(float t) { player_frame(offscreen_services, gl_renderer, t); }

void offscreen_reset_echo() { restart_echo(); }

int32_t offscreen_frame_alone(float t, int32_t fps) {
    offscreen_reset_echo();
    int32_t drawn = 0;
    update_cue(t); // the frame's beat and phrase; the frame itself walks to the same entry
    if (fps > 0 && post_for_frame(cue.phrase, cue.beat).effect == effect_echo) {
        for (int32_t k = fps; k >= 1; --k) {
            double lead = (double)t - (double)k / (double)fps;
            if (lead < 0.0) continue;
            offscreen_frame((float)lead);
            ++drawn;
        }
    }
    offscreen_frame(t);
    return drawn + 1;
}

void offscreen_set_size(int32_t width, int32_t height) {
    offscreen_resize(width, height);
    glViewport(0, 0, width, height);
    state.width = screen_width = width;
    state.height = screen_height = height;
}

void offscreen_read_rgb_bottom_up(uint8_t* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, state.width, state.height, GL_RGB, GL_UNSIGNED_BYTE, out);
}

void offscreen_read_rgb(uint8_t* out) {
    int32_t w = state.width, h = state.height;
    offscreen_read_rgb_bottom_up(out);
    // GL's row 0 is the bottom one.
    uint32_t row = 3u * (uint32_t)w;
    for (int32_t y = 0; y < h / 2; ++y) {
        uint8_t* a = out + (uint32_t)y * row;
        uint8_t* b = out + (uint32_t)(h - 1 - y) * row;
        for (uint32_t i = 0; i < row; ++i) {
            uint8_t c = a[i];
            a[i] = b[i];
            b[i] = c;
        }
    }
}
