// MP3 stream to mono 16-bit samples: the build's decoder behind one interface.
#pragma once
#include <stdint.h>

#include "core/payload.h"

// The build's decoding of record `r`'s stream (`stream` points at its mp3_length bytes) into a
// new array of samples, decoder delay included: libmpg123 frame by frame into room for
// decoded_capacity(r) samples on Linux, one conversion by the system codec (Audio Compression
// Manager) on Windows, which keeps everything. False when it could not be decoded; otherwise
// *count samples are in *samples, which the caller hands back to release_stream_samples.
// `stream_samples` (optional) receives the number of samples the whole stream decoded to,
// those beyond the array's room included: the same in both builds for the same stream.
bool decode_stream_samples(const uint8_t* stream, const track_record& r, int16_t** samples, uint32_t* count,
                           uint32_t* stream_samples = nullptr);
void release_stream_samples(int16_t* samples);

#ifndef _WIN32
// Linux build only.

// Decodes `length` bytes of an MPEG audio stream frame by frame (a leading ID3v2 tag is passed
// over). Keeps the first channel only; samples beyond `capacity` are dropped. Decoding stops at
// the end of the stream or at a frame that cannot be decoded. No gapless trimming: the encoder
// and decoder delays stay in the output. Returns the number of samples stored in `out`;
// `frames` (optional) receives the number of MPEG frames decoded, and `produced` (optional)
// the number of samples decoded including those dropped.
uint32_t decode_mp3_stream(const uint8_t* stream, uint32_t length, int16_t* out, uint32_t capacity,
                           uint32_t* frames = nullptr, uint64_t* produced = nullptr);

// Room for decoded samples of record `r`: one second more than a loop, at most what the
// largest PCM buffer could use (the rest would never be read).
uint32_t decoded_capacity(const track_record& r);
#endif
