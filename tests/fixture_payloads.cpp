#include "fixture_payloads.h"

#include <math.h>

#include "payload_fixture.h"

namespace {

struct track_shape {
    float mood_x, mood_y;
    float bpm, origin, show_length, loop_length, feature_rate;
    std::vector<uint8_t> energy;
};

fixture_track shaped_track(const track_shape& s) {
    fixture_track t = make_fixture_track(s.mood_x, s.mood_y);
    t.record.tempo_bpm = s.bpm;
    t.record.beat_origin = s.origin;
    t.record.show_length = s.show_length;
    t.record.loop_length = s.loop_length;
    t.record.feature_rate = s.feature_rate;
    t.energy = s.energy;
    return t;
}

std::vector<uint8_t> ramp(int n, int from, int to) {
    std::vector<uint8_t> e(n);
    for (int i = 0; i < n; ++i) e[i] = (uint8_t)(from + (to - from) * i / (n > 1 ? n - 1 : 1));
    return e;
}

std::vector<uint8_t> seven_tracks() {
    // Track 4 is the plain 125 bpm, 92.16 s show; track 6 (60 s at 160 bpm) has a single
    // phrase long enough for a cover, so its covers often come from the second cover pass.
    const track_shape shapes[7] = {
        {0.05f, 0.08f, 84.0f, 0.0f, 137.142857f, 45.7142868f, 20.0091f, {30, 35, 40, 45, 50, 40, 30, 20}},
        {0.95f, 0.1f, 174.0f, 0.172f, 88.2758636f, 0.0f, 21.5332031f,
         {200, 230, 255, 250, 180, 220, 240, 255, 210, 190, 230, 250}},
        {0.1f, 0.93f, 100.5f, 0.5f, 95.5223846f, 47.7611923f, 43.0664062f, {10, 250}},
        {0.9f, 0.9f, 140.0f, 0.0857f, 109.714287f, 54.8571434f, 20.0091f, {128}},
        {0.5f, 0.5f, 125.0f, 0.0f, 92.16f, 30.72f, 20.0091f, {40, 120, 200, 90}},
        {0.3f, 0.65f, 92.3f, 1.25f, 180.0f, 0.0f, 10.7666016f, ramp(40, 0, 255)},
        {0.7f, 0.35f, 160.0f, 0.02f, 60.0f, 12.0f, 20.0091f, ramp(16, 250, 60)},
    };
    std::vector<fixture_track> seven;
    for (const auto& s : shapes) seven.push_back(shaped_track(s));
    return build_payload(seven);
}

std::vector<uint8_t> refused_tracks() {
    std::vector<fixture_track> refused = {make_fixture_track(0.5f, 0.5f), make_fixture_track(0.0f, 0.1f),
                                          make_fixture_track(0.6f, 0.9f)};
    track_record& odd = refused[1].record;
    odd.tempo_bpm = NAN;
    odd.beat_origin = -0.0f;
    odd.show_length = 1e-5f;
    odd.mood_x = 1e-40f; // subnormal
    odd.feature_rate = 3.40282347e38f;
    odd.loop_length = 1e-45f;
    std::vector<uint8_t> payload = build_payload(refused);
    put_u32(payload, 4 + 64 * 2 + 40, 0x7fffffffu); // track 2: energy_count past the payload
    return payload;
}

} // namespace

std::vector<uint8_t> fixture_image_prefix() {
    std::vector<uint8_t> b(1000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = (uint8_t)(i * 31 + 7);
    b[0] = 0x7f, b[1] = 'E', b[2] = 'L', b[3] = 'F';
    return b;
}

std::vector<uint8_t> fixture_payload_file(const std::string& name) {
    const std::vector<uint8_t> prefix = fixture_image_prefix();
    if (name == "none.bin") return prefix;
    if (name == "one.bin") return build_file(build_payload({make_fixture_track(0.4f, 0.6f)}), prefix);
    if (name == "seven.bin") return build_file(seven_tracks(), prefix);
    if (name == "refused.bin") return build_file(refused_tracks(), prefix);
    return {};
}
