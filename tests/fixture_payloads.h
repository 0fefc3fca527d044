// The named payload files that the describe tests and make_payloads write (without MP3
// streams): each is a file as the player finds it, an executable-like image with or without
// a show payload and its trailer after it.
//   none.bin     the image without a trailer
//   one.bin      one track
//   seven.bin    seven tracks spread over the mood square, with varied tempos, origins, loops,
//                feature rates and energy lists
//   refused.bin  a playable track beside two refused records (a tempo that is not a number with
//                awkward floats in the other fields, and an energy list past the payload)
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Something in front of the payload, as the executable image would be.
std::vector<uint8_t> fixture_image_prefix();

// The file called `name` (one of the four above); empty for an unknown name.
std::vector<uint8_t> fixture_payload_file(const std::string& name);
