// Audio in and out for packing: reading users' files, resampling, MP3 encoding and decoding.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// Called now and then during long work with the fraction done, 0..1.
using progress_fn = std::function<void(double)>;

// Reads any file libsndfile reads, or else any the ffmpeg program decodes (M4A/AAC, Opus,
// tracker modules, ...), and mixes its channels to mono (their mean), as floats in -1..1.
// False with the reason when the file cannot be opened or read.
bool read_audio_mono(const std::string& path, std::vector<float>* samples, uint32_t* rate, std::string* error);

// Resamples with libsamplerate's best sinc converter. The same rate gives a copy.
bool resample_audio(const std::vector<float>& in, uint32_t in_rate, uint32_t out_rate, std::vector<float>* out,
                    std::string* error, const progress_fn& progress = nullptr);

// Sample rates an MP3 stream can have, and whether a bit rate exists at a sample rate (CBR,
// Layer III: MPEG-1 at 32000 Hz and above, MPEG-2 and 2.5 below).
bool mp3_rate_supported(uint32_t rate);
bool mp3_kbps_supported(uint32_t rate, uint32_t kbps);
// The bit rate used when none is given: 48 kbit/s up to 24000 Hz, 96 above.
uint32_t default_mp3_kbps(uint32_t rate);

// An ID3v2.4 tag holding one title frame (UTF-8).
std::vector<uint8_t> id3v2_title_tag(const std::string& title);

// Encodes mono samples with libmp3lame: CBR at `kbps`, no Xing/Info frame, no CRC, input and
// output at `rate`, after an ID3v2.4 tag with the title. The stream decodes (without gapless
// trimming) to the input delayed by mp3_decoder_delay samples.
enum : uint32_t { mp3_decoder_delay = 1105 };
bool encode_mp3(const float* samples, size_t count, uint32_t rate, uint32_t kbps, const std::string& title,
                std::vector<uint8_t>* out, std::string* error, const progress_fn& progress = nullptr);

// Decodes a stream as the player does (delay included) into floats in -1..1.
bool decode_mp3_floats(const std::vector<uint8_t>& mp3, size_t expected_samples, std::vector<float>* out,
                       std::string* error);
