// What a file carries as a show payload, and what the player would make of it.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/payload.h"

struct inspected_track {
    int index;
    track_record record;
    bool blocks_fit;
    bool playable;
    std::string problem; // empty when playable
    // What decoding makes of a playable track's stream (when inspect was given a decoder).
    bool decoded = false;
    int decode_outcome = decode_failed;
    uint32_t decoded_samples = 0; // all the stream decoded to, decoder delay included
    uint32_t frames_total = 0;    // 0: no PCM buffer
    float decoded_show_length = 0.0f;
};

struct inspection {
    bool ok = false;           // a payload the player accepts (possibly with no tracks)
    std::string error;         // what is wrong when !ok
    uint64_t file_size = 0;
    uint32_t payload_size = 0;
    int64_t declared_tracks = 0; // the signed count at offset 0, when readable
    int32_t track_count = 0;     // records the player reads
    bool decoding = false;       // playable tracks were decoded
    std::vector<inspected_track> tracks;
};

// Decodes one record of a payload buffer as the player does (decode_record).
using record_decoder = void (*)(const uint8_t* buffer, uint32_t bytes, const track_record& r, track_decode* out);

// Reads the payload of `path`; with a decoder, also decodes every playable track's stream.
inspection inspect_payload(const std::string& path, record_decoder decoder = nullptr);
std::string inspection_text(const inspection& in, const std::string& path);
std::string inspection_json(const inspection& in);
