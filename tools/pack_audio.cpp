#include "tools/pack_audio.h"

#include <lame/lame.h>
#include <math.h>
#include <samplerate.h>
#include <sndfile.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "audio/mp3_decode.h"
#include "core/le_bytes.h"
#include "tools/media_out.h"

namespace {

// Decodes through the ffmpeg program to 32-bit float mono WAV on a pipe (its sizes unset, so
// the data runs to the end of the stream).
bool read_with_ffmpeg(const std::string& path, std::vector<float>* samples, uint32_t* rate, std::string* why) {
    std::string ffmpeg = program_on_path("ffmpeg");
    if (ffmpeg.empty()) {
        *why = "the ffmpeg program, which decodes other formats, is not on PATH (Debian: apt-get install ffmpeg)";
        return false;
    }
    std::vector<uint8_t> bytes;
    std::string messages, not_started;
    int status = 0;
    if (!run_collecting(ffmpeg,
                        {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-i", path, "-vn", "-ac", "1",
                         "-c:a", "pcm_f32le", "-f", "wav", "-"},
                        &bytes, &messages, &status, &not_started)) {
        *why = "cannot start ffmpeg: " + not_started;
        return false;
    }
    while (!messages.empty() && (messages.back() == '\n' || messages.back() == '\r')) messages.pop_back();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why = "ffmpeg cannot decode it either" + (messages.empty() ? std::string() : ": " + messages);
        return false;
    }
    // RIFF header, then chunks: "fmt " gives the rate, "data" runs to the end.
    if (bytes.size() < 12 || memcmp(bytes.data(), "RIFF", 4) != 0 || memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        *why = "ffmpeg gave no audio";
        return false;
    }
    size_t at = 12;
    uint32_t sample_rate = 0;
    while (at + 8 <= bytes.size()) {
        uint32_t size = read_u32_le(bytes.data() + at + 4);
        if (memcmp(bytes.data() + at, "fmt ", 4) == 0 && at + 16 <= bytes.size()) {
            sample_rate = read_u32_le(bytes.data() + at + 12);
        } else if (memcmp(bytes.data() + at, "data", 4) == 0) {
            size_t from = at + 8, count = (bytes.size() - from) / 4;
            samples->resize(count);
            if (count) memcpy(samples->data(), bytes.data() + from, count * 4);
            if (sample_rate == 0) break;
            *rate = sample_rate;
            return true;
        }
        at += 8 + (size_t)size + (size & 1);
    }
    *why = "ffmpeg gave no audio";
    return false;
}

} // namespace

bool read_audio_mono(const std::string& path, std::vector<float>* samples, uint32_t* rate, std::string* error) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) {
        std::string sndfile_error = sf_strerror(nullptr);
        // libsndfile reads no AAC/M4A, Opus in Matroska and the like: the ffmpeg program
        // (which video export uses already) may. A file that cannot be opened at all is left
        // to libsndfile's message.
        if (access(path.c_str(), R_OK) == 0) {
            std::string why;
            if (read_with_ffmpeg(path, samples, rate, &why)) return true;
            *error = "cannot read " + path + ": " + sndfile_error + "; " + why;
            return false;
        }
        *error = "cannot read " + path + ": " + sndfile_error;
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(f);
        *error = "cannot read " + path + ": no audio channels";
        return false;
    }
    const int channels = info.channels;
    const sf_count_t block = 16384;
    std::vector<float> buffer((size_t)block * (size_t)channels);
    samples->clear();
    if (info.frames > 0 && info.frames < (sf_count_t)1 << 31) samples->reserve((size_t)info.frames);
    for (;;) {
        sf_count_t got = sf_readf_float(f, buffer.data(), block);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i) {
            double sum = 0;
            for (int c = 0; c < channels; ++c) sum += buffer[(size_t)i * channels + c];
            samples->push_back((float)(sum / channels));
        }
    }
    int status = sf_error(f);
    std::string message = sf_strerror(f);
    sf_close(f);
    if (status != SF_ERR_NO_ERROR) {
        *error = "cannot read " + path + ": " + message;
        return false;
    }
    *rate = (uint32_t)info.samplerate;
    return true;
}

bool resample_audio(const std::vector<float>& in, uint32_t in_rate, uint32_t out_rate, std::vector<float>* out,
                    std::string* error, const progress_fn& progress) {
    if (in_rate == out_rate) {
        *out = in;
        return true;
    }
    int status = 0;
    SRC_STATE* src = src_new(SRC_SINC_BEST_QUALITY, 1, &status);
    if (!src) {
        *error = std::string("cannot start the resampler: ") + src_strerror(status);
        return false;
    }
    const double ratio = (double)out_rate / (double)in_rate;
    out->clear();
    out->reserve((size_t)((double)in.size() * ratio) + 16);
    const long chunk = 65536;
    std::vector<float> buffer((size_t)((double)chunk * ratio) + 1024);
    size_t at = 0;
    for (;;) {
        SRC_DATA d;
        memset(&d, 0, sizeof d);
        long left = (long)(in.size() - at);
        d.data_in = in.data() + at;
        d.input_frames = left < chunk ? left : chunk;
        d.end_of_input = left <= chunk;
        d.data_out = buffer.data();
        d.output_frames = (long)buffer.size();
        d.src_ratio = ratio;
        status = src_process(src, &d);
        if (status != 0) {
            src_delete(src);
            *error = std::string("resampling failed: ") + src_strerror(status);
            return false;
        }
        at += (size_t)d.input_frames_used;
        out->insert(out->end(), buffer.begin(), buffer.begin() + d.output_frames_gen);
        if (progress && !in.empty()) progress((double)at / (double)in.size());
        if (d.end_of_input && d.input_frames_used == d.input_frames && d.output_frames_gen == 0) break;
    }
    src_delete(src);
    return true;
}

