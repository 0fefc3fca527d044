// libmpg123 in feed mode, one frame per call, first channel, no gapless trimming.
#include <mpg123.h>
#include <string.h>

#include "audio/mp3_decode.h"

uint32_t decode_mp3_stream(const uint8_t* stream, uint32_t length, int16_t* out, uint32_t capacity,
                           uint32_t* frames, uint64_t* produced) {
    if (frames) *frames = 0;
    if (produced) *produced = 0;
#if MPG123_API_VERSION < 46
    static bool initialised = false;
    if (!initialised) {
        if (mpg123_init() != MPG123_OK) return 0;
        initialised = true;
    }
#endif
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return 0;
    uint32_t d = 0;
    uint32_t frame_count = 0;
    uint64_t total = 0;
    // No gapless trimming, no resampling, no stream-level guessing; quiet on bad data.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Signed 16-bit output at the stream's own rate and channel count.
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    mpg123_format_none(h);
    for (size_t i = 0; i < rate_count; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) == MPG123_OK && mpg123_feed(h, stream, length) == MPG123_OK) {
        int channels = 1;
        for (;;) {
            off_t num = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            int r = mpg123_decode_frame(h, &num, &audio, &bytes);
            if (r == MPG123_NEW_FORMAT) {
                long rate = 0;
                int enc = 0;
                mpg123_getformat(h, &rate, &channels, &enc);
                continue;
            }
            if (r != MPG123_OK) break; // end of the fed data, or a frame that cannot be decoded
            ++frame_count;
            size_t samples = bytes / 2 / (size_t)(channels > 0 ? channels : 1);
            const int16_t* s = (const int16_t*)audio;
            for (size_t i = 0; i < samples; ++i) {
                if (d < capacity) out[d++] = s[i * (size_t)channels];
            }
            total += samples;
        }
    }
    mpg123_delete(h);
    if (frames) *frames = frame_count;
    if (produced) *produced = total;
    return d;
}
