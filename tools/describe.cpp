#include "tools/describe.h"

#include <math.h>
#include <stdio.h>

#include "audio/decode.h"
#include "core/payload.h"
#include "core/rng.h"
#include "core/show.h"
#include "player/startup.h"
#include "looks/palette.h"
#include "looks/patterns.h"
#include "platform/linux/linux_rules.h"
#include "platform/payload_file.h"

std::string json_float(float v) {
    if (!isfinite(v)) return "null";
    char buf[32];
    snprintf(buf, sizeof buf, "%.9g", (double)v);
    return buf;
}

static std::string rgb(const float c[3]) {
    return "[" + json_float(c[0]) + "," + json_float(c[1]) + "," + json_float(c[2]) + "]";
}

static std::string byte_list(const uint8_t* a, int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i) {
        if (i) s += ",";
        s += std::to_string(a[i]);
    }
    return s + "]";
}

static const char* describe_payload_path;

static void describe_load_payload() {
    if (describe_payload_path && !*describe_payload_path) return; // "": no payload, the silent show
    if (describe_payload_path)
        load_show_payload_file(describe_payload_path);
    else
        load_show_payload();
}

std::string describe_show(uint32_t seed, const char* payload_path, void (*decode)()) {
    return describe_show(seed, payload_path, decode, describe_frames{});
}

std::string describe_show(uint32_t seed, const char* payload_path, void (*decode)(), const describe_frames& frames) {
    reset_show_state();
    release_show_payload();
    describe_payload_path = payload_path;
    startup_hooks hooks{};
    hooks.load_payload = describe_load_payload;
    hooks.decode_track = decode;
    run_startup_choices(seed, hooks);

    std::string s = "{\n";
    s += "\"seed\": " + std::to_string(seed) + ",\n";
    s += "\"rng_state\": " + std::to_string(startup.rng_state_seeded) + ",\n";
    s += "\"rng_salt\": " + std::to_string(startup.rng_salt) + ",\n";
    s += "\"palette\": [" + rgb(PL[0]) + "," + rgb(PL[1]) + "," + rgb(PL[2]) + "," + rgb(PL[3]) + "],\n";
    s += "\"mood\": [" + json_float(MOOD[0]) + "," + json_float(MOOD[1]) + "," + json_float(MOOD[2]) + "," +
         json_float(MOOD[3]) + "],\n";
    s += "\"chosen_track\": " + std::to_string(chosen_track) + ",\n";
    s += "\"beats_per_second\": " + json_float(show.beats_per_second) + ",\n";
    s += "\"beat_origin\": " + json_float(show.beat_origin) + ",\n";
    s += "\"show_length\": " + json_float(show.show_length) + ",\n";
    s += "\"loop_length\": " + json_float(show.loop_length) + ",\n";
    s += "\"feature_rate\": " + json_float(show.feature_rate) + ",\n";
    s += "\"show_plan\": [";
    for (int i = 0; i < plan_count; ++i) {
        if (i) s += ",";
        s += "\n  [" + json_float(plan_start[i]) + "," + std::to_string(plan_variant[i]) + "," +
             std::to_string(plan_kind[i]) + "," + std::to_string(plan_key[i]) + "]";
    }
    s += "],\n";
    s += "\"phrase_effect\": " + byte_list(phrase_effect, phrase_capacity) + ",\n";
    s += "\"phrase_cover\": " + byte_list(phrase_cover, phrase_capacity) + ",\n";
    s += "\"phrase_cover_shape\": " + byte_list(phrase_cover_shape, phrase_capacity) + ",\n";
    s += "\"phrase_cover_style\": " + byte_list(phrase_cover_style, phrase_capacity) + ",\n";
    s += "\"pattern_textures\": [";
    for (int i = 0; i < pattern_choice_count; ++i) {
        const pattern_choice& c = pattern_choices[i];
        if (i) s += ",";
        s += "\n  {\"slot\": " + std::to_string(c.slot) + ", \"pattern\": " + std::to_string(c.pattern) +
             ", \"flags\": " + std::to_string(c.flags) + ", \"pair\": [" + rgb(c.pair[0]) + "," + rgb(c.pair[1]) +
             "]}";
    }
    s += "],\n";
    s += "\"pattern_records\": [";
    for (int i = 0; i < piece_count; ++i) {
        if (i) s += ",";
        s += "\n  [";
        for (int j = 0; j < pattern_record_floats; ++j) {
            if (j) s += ",";
            s += json_float(pattern_records[i][j]);
        }
        s += "]";
    }
    s += "],\n";
    if (!frames.times.empty()) s += "\"frames\": " + describe_frame_list(frames) + ",\n";
    s += "\"rng_state_end\": " + std::to_string(startup.rng_state_end) + "\n";
    s += "}\n";
    release_pcm_buffer();
    release_show_payload();
    return s;
}
