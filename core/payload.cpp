#include "core/payload.h"

#include <stdlib.h>
#include <string.h>

#include "core/le_bytes.h"
#include "core/show.h"

const char payload_magic[8] = {'T', 'A', 'V', 'R', 'I', 'N', 'J', '1'};

uint8_t* payload = nullptr;
uint32_t payload_bytes = 0;
int32_t track_count = 0;

track_record read_track_record(const uint8_t* payload_buffer, int k) {
    const uint8_t* p = payload_buffer + 4 + (size_t)track_record_size * (size_t)k;
    track_record r;
    r.tempo_bpm = read_f32_le(p + 0);
    r.beat_origin = read_f32_le(p + 4);
    r.show_length = read_f32_le(p + 8);
    r.mood_x = read_f32_le(p + 12);
    r.mood_y = read_f32_le(p + 16);
    r.feature_rate = read_f32_le(p + 20);
    r.loop_length = read_f32_le(p + 24);
    r.feature_offset = read_u32_le(p + 28);
    r.feature_count = read_u32_le(p + 32);
    r.energy_offset = read_u32_le(p + 36);
    r.energy_count = read_u32_le(p + 40);
    r.mp3_offset = read_u32_le(p + 44);
    r.mp3_length = read_u32_le(p + 48);
    r.sample_rate = read_u32_le(p + 52);
    r.loop_samples = read_u32_le(p + 56);
    r.mp3_kbps = read_u32_le(p + 60);
    return r;
}

bool track_blocks_fit(const track_record& r, uint32_t bytes) {
    uint64_t n = bytes;
    return (uint64_t)r.feature_offset + 4ull * r.feature_count <= n &&
           (uint64_t)r.energy_offset + r.energy_count <= n &&
           (uint64_t)r.mp3_offset + r.mp3_length <= n;
}

trailer_verdict read_payload_trailer(const uint8_t trailer[12], uint64_t file_length, uint32_t* stored_size) {
    if (memcmp(trailer + 4, payload_magic, 8) != 0) return trailer_no_magic;
    uint32_t s = read_u32_le(trailer);
    *stored_size = s;
    // Above 4: the payload holds at least its track count. Below the file's length: it starts
    // inside the file.
    if (!(4u < s && (uint64_t)s < file_length)) return trailer_bad_size;
    return trailer_fine;
}

bool check_payload_trailer(const uint8_t trailer[12], uint64_t file_length, uint32_t* payload_size) {
    uint32_t s = 0;
    if (read_payload_trailer(trailer, file_length, &s) != trailer_fine) return false;
    *payload_size = s;
    return true;
}

table_verdict read_track_table(const uint8_t* buffer, uint32_t bytes, int32_t* declared) {
    int32_t n = bytes >= 4 ? (int32_t)read_u32_le(buffer) : -1;
    *declared = n;
    if (n < 0) return bytes >= 4 ? table_negative_count : table_too_big;
    if ((uint64_t)n * track_record_size + 4u > bytes) return table_too_big;
    return table_fine;
}

void publish_payload(uint8_t* buffer, uint32_t bytes_read) {
    payload = buffer;
    payload_bytes = bytes_read;
    int32_t n = 0;
    track_count = read_track_table(buffer, bytes_read, &n) == table_fine ? n : 0;
}

void payload_loader_start() {
    chosen_track = -1;
    track_count = 0;
}

void load_show_payload_bytes(const uint8_t* file, uint64_t file_length, uint64_t deliverable) {
    payload_loader_start();
    uint32_t length = (uint32_t)file_length; // the size is read as 32 bits
    if (length < 12) return;
    uint8_t trailer[12];
    memcpy(trailer, file + length - 12, 12);
    uint32_t size = 0;
    if (!check_payload_trailer(trailer, length, &size)) return;
    uint8_t* buffer = (uint8_t*)malloc(size);
    if (!buffer) return;
    if (size > length - 12) { // the payload would start before the file: the seek fails, nothing is read
        publish_payload(buffer, 0);
        return;
    }
    uint64_t from = (uint64_t)length - 12 - size;
    uint64_t available = deliverable > from ? deliverable - from : 0;
    uint32_t got = available < size ? (uint32_t)available : size;
    memcpy(buffer, file + from, got);
    publish_payload(buffer, got);
}

void release_show_payload() {
    free(payload);
    payload = nullptr;
    payload_bytes = 0;
    track_count = 0;
}
