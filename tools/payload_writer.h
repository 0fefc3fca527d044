// Writing show payloads: track records, data blocks and the trailer, as the player reads them.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "core/payload.h"

// One track of a payload: its record and its three data blocks. The writer fills in the
// offsets and counts of the record; every other field is the caller's.
struct payload_track {
    track_record record{};
    std::vector<uint8_t> features; // 4 bytes a frame
    std::vector<uint8_t> energy;   // 1 byte per 16 beats
    std::vector<uint8_t> mp3;      // the whole MPEG audio stream
};

// Byte sizes of one track's blocks (64-bit, so that sizes beyond the format can be refused).
struct block_sizes {
    uint64_t features = 0;
    uint64_t energy = 0;
    uint64_t mp3 = 0;
};

// Where the blocks of one track go.
struct block_layout {
    uint32_t feature_offset, feature_count;
    uint32_t energy_offset, energy_count;
    uint32_t mp3_offset, mp3_length;
};

// Places the blocks: after the track table, per track its feature list, then directly its
// energy list and its MP3 stream; the next track starts at a multiple of 4 and the payload ends
// at one. False (with the reason) when a size or offset, or the whole payload, does not fit
// the format's 32-bit fields, or a feature list is not whole 4-byte frames.
bool layout_payload(const std::vector<block_sizes>& tracks, std::vector<block_layout>* layout,
                    uint32_t* payload_size, std::string* error);

// The 64 bytes of a record, little-endian.
void encode_track_record(const track_record& r, uint8_t out[track_record_size]);

// The payload bytes: the count, the table and the blocks, zero bytes in the gaps. Fills in the
// records' offsets and counts. False (with the reason) when it does not fit the format.
bool build_payload_bytes(std::vector<payload_track>& tracks, std::vector<uint8_t>* out, std::string* error);

// The 12-byte trailer that ends a file carrying `payload_size` payload bytes.
void payload_trailer(uint32_t payload_size, uint8_t out[payload_trailer_size]);

// Bytes of a file that belong to the executable image: everything before an appended payload
// and its trailer, or the whole file when it carries none.
uint64_t executable_image_length(const uint8_t* file, uint64_t length);
