#include "payload_fixture.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

void put_u32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

void put_f32(std::vector<uint8_t>& b, size_t at, float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    put_u32(b, at, bits);
}

fixture_track make_fixture_track(float mood_x, float mood_y) {
    fixture_track t;
    track_record& r = t.record;
    r.tempo_bpm = 125.0f;
    r.beat_origin = 0.0f;
    r.loop_length = 30.72f;
    r.show_length = 92.16f;
    r.mood_x = mood_x;
    r.mood_y = mood_y;
    r.feature_rate = 20.0091f;
    r.sample_rate = 22050;
    r.loop_samples = 677376;
    r.mp3_kbps = 24;
    t.features.resize(614 * 4);
    for (size_t i = 0; i < t.features.size(); ++i) t.features[i] = (uint8_t)(i * 7);
    t.energy = {40, 120, 200, 90};
    t.mp3 = std::vector<uint8_t>(100, 0xAB);
    return t;
}

std::vector<uint8_t> build_payload(std::vector<fixture_track> tracks, bool keep_offsets) {
    std::vector<uint8_t> b;
    put_u32(b, 0, (uint32_t)tracks.size());
    b.resize(4 + 64 * tracks.size());
    for (auto& t : tracks) {
        while (b.size() % 4) b.push_back(0);
        if (!keep_offsets) {
            t.record.feature_offset = (uint32_t)b.size();
            t.record.feature_count = (uint32_t)(t.features.size() / 4);
            t.record.energy_offset = t.record.feature_offset + (uint32_t)t.features.size();
            t.record.energy_count = (uint32_t)t.energy.size();
            t.record.mp3_offset = t.record.energy_offset + (uint32_t)t.energy.size();
            t.record.mp3_length = (uint32_t)t.mp3.size();
        }
        b.insert(b.end(), t.features.begin(), t.features.end());
        b.insert(b.end(), t.energy.begin(), t.energy.end());
        b.insert(b.end(), t.mp3.begin(), t.mp3.end());
    }
    while (b.size() % 4) b.push_back(0);
    for (size_t k = 0; k < tracks.size(); ++k) {
        const track_record& r = tracks[k].record;
        size_t at = 4 + 64 * k;
        put_f32(b, at + 0, r.tempo_bpm);
        put_f32(b, at + 4, r.beat_origin);
        put_f32(b, at + 8, r.show_length);
        put_f32(b, at + 12, r.mood_x);
        put_f32(b, at + 16, r.mood_y);
        put_f32(b, at + 20, r.feature_rate);
        put_f32(b, at + 24, r.loop_length);
        put_u32(b, at + 28, r.feature_offset);
        put_u32(b, at + 32, r.feature_count);
        put_u32(b, at + 36, r.energy_offset);
        put_u32(b, at + 40, r.energy_count);
        put_u32(b, at + 44, r.mp3_offset);
        put_u32(b, at + 48, r.mp3_length);
        put_u32(b, at + 52, r.sample_rate);
        put_u32(b, at + 56, r.loop_samples);
        put_u32(b, at + 60, r.mp3_kbps);
    }
    return b;
}

std::vector<uint8_t> trailer_bytes(uint32_t payload_size, const char magic[8]) {
    std::vector<uint8_t> t;
    put_u32(t, 0, payload_size);
    t.insert(t.end(), magic, magic + 8);
    return t;
}

std::vector<uint8_t> build_file(const std::vector<uint8_t>& payload_bytes, const std::vector<uint8_t>& prefix) {
    std::vector<uint8_t> f = prefix;
    f.insert(f.end(), payload_bytes.begin(), payload_bytes.end());
    std::vector<uint8_t> t = trailer_bytes((uint32_t)payload_bytes.size());
    f.insert(f.end(), t.begin(), t.end());
    return f;
}

temp_file::temp_file(const std::vector<uint8_t>& bytes) {
    static std::atomic<int> counter{0};
    const char* dir = getenv("TMPDIR");
#ifdef _WIN32
    if (!dir) dir = getenv("TEMP");
#endif
    path = std::string(dir ? dir : "/tmp") + "/tavrin-test-" + std::to_string(getpid()) + "-" +
           std::to_string(counter++) + ".bin";
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

temp_file::~temp_file() { remove(path.c_str()); }