bool mp3_rate_supported(uint32_t rate) {
    static const uint32_t rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    for (uint32_t r : rates)
        if (r == rate) return true;
    return false;
}

bool mp3_kbps_supported(uint32_t rate, uint32_t kbps) {
    static const uint32_t mpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const uint32_t mpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    if (!mp3_rate_supported(rate)) return false;
    const uint32_t* table = rate >= 32000 ? mpeg1 : mpeg2;
    for (int i = 0; i < 14; ++i)
        if (table[i] == kbps) return true;
    return false;
}

uint32_t default_mp3_kbps(uint32_t rate) { return rate > 24000 ? 96 : 48; }

std::vector<uint8_t> id3v2_title_tag(const std::string& title) {
    // ID3v2.4: sizes are "syncsafe", 7 bits a byte.
    auto syncsafe = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int shift = 21; shift >= 0; shift -= 7) b.push_back((uint8_t)((v >> shift) & 0x7F));
    };
    std::vector<uint8_t> frame = {'T', 'I', 'T', '2'};
    syncsafe(frame, (uint32_t)title.size() + 1);
    frame.push_back(0); // flags
    frame.push_back(0);
    frame.push_back(3); // text encoding: UTF-8
    frame.insert(frame.end(), title.begin(), title.end());
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0};
    syncsafe(tag, (uint32_t)frame.size());
    tag.insert(tag.end(), frame.begin(), frame.end());
    return tag;
}

bool encode_mp3(const float* samples, size_t count, uint32_t rate, uint32_t kbps, const std::string& title,
                std::vector<uint8_t>* out, std::string* error, const progress_fn& progress) {
    if (!mp3_kbps_supported(rate, kbps)) {
        *error = "MP3 has no " + std::to_string(kbps) + " kbit/s at " + std::to_string(rate) + " Hz";
        return false;
    }
    lame_t gf = lame_init();
    if (!gf) {
        *error = "cannot start the MP3 encoder";
        return false;
    }
    lame_set_in_samplerate(gf, (int)rate);
    lame_set_out_samplerate(gf, (int)rate);
    lame_set_num_channels(gf, 1);
    lame_set_mode(gf, MONO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, (int)kbps);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_error_protection(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_set_quality(gf, 2);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        *error = "the MP3 encoder refuses " + std::to_string(kbps) + " kbit/s at " + std::to_string(rate) + " Hz";
        return false;
    }
    if (lame_get_encoder_delay(gf) != 576) {
        // The player drops a fixed 1105 samples: 576 from the encoder, 529 from the decoder.
        lame_close(gf);
        *error = "the MP3 encoder's delay is " + std::to_string(lame_get_encoder_delay(gf)) + " samples, not 576";
        return false;
    }
    *out = id3v2_title_tag(title);
    const size_t chunk = 65536;
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (size_t at = 0; at < count; at += chunk) {
        int n = (int)(count - at < chunk ? count - at : chunk);
        int bytes = lame_encode_buffer_ieee_float(gf, samples + at, samples + at, n, buffer.data(), (int)buffer.size());
        if (bytes < 0) {
            lame_close(gf);
            *error = "MP3 encoding failed (" + std::to_string(bytes) + ")";
            return false;
        }
        out->insert(out->end(), buffer.begin(), buffer.begin() + bytes);
        if (progress) progress((double)(at + (size_t)n) / (double)count);
    }
    int bytes = lame_encode_flush(gf, buffer.data(), (int)buffer.size());
    lame_close(gf);
    if (bytes < 0) {
        *error = "MP3 encoding failed (" + std::to_string(bytes) + ")";
        return false;
    }
    out->insert(out->end(), buffer.begin(), buffer.begin() + bytes);
    return true;
}

bool decode_mp3_floats(const std::vector<uint8_t>& mp3, size_t expected_samples, std::vector<float>* out,
                       std::string* error) {
    if (mp3.size() > UINT32_MAX || expected_samples > UINT32_MAX / 2) {
        *error = "the MP3 stream is too long to decode";
        return false;
    }
    // Room for the delays and the encoder's padding at the end (under two frames).
    std::vector<int16_t> pcm(expected_samples + mp3_decoder_delay + 4 * 1152);
    uint32_t got = decode_mp3_stream(mp3.data(), (uint32_t)mp3.size(), pcm.data(), (uint32_t)pcm.size());
    if (got < mp3_decoder_delay + expected_samples) {
        *error = "the encoded stream decodes to " + std::to_string(got) + " samples, expected " +
                 std::to_string(expected_samples + mp3_decoder_delay);
        return false;
    }
    out->resize(got);
    for (uint32_t i = 0; i < got; ++i) (*out)[i] = (float)pcm[i] * (1.0f / 32768.0f);
    return true;
}
