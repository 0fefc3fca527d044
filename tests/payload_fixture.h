// Builds show payloads in memory for tests: track records, data blocks and the trailer.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "core/payload.h"

struct fixture_track {
    track_record record{};
    std::vector<uint8_t> features; // 4 bytes a frame
    std::vector<uint8_t> energy;
    std::vector<uint8_t> mp3;
};

// A plausible record: 125 bpm, 64-beat loop played three times, 22050 Hz.
fixture_track make_fixture_track(float mood_x, float mood_y);

// The payload bytes (count, records, blocks in the shipped layout); offsets in the records
// are filled in unless keep_offsets is set.
std::vector<uint8_t> build_payload(std::vector<fixture_track> tracks, bool keep_offsets = false);
// A whole file: `prefix` (an executable image), the payload and the trailer.
std::vector<uint8_t> build_file(const std::vector<uint8_t>& payload_bytes, const std::vector<uint8_t>& prefix = {});
std::vector<uint8_t> trailer_bytes(uint32_t payload_size, const char magic[8] = payload_magic);
void put_u32(std::vector<uint8_t>& b, size_t at, uint32_t v);
void put_f32(std::vector<uint8_t>& b, size_t at, float v);

// A temporary file with the given bytes, removed when the object goes.
struct temp_file {
    std::string path;
    explicit temp_file(const std::vector<uint8_t>& bytes);
    ~temp_file();
};
