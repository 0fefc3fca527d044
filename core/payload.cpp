#include "core/payload.h"

#include <stdlib.h>
#include <string.h>

#include "core/show.h"

const char payload_magic[8] = {'T', 'A', 'V', 'R', 'I', 'N', 'J', '1'};

uint8_t* payload = nullptr;
uint32_t payload_bytes = 0;
int32_t track_count = 0;

static uint32_t get_u32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static float get_f32(const uint8_t* p) {
    uint32_t bits = get_u32(p);
    float f;
    memcpy(&f, &bits, 4);
    return f;
}

track_record read_track_record(const uint8_t* payload_buffer, int k) {
    const uint8_t* p = payload_buffer + 4 + (size_t)track_record_size * (size_t)k;
    track_record r;
    r.tempo_bpm = get_f32(p + 0);
    r.beat_origin = get_f32(p + 4);
    r.show_length = get_f32(p + 8);
    r.mood_x = get_f32(p + 12);
    r.mood_y = get_f32(p + 16);
    r.feature_rate = get_f32(p + 20);
    r.loop_length = get_f32(p + 24);
    r.feature_offset = get_u32(p + 28);
    r.feature_count = get_u32(p + 32);
    r.energy_offset = get_u32(p + 36);
    r.energy_count = get_u32(p + 40);
    r.mp3_offset = get_u32(p + 44);
    r.mp3_length = get_u32(p + 48);
    r.sample_rate = get_u32(p + 52);
    r.loop_samples = get_u32(p + 56);
    r.mp3_kbps = get_u32(p + 60);
    return r;
}

bool track_blocks_fit(const track_record& r, uint32_t bytes) {
    uint64_t n = bytes;
    return (uint64_t)r.feature_offset + 4ull * r.feature_count <= n &&
           (uint64_t)r.energy_offset + r.energy_count <= n &&
           (uint64_t)r.mp3_offset + r.mp3_length <= n;
}

bool check_payload_trailer(const uint8_t trailer[12], uint64_t file_length, uint32_t* payload_size) {
    if (memcmp(trailer + 4, payload_magic, 8) != 0) return false;
    uint32_t s = get_u32(trailer);
    if (!(4u < s && (uint64_t)s < file_length)) return false;
    *payload_size = s;
    return true;
}

void publish_payload(uint8_t* buffer, uint32_t bytes_read) {
    payload = buffer;
    payload_bytes = bytes_read;
    int32_t n = bytes_read >= 4 ? (int32_t)get_u32(buffer) : -1;
    if (n >= 0 && (uint64_t)n * track_record_size + 4u <= bytes_read)
        track_count = n;
    else
        track_count = 0;
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
