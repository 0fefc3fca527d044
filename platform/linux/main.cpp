// player-linux: the shared player sequence with the Linux platform layer and the GL renderer.
#include <stddef.h>

#include "audio/decode.h"
#include "core/payload.h"
#include "player/player.h"
#include "core/rng.h"
#include "core/show.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_rules.h"
#include "render/gl_api.h"
#include "render/render.h"

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

} // namespace

int main() {
    player_parts parts = {};
    parts.open_window = linux_open_window;
    parts.resolve_gl = resolve_gl;
    parts.seed_value = seed_value;
    parts.load_payload = load_show_payload;
    parts.decode_track = decode_track;
    parts.start_audio = linux_start_audio;
    parts.poll_events = linux_poll_events;
    parts.show_time = show_time;
    parts.present = linux_present;
    parts.init_early = render_init_early;
    parts.fill_startup_hooks = render_startup_hooks;
    parts.init_late = render_init_late;
    parts.draw_frame = render_frame;
    linux_exit(run_player(parts));
}
