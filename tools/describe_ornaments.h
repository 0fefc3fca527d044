// `tavrin describe SEED --ornaments PHRASE`: the ornament set a phrase of a seed's show builds.
#pragma once
#include <stdint.h>
#include <string>

// Runs the start-up choices for `seed` (payload and decoding as describe_show takes them), builds
// the ornament set of `phrase` where start-up builds phrase 0 (in its derived stream), and
// returns it as one JSON object followed by a newline.
std::string describe_ornaments(uint32_t seed, const char* payload_path, int32_t phrase, void (*decode)() = nullptr);

struct camera_frame;
// The "scene_sprites" of a frame of `tavrin describe --at` (the frame's cue and audio values are
// set): the drawn slots with their picture, place, size and tilt, as a JSON array.
std::string describe_scene_sprites(const camera_frame& camera);
