// The JSON description of a seed's show, shared by the Linux tool and the Windows build.
#pragma once
#include <stdint.h>
#include <string>

// Runs the start-up choices for `seed` over the payload in `payload_path` (null: as the Linux
// player finds it) and returns the description as one JSON object followed by a newline.
// `decode` is the start-up's decoding step (decode_track), which fixes show_length; without
// it the chosen track keeps its nominal length.
std::string describe_show(uint32_t seed, const char* payload_path, void (*decode)() = nullptr);

// A float written so that it reads back as the same single-precision value; null when
// it is not finite (JSON has no infinities).
std::string json_float(float v);
