#include "mp3_fixture.h"

#include <lame/lame.h>
#include <math.h>
#include <string.h>

std::vector<uint8_t> id3v2_tag(const char* title) {
    const uint32_t text = (uint32_t)strlen(title);
    const uint32_t frame = 1 + text; // encoding byte and the text
    const uint32_t body = 10 + frame;
    auto syncsafe = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 3; i >= 0; --i) b.push_back((uint8_t)((v >> (7 * i)) & 0x7F));
    };
    std::vector<uint8_t> t = {'I', 'D', '3', 4, 0, 0};
    syncsafe(t, body);
    t.insert(t.end(), {'T', 'I', 'T', '2'});
    syncsafe(t, frame);
    t.insert(t.end(), {0, 0, 3});
    t.insert(t.end(), title, title + text);
    return t;
}

encoded_mp3 encode_mp3(const std::vector<int16_t>& samples, int rate, int kbps, bool tag) {
    encoded_mp3 e;
    lame_global_flags* gf = lame_init();
    if (!gf) return e;
    lame_set_num_channels(gf, 1);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_mode(gf, MONO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
    lame_set_error_protection(gf, 0);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return e;
    }
    if (tag) e.bytes = id3v2_tag("tavrin test");
    std::vector<int16_t> in = samples;
    std::vector<uint8_t> out(in.size() * 5 / 4 + 7200);
    int n = lame_encode_buffer(gf, in.data(), in.data(), (int)in.size(), out.data(), (int)out.size());
    if (n > 0) e.bytes.insert(e.bytes.end(), out.begin(), out.begin() + n);
    n = lame_encode_flush(gf, out.data(), (int)out.size());
    if (n > 0) e.bytes.insert(e.bytes.end(), out.begin(), out.begin() + n);
    e.frames = (uint32_t)lame_get_frameNum(gf);
    lame_close(gf);
    return e;
}

std::vector<int16_t> music_like_samples(uint32_t count, int rate) {
    std::vector<int16_t> s(count);
    uint32_t noise = 12345;
    const float two_pi = 6.2831853f;
    for (uint32_t i = 0; i < count; ++i) {
        float t = (float)i / (float)rate;
        float beat = fmodf(t, 0.5f);
        noise = noise * 1664525u + 1013904223u;
        float v = 0.25f * sinf(two_pi * 110.0f * t) + 0.15f * sinf(two_pi * 440.0f * t) +
                  0.1f * sinf(two_pi * 1320.0f * t + sinf(two_pi * 0.5f * t)) +
                  0.4f * expf(-beat * 30.0f) * sinf(two_pi * 60.0f * t) +
                  0.05f * ((float)(noise >> 16) / 32768.0f - 1.0f);
        s[i] = (int16_t)(v * 20000.0f);
    }
    return s;
}
