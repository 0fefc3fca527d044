// The JSON description of a seed's show, shared by the Linux tool and the Windows build.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

// Runs the start-up choices for `seed` over the payload in `payload_path` (null: as the Linux
// player finds it) and returns the description as one JSON object followed by a newline.
// `decode` is the start-up's decoding step (decode_track), which fixes show_length; without
// it the chosen track keeps its nominal length.
std::string describe_show(uint32_t seed, const char* payload_path, void (*decode)() = nullptr);

// Show times to describe frame by frame: with times, describe_show adds a "frames" array, one
// object per time (beat, dance phase, plan entry and its progress, energy, audio vector, the
// camera on a width x height screen, the figure's tagged points).
struct describe_frames {
    std::vector<float> times;
    int width = 1920, height = 1080;
};
std::string describe_show(uint32_t seed, const char* payload_path, void (*decode)(), const describe_frames& frames);

// The "frames" array's text (the show's state must be set up); used by describe_show.
std::string describe_frame_list(const describe_frames& frames);

// The built-in figure scene as one JSON object: counts of keys, vertices and indices, the 48
// pieces (index range, class, pulse, index-texture slot, key counts of their tracks) and the 13
// bones (key counts).
std::string describe_scene();

// A float written so that it reads back as the same single-precision value; null when
// it is not finite (JSON has no infinities).
std::string json_float(float v);
