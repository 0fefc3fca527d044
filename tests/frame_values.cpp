// Prints the per-frame values of a show, one line per frame at 60 frames per second, for the
// comparison between the Linux and the Windows build (compare_frame_values.sh): the show time,
// the audio values, the cue walk, the compositor's choices, the easing curve, a sprite
// matrix, the camera and the figure's tagged points. usage: frame_values SEED [PAYLOAD]   (no PAYLOAD: the silent default show)
#include <stdio.h>
#include <stdlib.h>

#include "audio/decode.h"
#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/compositor.h"
#include "core/payload.h"
#include "core/pose.h"
#include "core/show.h"
#include "platform/payload_file.h"
#include "player/startup.h"

static const char* payload_path;
static void load_payload() {
    if (payload_path) load_show_payload_file(payload_path);
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: frame_values SEED [PAYLOAD]\n");
        return 2;
    }
    payload_path = argc == 3 ? argv[2] : nullptr;
    startup_hooks hooks{};
    hooks.load_payload = load_payload;
    hooks.decode_track = decode_track;
    run_startup_choices((uint32_t)strtoull(argv[1], nullptr, 10), hooks);
    reset_cue();
    reset_camera(1280, 720);
    float end = show.show_length + 0.3f;
    for (int frame = 0;; ++frame) {
        float t = (float)frame / 60.0f;
        if (t > end) break;
        update_audio_features(t);
        update_cue(t);
        post_state post = post_for_frame(cue.phrase, cue.beat);
        cover_state cover = cover_for_frame(cue.phrase, cue.beat, t, show.show_length, true);
        float m[16];
        sprite_model_matrix(1280, 720, 0.0f, 0.0f, 0.5f, cue.beat * 0.3f, 1280.0f / 720.0f, m);
        printf("%d %.9g %.9g %.9g %.9g %.9g %.9g %.9g %d %d %.9g %.9g %.9g %d %.9g %.9g %d %.9g %.9g %.9g %.9g %.9g\n",
               frame, t, audio.beat, audio.AU[0], audio.AU[1], audio.AU[2], audio.AU[3], cue.dance_phase,
               cue.phrase, cue.current_entry, cue.entry_progress, cue.energy, cue.eased_progress, post.effect,
               post.k, cover.k, cover.draw ? 1 : 0, ease_elastic(cue.entry_progress), m[0], m[1], m[4], m[5]);
        direct_camera(1280, 720, audio.AU);
        vec3 all = figure_point(-1, -1, cue.dance_phase);
        printf("  camera %.9g %.9g %.9g points %.9g %.9g %.9g vp", camera.eye[0], camera.eye[1], camera.eye[2],
               all.x, all.y, all.z);
        for (float v : camera.view_projection) printf(" %.9g", v);
        printf("\n");
    }
    return 0;
}
