// player-linux: the shared player sequence with the Linux platform services and the GL renderer.
#include <stddef.h>

#include "audio/decode.h"
#include "core/payload.h"
#include "player/player.h"
#include "core/rng.h"
#include "core/show.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_rules.h"
#include "render/gl_api.h"
#include "render/renderer.h"

namespace {

char cmdline[4095];

uint32_t seed_value() {
    uint32_t value = 0;
    if (seed_from_cmdline_linux(cmdline, linux_read_cmdline(cmdline, sizeof cmdline), &value)) return value;
    uint32_t seconds = 0, microseconds = 0;
    linux_wall_clock(&seconds, &microseconds);
    return clock_seed_linux(seconds, microseconds);
}

bool resolve_gl() { return gl_resolve(linux_gl_proc); }

float show_time() {
    linux_audio_clock a = linux_audio_position();
    return show_time_linux(a.running, linux_now_seconds(), a.start, a.frames_written, a.frames_total,
                           show.show_length);
}

const platform_services linux_services = {
    linux_open_window, resolve_gl,     seed_value,  load_show_payload, decode_track,
    linux_start_audio, linux_poll_events, show_time, linux_present,
    true, // the closing glow
    linux_start_gl_worker, linux_join_gl_worker,
};

} // namespace

int main() { linux_exit(run_player(linux_services, gl_renderer)); }
