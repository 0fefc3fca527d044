// MP3 stream to mono 16-bit samples, frame by frame, as the player decodes a track.
#pragma once
#include <stdint.h>

// Decodes `length` bytes of an MPEG audio stream (a leading ID3v2 tag is passed over).
// Keeps the first channel only; samples beyond `capacity` are dropped. Decoding stops at the
// end of the stream or at a frame that cannot be decoded. No gapless trimming: the encoder
// and decoder delays stay in the output. Returns the number of samples stored in `out`;
// `frames` (optional) receives the number of MPEG frames decoded, and `produced` (optional)
// the number of samples decoded including those dropped.
uint32_t decode_mp3_stream(const uint8_t* stream, uint32_t length, int16_t* out, uint32_t capacity,
                           uint32_t* frames = nullptr, uint64_t* produced = nullptr);
