// What a file carries as a show payload, and what the player would make of it.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

#include "core/payload.h"

struct inspected_track {
    int index;
    track_record record;
    bool blocks_fit;
    bool playable;
    std::string problem; // empty when playable
};

struct inspection {
    bool ok = false;           // a payload the player accepts (possibly with no tracks)
    std::string error;         // what is wrong when !ok
    uint64_t file_size = 0;
    uint32_t payload_size = 0;
    int64_t declared_tracks = 0; // the signed count at offset 0, when readable
    int32_t track_count = 0;     // records the player reads
    std::vector<inspected_track> tracks;
};

inspection inspect_payload(const std::string& path);
std::string inspection_text(const inspection& in, const std::string& path);
std::string inspection_json(const inspection& in);
