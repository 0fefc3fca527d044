// The JSON description of a seed's show, shared by the Linux tool and the Windows build.
#pragma once
#include <stdint.h>
#include <string>

// Runs the start-up choices for `seed` over the payload in `payload_path` (null: as the Linux
// player finds it) and returns the description as one JSON object followed by a newline.
std::string describe_show(uint32_t seed, const char* payload_path);

// A float written so that it reads back as the same single-precision value; null when
// it is not finite (JSON has no infinities).
std::string json_float(float v);
