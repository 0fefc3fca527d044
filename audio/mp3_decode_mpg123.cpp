// The Linux build's decoder: libmpg123 in feed mode, one frame per call, first channel,
// no gapless trimming.
#include <mpg123.h>
#include <stdlib.h>

#include "audio/decode.h"
#include "audio/mp3_decode.h"

enum : uint32_t { feed_block = 16384 };

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
    // Every frame as it stands: no gapless trimming (the decoder delay stays in the output),
    // an Info/Xing frame decoded like any other, no resampling; quiet on bad data.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS | MPG123_AUTO_RESAMPLE, 0.0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0.0);
    // Signed 16-bit output at the stream's own rate and channel count.
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    mpg123_format_none(h);
    for (size_t i = 0; i < rate_count; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    uint32_t d = 0;
    uint32_t frame_count = 0;
    uint64_t total = 0;
    uint32_t fed = 0;
    int channels = 1;
    if (mpg123_open_feed(h) == MPG123_OK) {
        for (;;) {
            off_t num = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            int r = mpg123_decode_frame(h, &num, &audio, &bytes);
            if (r == MPG123_NEED_MORE) {
                if (fed == length) break; // the end of the stream
                uint32_t block = length - fed < feed_block ? length - fed : (uint32_t)feed_block;
                if (mpg123_feed(h, stream + fed, block) != MPG123_OK) break;
                fed += block;
                continue;
            }
            if (r == MPG123_NEW_FORMAT) {
                long rate = 0;
                int encoding = 0;
                if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || channels < 1) break;
                continue;
            }
            if (r != MPG123_OK) break; // a frame that cannot be decoded
            if (bytes == 0) continue;
            ++frame_count;
            size_t samples = bytes / 2 / (size_t)channels;
            const int16_t* s = (const int16_t*)audio;
            for (size_t i = 0; i < samples && d < capacity; ++i) out[d++] = s[i * (size_t)channels];
            total += samples;
        }
    }
    mpg123_delete(h);
    if (frames) *frames = frame_count;
    if (produced) *produced = total;
    return d;
}

uint32_t decoded_capacity(const track_record& r) {
    // Beyond the loop, the delay and the crossfade tail no sample is read: a stream that
    // delivers more than largest_pcm_frames + 2129 gives the same result with that many.
    const uint64_t most = (uint64_t)largest_pcm_frames + decoder_delay + crossfade_samples;
    uint64_t c = (uint64_t)r.sample_rate + r.loop_samples;
    return (uint32_t)(c < most ? c : most);
}

bool decode_stream_samples(const uint8_t* stream, const track_record& r, int16_t** samples, uint32_t* count,
                           uint32_t* stream_samples) {
    *samples = nullptr;
    *count = 0;
    if (stream_samples) *stream_samples = 0;
    uint32_t capacity = decoded_capacity(r);
    int16_t* d = (int16_t*)malloc(capacity ? (size_t)capacity * sizeof(int16_t) : 1);
    if (!d) return false;
    uint64_t produced = 0;
    *count = decode_mp3_stream(stream, r.mp3_length, d, capacity, nullptr, &produced);
    if (stream_samples) *stream_samples = produced < 0xFFFFFFFFu ? (uint32_t)produced : 0xFFFFFFFFu;
    *samples = d;
    return true;
}

void release_stream_samples(int16_t* samples) { free(samples); }
