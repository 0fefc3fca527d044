#include "audio/decode.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

int16_t* pcm_buffer = nullptr;
uint32_t frames_total = 0;

void release_pcm_buffer() {
    free(pcm_buffer);
    pcm_buffer = nullptr;
    frames_total = 0;
}

uint32_t loop_repetitions(float show_length, float loop_length) {
    if (!(loop_length > 0.0f)) return 0; // zero, negative or not a number: nothing to divide by
    float r = show_length / loop_length + 0.5f;
    if (isnan(r)) return 0;
    if (!(r >= 1.0f)) return 1; // below one repetition, negative included
    // Even the shortest loop repeated this often would not fit in a PCM buffer.
    if (r >= (float)(largest_pcm_frames / shortest_loop + 1)) return 0;
    return (uint32_t)r;
}

int build_pcm_loop(const int16_t* decoded, uint32_t count, uint32_t loop_samples, float show_length,
                   float loop_length, uint32_t sample_rate, pcm_loop* out) {
    out->pcm = nullptr;
    out->frames_total = 0;
    out->show_length = show_length;

    // The loop starts after the decoder delay; a short stream shortens it.
    int64_t loop = loop_samples;
    if ((int64_t)count < loop + decoder_delay) loop = (int64_t)count - decoder_delay;
    if (loop < shortest_loop) return loop_too_short;

    if (sample_rate == 0 || !(loop_length > 0.0f) || isnan(show_length)) return loop_bad_timing;
    uint32_t repeats = loop_repetitions(show_length, loop_length);
    if (repeats == 0 || (uint64_t)repeats * (uint64_t)loop > largest_pcm_frames) return loop_too_long;

    // Crossfade with the tail that follows the loop in the recording, as much as there is.
    int64_t fade = (int64_t)count >= loop + decoder_delay + crossfade_samples
                       ? (int64_t)crossfade_samples
                       : (int64_t)count - decoder_delay - loop;

    const uint32_t L = (uint32_t)loop;
    const uint32_t X = (uint32_t)fade;
    const uint32_t total = repeats * L;
    int16_t* pcm = (int16_t*)malloc((size_t)total * sizeof(int16_t));
    if (!pcm) return pcm_no_memory;

    const int16_t* body = decoded + decoder_delay;
    const int16_t* tail = body + L;
    memcpy(pcm, body, (size_t)L * sizeof(int16_t));
    if (repeats > 1) {
        // Every later repetition fades its first X samples in while the tail fades out;
        // they are all the same, so the second is built and copied.
        // A loop shorter than the crossfade is blended all through.
        const uint32_t blended = X < L ? X : L;
        int16_t* second = pcm + L;
        for (uint32_t k = 0; k < blended; ++k) {
            float w = (float)k / (float)X;
            float v = (float)body[k] * w + (float)tail[k] * (1.0f - w);
            second[k] = (int16_t)(int32_t)v;
        }
        memcpy(second + blended, body + blended, (size_t)(L - blended) * sizeof(int16_t));
        for (uint32_t j = 2; j < repeats; ++j) memcpy(pcm + (size_t)j * L, second, (size_t)L * sizeof(int16_t));
    }

    // Fade-in over the first 256 samples: x k/256, truncated toward zero.
    for (uint32_t k = 0; k < fade_in_samples; ++k) pcm[k] = (int16_t)((int32_t)pcm[k] * (int32_t)k / 256);

    // Fade-out over two seconds, or the whole buffer when it is shorter: x k/F at k from the end.
    uint64_t span = 2ull * sample_rate < total ? 2ull * sample_rate : total;
    for (uint64_t k = 0; k < span; ++k) {
        int16_t& s = pcm[total - 1 - k];
        s = (int16_t)((int64_t)s * (int64_t)k / (int64_t)span);
    }

    out->pcm = pcm;
    out->frames_total = total;
    out->show_length = (float)total / (float)sample_rate;
    return decode_ok;
}
