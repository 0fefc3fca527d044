// MP3 stream to mono 16-bit samples: the build's decoder behind one interface.
#pragma once
#include <stdint.h>

#include "core/payload.h"

// Decodes `length` bytes of an MPEG audio stream frame by frame (a leading ID3v2 tag is passed
// over). Keeps the first channel only; samples beyond `capacity` are dropped. Decoding stops at
// the end of the stream or at a frame that cannot be decoded. No gapless trimming: the encoder
// and decoder delays stay in the output. Returns the number of samples stored in `out`;
// `frames` (optional) receives the number of MPEG frames decoded, and `produced` (optional)
// the number of samples decoded including those dropped. (Linux build.)
uint32_t decode_mp3_stream(const uint8_t* stream, uint32_t length, int16_t* out, uint32_t capacity,
                           uint32_t* frames = nullptr, uint64_t* produced = nullptr);

// Room for decoded samples of record `r` on Linux: one second more than a loop, at most what
// the largest PCM buffer could use (the rest would never be read).
uint32_t decoded_capacity(const track_record& r);

// The build's decoding of record `r`'s stream (`stream` points at its mp3_length bytes) into a
// new array of samples, decoder delay included. False when it could not be decoded; otherwise
// the caller hands *samples back to release_stream_samples.
bool decode_stream_samples(const uint8_t* stream, const track_record& r, int16_t** samples, uint32_t* count);
void release_stream_samples(int16_t* samples);
