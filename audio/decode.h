// The chosen track's MP3 stream as one looped, crossfaded, faded PCM buffer.
#pragma once
#include <stdint.h>

#include "core/payload.h"

// The PCM buffer the audio output plays: mono, signed 16-bit, at the track's sample_rate,
// frames_total samples. Null (and frames_total 0) when nothing was decoded.
extern int16_t* pcm_buffer;
extern uint32_t frames_total;

enum : uint32_t {
    decoder_delay = 1105,   // samples dropped from the start of the decoded stream
    shortest_loop = 1000,   // a loop of fewer samples gives no PCM buffer
    crossfade_samples = 1024,
    fade_in_samples = 256,
    // Largest PCM buffer: one hour at the highest sample rate, as much as a playable record
    // can ask for; the loop building refuses more whatever record it is given.
    largest_pcm_frames = most_show_frames,
};

// What became of a decoding.
enum decode_outcome : int {
    decode_ok = 0,
    decode_failed,     // the stream could not be decoded (no decoder, no memory for the samples)
    loop_too_short,    // 999 samples or fewer after the decoder delay, or loop_samples below 1000
    loop_bad_timing,   // loop_length not above 0 or sample_rate 0: no number of repetitions
    loop_too_long,     // the repetitions would not fit in largest_pcm_frames
    pcm_no_memory,     // the PCM buffer could not be allocated
};

struct pcm_loop {
    int16_t* pcm;          // malloc'd, frames_total samples; null unless decode_ok
    uint32_t frames_total;
    float show_length;     // frames_total / sample_rate, or the nominal length when refused
};

// Builds the PCM buffer from `count` decoded samples (decoder delay included): the loop of
// loop_samples samples after the delay (shortened to what was decoded), repeated
// round(show_length / loop_length) times (at least once), each join crossfaded with the tail
// that follows the loop in the recording, faded in over 256 samples and out over two seconds.
// show_length and loop_length are the record's nominal values. Reads nothing but its inputs.
int build_pcm_loop(const int16_t* decoded, uint32_t count, uint32_t loop_samples, float show_length,
                   float loop_length, uint32_t sample_rate, pcm_loop* out);

// Repetitions of the loop for a nominal show and loop length; 0 when there is none
// (loop_length not above 0, not a number, or more than largest_pcm_frames could hold).
uint32_t loop_repetitions(float show_length, float loop_length);

// Frees the PCM buffer and sets frames_total to 0 (tools and tests; the player never frees it).
void release_pcm_buffer();

// One record decoded as the player decodes it.
struct track_decode {
    int outcome;              // decode_outcome
    // Samples the whole stream decoded to, decoder delay included. The loop is built from
    // what the build's decoder kept of them: on Linux at most sample_rate samples past the
    // loop, on Windows all; the loop reads no more than 2129 past its length.
    uint32_t decoded_samples;
    pcm_loop loop;
};

// The following live in the decoding library (tavrin_decode), which links the build's MP3
// decoder; the deciding core does not need them.

// Decodes record `r` of the payload held in `buffer` (`bytes` bytes) into out->loop.
// The record's MP3 stream must lie within the buffer, else decode_failed.
void decode_record(const uint8_t* buffer, uint32_t bytes, const track_record& r, track_decode* out);

// The start-up step: decodes the chosen track into pcm_buffer and frames_total and sets
// show.show_length to their length; on any failure pcm_buffer stays null and show_length
// keeps its value. Does nothing when no track is chosen.
void decode_track();
