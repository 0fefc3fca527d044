#include "tools/describe_ornaments.h"

#include <math.h>
#include <stdio.h>

#include "audio/decode.h"
#include "core/camera.h"
#include "looks/ornaments.h"
#include "player/overlays.h"
#include "core/payload.h"
#include "core/rng.h"
#include "player/startup.h"
#include "looks/sprites.h"
#include "platform/linux/linux_rules.h"
#include "platform/payload_file.h"
#include "tools/describe.h"

namespace {

const char* payload_file;
int32_t wanted_phrase;
uint32_t state_before, state_after;

void load_payload() {
    if (payload_file && !*payload_file) return; // "": no payload, the silent show
    if (payload_file)
        load_show_payload_file(payload_file);
    else
        load_show_payload();
}

void build_at_startup() {
    state_before = rng_state;
    build_ornament_set(wanted_phrase);
    state_after = rng_state;
}

} // namespace

std::string describe_ornaments(uint32_t seed, const char* payload_path, int32_t phrase, void (*decode)()) {
    reset_show_state();
    release_show_payload();
    payload_file = payload_path;
    wanted_phrase = phrase;
    ornament_buffer_allocate();
    startup_hooks hooks{};
    hooks.load_payload = load_payload;
    hooks.decode_track = decode;
    hooks.after_pattern_records = build_at_startup;
    run_startup_choices(seed, hooks);

    std::string s = "{\n";
    s += "\"seed\": " + std::to_string(seed) + ",\n";
    s += "\"phrase\": " + std::to_string(phrase) + ",\n";
    s += "\"rng_salt\": " + std::to_string(rng_salt) + ",\n";
    s += "\"vertex_count\": " + std::to_string(ornament_vertex_count) + ",\n";
    s += "\"group_count\": " + std::to_string(spin_group_count) + ",\n";
    s += "\"slots\": [";
    for (int i = 0; i < ornament_slot_count; ++i) {
        const ornament_slot_set& o = ornament_set[i];
        if (i) s += ",";
        s += "\n  {\"kind\": " + std::to_string(o.kind) + ", \"picks\": [" + std::to_string(o.picks[0]) + "," +
             std::to_string(o.picks[1]) + "," + std::to_string(o.picks[2]) +
             "], \"first_group\": " + std::to_string(o.first_group) +
             ", \"group_count\": " + std::to_string(o.group_count) + ", \"turn_speed\": " + json_float(o.turn_speed) +
             ", \"turn_phase\": " + json_float(o.turn_phase) + ", \"first_vertex\": " + std::to_string(o.first_vertex) +
             ", \"vertex_count\": " + std::to_string(o.vertex_count) + "}";
    }
    s += "],\n";
    s += "\"groups\": [";
    int32_t groups = spin_group_count < ornament_group_capacity ? spin_group_count : ornament_group_capacity;
    for (int32_t g = 0; g < groups; ++g) {
        if (g) s += ",";
        s += "\n  {\"first\": " + std::to_string(spin_groups[g].first) +
             ", \"count\": " + std::to_string(spin_groups[g].count) + ", \"speed\": " + json_float(spin_groups[g].speed) +
             "}";
    }
    s += "],\n";
    double sums[6] = {0, 0, 0, 0, 0, 0};
    int64_t nan_values = 0;
    for (int32_t i = 0; i < ornament_vertex_count; ++i) {
        const float* v = &ornament_vertices[i].x;
        for (int k = 0; k < 6; ++k) {
            if (!isfinite(v[k])) ++nan_values;
            sums[k] += (double)v[k];
        }
    }
    static const char* const names[6] = {"x", "y", "z", "r", "g", "b"};
    s += "\"sums\": {";
    for (int k = 0; k < 6; ++k) {
        char buf[64];
        snprintf(buf, sizeof buf, "%s\"%s\": %.17g", k ? ", " : "", names[k], sums[k]);
        s += isfinite(sums[k]) ? std::string(buf) : std::string(k ? ", " : "") + "\"" + names[k] + "\": null";
    }
    s += "},\n";
    s += "\"nan_values\": " + std::to_string(nan_values) + ",\n";
    s += "\"rng_state_before\": " + std::to_string(state_before) + ",\n";
    s += "\"rng_state_after\": " + std::to_string(state_after) + "\n";
    s += "}\n";
    release_pcm_buffer();
    release_show_payload();
    return s;
}

std::string describe_scene_sprites(const camera_frame& camera) {
    // The lists as the player sorts them at start-up (the palettes do not matter here).
    static const float stored[16][3] = {};
    float working[16][3];
    sprite_lists lists{-1, {}, {}, 0, {}, 0};
    for (int i = 0; i < sprite_count; ++i) add_sprite(&lists, i, sprite_directory[i], stored, working);
    scene_sprite s[scene_sprite_slots];
    int n = scene_sprites_now(camera.eye, camera.view, lists, s);
    std::string out = "[";
    for (int k = 0; k < n; ++k) {
        if (k) out += ",";
        out += "{\"slot\": " + std::to_string(s[k].slot) + ", \"image\": " + std::to_string(s[k].image) +
               ", \"x\": " + json_float(s[k].x) + ", \"y\": " + json_float(s[k].y) + ", \"z\": " + json_float(s[k].z) +
               ", \"width\": " + json_float(s[k].width) + ", \"height\": " + json_float(s[k].height) +
               ", \"tilt\": " + json_float(s[k].tilt) + "}";
    }
    return out + "]";
}
