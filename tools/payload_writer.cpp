#include "tools/payload_writer.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/le_bytes.h"

namespace {

uint64_t align4(uint64_t v) { return (v + 3) & ~(uint64_t)3; }

std::string mib(uint64_t bytes) {
    char text[32];
    snprintf(text, sizeof text, "%.1f MiB", (double)bytes / (1024.0 * 1024.0));
    return text;
}

} // namespace

bool layout_payload(const std::vector<block_sizes>& tracks, std::vector<block_layout>* layout,
                    uint32_t* payload_size, std::string* error) {
    const uint64_t limit = UINT32_MAX;
    layout->clear();
    if (tracks.size() > (limit - 4) / track_record_size) {
        *error = "too many tracks for the payload's 32-bit sizes";
        return false;
    }
    uint64_t at = 4 + (uint64_t)track_record_size * tracks.size();
    for (size_t k = 0; k < tracks.size(); ++k) {
        const block_sizes& s = tracks[k];
        if (s.features % 4) {
            *error = "track " + std::to_string(k + 1) + ": the feature list is not whole 4-byte frames";
            return false;
        }
        at = align4(at);
        block_layout b;
        uint64_t feature_end = at + s.features;
        uint64_t energy_end = feature_end + s.energy;
        uint64_t mp3_end = energy_end + s.mp3;
        // Each sum stays far below 2^64: every size is checked against 2^32 before the next.
        if (s.features > limit || s.energy > limit || s.mp3 > limit || mp3_end > limit) {
            *error = "the payload would exceed 4 GiB (track " + std::to_string(k + 1) + " ends at " + mib(mp3_end) +
                     "): its sizes and offsets are 32-bit; pack fewer or shorter tracks or use a lower --kbps";
            return false;
        }
        b.feature_offset = (uint32_t)at;
        b.feature_count = (uint32_t)(s.features / 4);
        b.energy_offset = (uint32_t)feature_end;
        b.energy_count = (uint32_t)s.energy;
        b.mp3_offset = (uint32_t)energy_end;
        b.mp3_length = (uint32_t)s.mp3;
        layout->push_back(b);
        at = mp3_end;
    }
    at = align4(at);
    if (at > limit) {
        *error = "the payload would exceed 4 GiB: its sizes and offsets are 32-bit";
        return false;
    }
    *payload_size = (uint32_t)at;
    return true;
}

void encode_track_record(const track_record& r, uint8_t out[track_record_size]) {
    write_f32_le(out + 0, r.tempo_bpm);
    write_f32_le(out + 4, r.beat_origin);
    write_f32_le(out + 8, r.show_length);
    write_f32_le(out + 12, r.mood_x);
    write_f32_le(out + 16, r.mood_y);
    write_f32_le(out + 20, r.feature_rate);
    write_f32_le(out + 24, r.loop_length);
    write_u32_le(out + 28, r.feature_offset);
    write_u32_le(out + 32, r.feature_count);
    write_u32_le(out + 36, r.energy_offset);
    write_u32_le(out + 40, r.energy_count);
    write_u32_le(out + 44, r.mp3_offset);
    write_u32_le(out + 48, r.mp3_length);
    write_u32_le(out + 52, r.sample_rate);
    write_u32_le(out + 56, r.loop_samples);
    write_u32_le(out + 60, r.mp3_kbps);
}

bool build_payload_bytes(std::vector<payload_track>& tracks, std::vector<uint8_t>* out, std::string* error) {
    std::vector<block_sizes> sizes;
    for (const payload_track& t : tracks) sizes.push_back({t.features.size(), t.energy.size(), t.mp3.size()});
    std::vector<block_layout> layout;
    uint32_t size = 0;
    if (!layout_payload(sizes, &layout, &size, error)) return false;
    out->assign(size, 0);
    uint8_t* p = out->data();
    write_u32_le(p, (uint32_t)tracks.size());
    for (size_t k = 0; k < tracks.size(); ++k) {
        payload_track& t = tracks[k];
        const block_layout& b = layout[k];
        t.record.feature_offset = b.feature_offset;
        t.record.feature_count = b.feature_count;
        t.record.energy_offset = b.energy_offset;
        t.record.energy_count = b.energy_count;
        t.record.mp3_offset = b.mp3_offset;
        t.record.mp3_length = b.mp3_length;
        encode_track_record(t.record, p + 4 + track_record_size * k);
        if (!t.features.empty()) memcpy(p + b.feature_offset, t.features.data(), t.features.size());
        if (!t.energy.empty()) memcpy(p + b.energy_offset, t.energy.data(), t.energy.size());
        if (!t.mp3.empty()) memcpy(p + b.mp3_offset, t.mp3.data(), t.mp3.size());
    }
    return true;
}

void payload_trailer(uint32_t payload_size, uint8_t out[payload_trailer_size]) {
    write_u32_le(out, payload_size);
    memcpy(out + 4, payload_magic, 8);
}

uint64_t executable_image_length(const uint8_t* file, uint64_t length) {
    if (length <= payload_trailer_size) return length;
    const uint8_t* trailer = file + length - payload_trailer_size;
    if (memcmp(trailer + 4, payload_magic, 8) != 0) return length;
    uint32_t size = read_u32_le(trailer);
    // A trailer whose payload would not fit in the file is not ours: keep the file whole.
    if (size <= 4 || (uint64_t)size + payload_trailer_size > length) return length;
    return length - payload_trailer_size - size;
}
