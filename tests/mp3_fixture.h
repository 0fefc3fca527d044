// MP3 streams made with libmp3lame for the decoding tests and benchmarks (Linux build).
#pragma once
#include <stdint.h>

#include <vector>

// An ID3v2.4 tag with one title frame (TIT2, UTF-8).
std::vector<uint8_t> id3v2_tag(const char* title);

struct encoded_mp3 {
    std::vector<uint8_t> bytes; // the tag (when asked for) and the MPEG frames
    uint32_t frames = 0;        // MPEG frames written
};

// Mono, CBR, no Xing/Info frame, no error protection, at `rate` Hz and `kbps` kbit/s,
// preceded by id3v2_tag("tavrin test") unless `tag` is false. At 22050 Hz the frames are
// MPEG-2 Layer III of 576 samples.
encoded_mp3 encode_mp3(const std::vector<int16_t>& samples, int rate = 22050, int kbps = 24, bool tag = true);

// Something music-like to encode: a few tones, a pulse every half second and some noise.
std::vector<int16_t> music_like_samples(uint32_t count, int rate);
