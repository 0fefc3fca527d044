// Decoding a record with the build's decoder, and the start-up step over the chosen track.
#include "audio/decode.h"
#include "audio/mp3_decode.h"
#include "core/show.h"

void decode_record(const uint8_t* buffer, uint32_t bytes, const track_record& r, track_decode* out) {
    out->outcome = decode_failed;
    out->decoded_samples = 0;
    out->loop = pcm_loop{nullptr, 0, r.show_length};
    if (!buffer || (uint64_t)r.mp3_offset + r.mp3_length > bytes) return;
    int16_t* samples = nullptr;
    uint32_t count = 0;
    if (!decode_stream_samples(buffer + r.mp3_offset, r, &samples, &count, &out->decoded_samples)) return;
    out->outcome = build_pcm_loop(samples, count, r.loop_samples, r.show_length, r.loop_length, r.sample_rate,
                                  &out->loop);
    release_stream_samples(samples);
}

void decode_track() {
    release_pcm_buffer();
    if (chosen_track < 0 || chosen_track >= track_count || !payload) return;
    track_record r = read_track_record(payload, chosen_track);
    track_decode t;
    decode_record(payload, payload_bytes, r, &t);
    if (t.outcome != decode_ok) return;
    pcm_buffer = t.loop.pcm;
    frames_total = t.loop.frames_total;
    show.show_length = t.loop.show_length;
}
