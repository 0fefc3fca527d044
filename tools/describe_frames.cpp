// `tavrin describe --at` and `--scene`: the per-frame direction and the built-in scene as JSON.
#include <string>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/pose.h"
#include "data/scene.h"
#include "looks/palette.h"
#include "tools/describe.h"
#include "tools/describe_ornaments.h"

static std::string float_list(const float* v, int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i) {
        if (i) s += ",";
        s += json_float(v[i]);
    }
    return s + "]";
}

static std::string point(vec3 p) {
    const float v[3] = {p.x, p.y, p.z};
    return float_list(v, 3);
}

std::string describe_frame_list(const describe_frames& frames) {
    std::string s = "[";
    bool first = true;
    for (float t : frames.times) {
        update_audio_features(t);
        update_cue(t);
        camera_frame cam;
        compute_camera(frame_camera_input(frames.width, frames.height, audio.AU), &cam);

        s += first ? "\n  {" : ",\n  {";
        first = false;
        s += "\"t\": " + json_float(cue.t);
        s += ", \"beat\": " + json_float(cue.beat);
        s += ", \"dance_phase\": " + json_float(cue.dance_phase);
        s += ", \"phrase\": " + std::to_string(cue.phrase);
        s += ", \"entry\": " + std::to_string(cue.current_entry);
        s += ", \"variant\": " + std::to_string(cue.entry_variant);
        s += ", \"kind\": " + std::to_string(cue.entry_kind);
        s += ", \"key\": " + std::to_string(cue.entry_key);
        s += ", \"progress\": " + json_float(cue.entry_progress);
        s += ", \"eased_progress\": " + json_float(cue.eased_progress);
        s += ", \"energy\": " + json_float(cue.energy);
        s += ", \"au\": " + float_list(audio.AU, 4);
        s += ",\n   \"eye\": " + float_list(cam.eye, 3);
        s += ", \"target\": " + float_list(cam.target, 3);
        s += ", \"lens\": " + json_float(cam.lens);
        s += ",\n   \"view\": " + float_list(cam.view, 16);
        s += ",\n   \"projection\": " + float_list(cam.projection, 16);
        s += ",\n   \"view_projection\": " + float_list(cam.view_projection, 16);
        float phase = cue.dance_phase;
        s += ",\n   \"figure_points\": {\"all\": " + point(figure_point(-1, -1, phase)) +
             ", \"group0\": " + point(figure_point(-1, 0, phase)) + ", \"group1\": " + point(figure_point(-1, 1, phase)) +
             ", \"tagged\": [";
        for (int j = 0; j < 4; ++j) {
            if (j) s += ",";
            s += point(figure_point(j, -1, phase));
        }
        s += "]},\n   \"scene_sprites\": " + describe_scene_sprites(cam) + "}";
    }
    return s + "]";
}

static std::string track_counts(const int32_t* t, const int32_t* r, const int32_t* sc) {
    std::string s = "[";
    s += std::to_string(t[1]);
    s += ",";
    s += std::to_string(r[1]);
    s += ",";
    s += std::to_string(sc[1]);
    return s + "]";
}

std::string describe_scene() {
    std::string s = "{\n";
    s += "\"keys\": " + std::to_string(scene_key_count) + ",\n";
    s += "\"vertices\": " + std::to_string(scene_vertex_count) + ",\n";
    s += "\"indices\": " + std::to_string(scene_index_count) + ",\n";
    s += "\"pieces\": [";
    for (int p = 0; p < scene_piece_count; ++p) {
        const piece_record& r = scene_pieces[p];
        s += p ? ",\n  " : "\n  ";
        s += "{\"first_index\": " + std::to_string(r.first_index) + ", \"index_count\": " +
             std::to_string(r.index_count) + ", \"class\": " + std::to_string(piece_class[p]) +
             ", \"pulse\": " + json_float(scene_piece_pulse[p]) + ", \"index_slot\": " + std::to_string(r.index_slot) +
             ", \"tracks\": " + track_counts(r.translation_track, r.rotation_track, r.scale_track) + "}";
    }
    s += "],\n\"bones\": [";
    for (int b = 0; b < scene_bone_count; ++b) {
        const bone_record& r = scene_bones[b];
        s += b ? ",\n  " : "\n  ";
        s += "{\"tracks\": " + track_counts(r.translation_track, r.rotation_track, r.scale_track) + "}";
    }
    s += "]\n}\n";
    return s;
}
