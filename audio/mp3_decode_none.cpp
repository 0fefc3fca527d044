// A build without an MP3 decoder yet (Windows, until the system codec is wired in): every
// stream decodes to no samples, so the loop is refused and the show runs silently for the
// track's nominal length.
#include "audio/mp3_decode.h"

bool decode_stream_samples(const uint8_t*, const track_record&, int16_t** samples, uint32_t* count) {
    *samples = nullptr;
    *count = 0;
    return true;
}

void release_stream_samples(int16_t*) {}
