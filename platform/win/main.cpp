// player-win: the shared player sequence with the Windows platform layer and the GL renderer.
// The program has no C runtime start-up: win_entry is its entry point (see CMakeLists.txt).
#include "audio/decode.h"
#include "core/payload.h"
#include "player/player.h"
#include "core/show.h"
#include "platform/win/win_platform.h"
#include "platform/win/win_rules.h"
#include "render/gl_api.h"
#include "render/renderer.h"

namespace {

uint32_t show_sample_rate;

void start_audio(const int16_t* pcm, uint32_t frames, uint32_t sample_rate) {
    show_sample_rate = sample_rate;
    // The clock's epoch is its first read, right before the audio starts: without audio the
    // show time begins near 0 at the first frame.
    win_now_seconds();
    win_start_audio(pcm, frames, sample_rate);
}

bool resolve_gl() { return gl_resolve(win_gl_proc); }

float show_time() {
    uint32_t position = 0;
    bool in_samples = win_audio_position(&position);
    return show_time_win(in_samples, position, frames_total, show_sample_rate, show.show_length,
                         in_samples ? 0.0f : win_now_seconds());
}

const platform_services win_services = {
    win_open_window, resolve_gl, win_seed_value, win_load_show_payload, decode_track,
    start_audio,     win_poll_events, show_time, win_present,
    false,   // the Windows show lets no fractal glow through in its closing seconds
    nullptr, // no worker thread readies programs: drivers compile them when they are linked
    nullptr,
};

} // namespace

extern "C" void win_entry() {
    run_player(win_services, gl_renderer);
    win_exit();
}
