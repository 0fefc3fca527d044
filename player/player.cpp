#include "player/player.h"

#include "audio/decode.h"
#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/payload.h"
#include "core/show.h"
#include "player/startup.h"

int32_t screen_width = 1920;
int32_t screen_height = 1080;
uint32_t frames_presented = 0;

namespace {
bool worker_due;           // a worker is expected and has not been started yet
uint32_t frames_at_start; // frames_presented when the show started
}

int player_start(const platform_services& platform, const renderer& drawing) {
    if (drawing.set_closing_glow) drawing.set_closing_glow(platform.closing_glow);
    // Window and context; the screen size is known afterwards.
    int status = platform.open_window(&screen_width, &screen_height);
    if (status != 0) return status;
    // Entry points.
    if (!platform.resolve_gl()) return player_status_no_entry_point;
    // Early GL set-up: programs, figure mesh and index textures that do not depend on the seed.
    drawing.init_early();

    // The seeded choices: seeding, payload, palette, track, decoding, plans, patterns, ornaments, sprites.
    startup_hooks hooks = {};
    drawing.fill_startup_hooks(&hooks);
    hooks.load_payload = platform.load_payload;
    hooks.decode_track = platform.decode_track;
    run_startup_choices(platform.seed_value(), hooks);

    // Late GL set-up: cover and post programs, initial GL state, projection.
    drawing.init_late(screen_width, screen_height);

    // Programs made ready on a second thread, where the platform offers one. The thread starts
    // once the first frame is out (player_start_worker): on a software renderer its compiles
    // would share the processors with that frame's drawing.
    worker_due = false;
    frames_at_start = frames_presented;
    if (platform.start_gl_worker && drawing.expect_worker) {
        drawing.expect_worker(screen_width, screen_height);
        worker_due = true;
    }

    // Audio, when there is something to play.
    if (pcm_buffer && chosen_track >= 0 && chosen_track < track_count && payload)
        platform.start_audio(pcm_buffer, frames_total, read_track_record(payload, chosen_track).sample_rate);
    return player_status_ok;
}

void player_start_worker(const platform_services& platform, const renderer& drawing) {
    if (!worker_due) return;
    worker_due = false;
    if (!platform.start_gl_worker(drawing.worker_job, drawing.worker_failed)) drawing.worker_failed();
}

void player_frame(const platform_services& platform, const renderer& drawing, float t) {
    // the frame before this one has been presented (a swap or a read-back finishes it)
    if (frames_presented != frames_at_start) player_start_worker(platform, drawing);
    update_audio_features(t);
    update_cue(t);
    direct_camera(screen_width, screen_height, audio.AU);
    drawing.draw_frame(screen_width, screen_height);
    platform.present();
    ++frames_presented;
}

void player_finish(const platform_services& platform, const renderer& drawing) {
    worker_due = false;
    if (drawing.stop_worker) drawing.stop_worker();
    if (platform.join_gl_worker) platform.join_gl_worker();
}

int run_player(const platform_services& platform, const renderer& drawing) {
    int status = player_start(platform, drawing);
    if (status != player_status_ok) return status;
    // The frame loop, paced by the buffer swap alone.
    for (;;) {
        if (!platform.poll_events()) break;
        float t = platform.show_time();
        if (show_over(t)) break;
        player_frame(platform, drawing, t);
    }
    player_finish(platform, drawing);
    return player_status_ok;
}
