#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "audio/mp3_decode.h"
#include "core/payload.h"
#include "core/show.h"
#include "player/startup.h"
#include "payload_fixture.h"
#include "tools/describe.h"
#include "tools/inspect.h"
#ifndef _WIN32
#include "mp3_fixture.h"
#endif

namespace {

// A decoded array: the decoder delay (a marker value that must never reach the PCM buffer),
// `loop` samples of the loop body and `tail` samples of what follows the loop.
const int16_t delay_marker = 32767;
int16_t body_at(uint32_t k) { return (int16_t)(1000 + (k * 37) % 20000); }
int16_t tail_at(uint32_t k) { return (int16_t)(-1000 - (int32_t)((k * 53) % 20000)); }

std::vector<int16_t> decoded_array(uint32_t loop, uint32_t tail) {
    std::vector<int16_t> d(decoder_delay, delay_marker);
    for (uint32_t k = 0; k < loop; ++k) d.push_back(body_at(k));
    for (uint32_t k = 0; k < tail; ++k) d.push_back(tail_at(k));
    return d;
}

std::vector<int16_t> constant_array(uint32_t loop, int16_t v) {
    std::vector<int16_t> d(decoder_delay, delay_marker);
    d.resize(decoder_delay + loop, v);
    return d;
}

// A later repetition, sample by sample up to `end`: the first `crossfade` samples fade the
// body in while the tail fades out (weight k / crossfade), the rest is the body.
void expect_later_repetition(const int16_t* rep, uint32_t end, uint32_t crossfade, const std::string& what) {
    if (crossfade > 0) {
        EXPECT_EQ(rep[0], tail_at(0)) << what; // weight 0: all tail
    }
    for (uint32_t k = 0; k < end; ++k) {
        int16_t expected = body_at(k);
        if (k < crossfade) {
            float w = (float)k / (float)crossfade;
            expected = (int16_t)(int32_t)((float)body_at(k) * w + (float)tail_at(k) * (1.0f - w));
            ASSERT_LE(expected, body_at(k));
            ASSERT_GE(expected, tail_at(k));
        }
        ASSERT_EQ(rep[k], expected) << what << ", sample " << k;
    }
}

// build_pcm_loop with the PCM buffer freed at the end of the test.
struct built {
    int outcome;
    pcm_loop loop;
    built(const std::vector<int16_t>& d, uint32_t loop_samples, float show_length, float loop_length,
          uint32_t sample_rate) {
        outcome = build_pcm_loop(d.data(), (uint32_t)d.size(), loop_samples, show_length, loop_length, sample_rate,
                                 &loop);
    }
    ~built() { free(loop.pcm); }
};

} // namespace

TEST(LoopBuilding, RepetitionsRoundTheNominalRatio) {
    struct Case {
        float show_length, loop_length;
        uint32_t repeats; // 0: refused
    };
    const Case cases[] = {
        {92.16f, 30.72f, 3}, {2.5f, 1.0f, 3}, {0.3f, 1.0f, 1},  {1.49f, 1.0f, 1},     {1.5f, 1.0f, 2},
        {0.0f, 1.0f, 1},     {-4.0f, 1.0f, 1}, {10.0f, 1.0f, 10}, {5.0f, 0.0f, 0},      {0.0f, 0.0f, 0},
        {NAN, 1.0f, 0},      {5.0f, NAN, 0},   {1e30f, 1.0f, 0},  {INFINITY, 1.0f, 0}, {-INFINITY, 1.0f, 1},
    };
    const uint32_t L = 2000;
    const std::vector<int16_t> d = decoded_array(L, crossfade_samples);
    for (const Case& c : cases) {
        EXPECT_EQ(loop_repetitions(c.show_length, c.loop_length), c.repeats) << c.show_length << "/" << c.loop_length;
        if (c.repeats == 0) continue;
        built b(d, L, c.show_length, c.loop_length, 1000);
        ASSERT_EQ(b.outcome, decode_ok) << c.show_length;
        EXPECT_EQ(b.loop.frames_total, c.repeats * L);
        EXPECT_EQ(b.loop.show_length, (float)(c.repeats * L) / 1000.0f);
    }
}

TEST(LoopBuilding, ShippedTrackGivesThreeLoopsOf92Seconds) {
    built b(decoded_array(677376, crossfade_samples + 5000), 677376, 92.16f, 30.72f, 22050);
    ASSERT_EQ(b.outcome, decode_ok);
    EXPECT_EQ(b.loop.frames_total, 2032128u);
    EXPECT_EQ(b.loop.show_length, 92.16f);
}

TEST(LoopBuilding, EveryJoinCrossfadesWithTheTail) {
    // 3 repetitions of 6000 samples at 1000 Hz: the fade-out covers the last 2000 samples only,
    // the fade-in the first 256; the joins at 6000 and 12000 are untouched by either.
    struct Case {
        uint32_t tail;      // samples decoded after the loop
        uint32_t crossfade; // expected crossfade length
    };
    const Case cases[] = {{crossfade_samples + 300, 1024}, {crossfade_samples, 1024}, {1023, 1023}, {500, 500},
                          {0, 0}};
    const uint32_t L = 6000;
    for (const Case& c : cases) {
        built b(decoded_array(L, c.tail), L, 3.0f, 1.0f, 1000);
        ASSERT_EQ(b.outcome, decode_ok) << c.tail;
        ASSERT_EQ(b.loop.frames_total, 3 * L);
        const int16_t* pcm = b.loop.pcm;
        for (uint32_t k = fade_in_samples; k < L; ++k) ASSERT_EQ(pcm[k], body_at(k)) << "first loop " << k;
        for (uint32_t j = 1; j < 3; ++j)
            expect_later_repetition(pcm + j * L, j == 2 ? L - 2000 : L, c.crossfade,
                                    "tail " + std::to_string(c.tail) + ", repetition " + std::to_string(j));
    }
}

TEST(LoopBuilding, OneRepetitionHasNoCrossfade) {
    const uint32_t L = 6000;
    built b(decoded_array(L, crossfade_samples), L, 1.2f, 1.0f, 1000);
    ASSERT_EQ(b.outcome, decode_ok);
    ASSERT_EQ(b.loop.frames_total, L);
    for (uint32_t k = fade_in_samples; k < L - 2000; ++k) ASSERT_EQ(b.loop.pcm[k], body_at(k)) << k;
}

TEST(LoopBuilding, FadeInAndFadeOut) {
    // A constant loop without tail (hard joins), so every sample shows the fades alone.
    struct Case {
        uint32_t loop, sample_rate;
        float show_length, loop_length;
        int16_t value;
        uint32_t fade_out; // expected fade-out length
    };
    const Case cases[] = {
        {6000, 1000, 3.0f, 1.0f, 10001, 2000},   // two seconds at the end
        {6000, 1000, 3.0f, 1.0f, -10001, 2000},  // negative samples truncate toward zero
        {1200, 22050, 1.0f, 1.0f, 10001, 1200},  // shorter than two seconds: the whole buffer
        {1200, 22050, 1.0f, 1.0f, -32768, 1200}, // and the fade-in applies as well
    };
    for (const Case& c : cases) {
        built b(constant_array(c.loop, c.value), c.loop, c.show_length, c.loop_length, c.sample_rate);
        ASSERT_EQ(b.outcome, decode_ok);
        const uint32_t total = b.loop.frames_total;
        const int16_t* pcm = b.loop.pcm;
        EXPECT_EQ(pcm[0], 0);
        EXPECT_EQ(pcm[total - 1], 0);
        for (uint32_t i = 0; i < total; ++i) {
            int64_t v = c.value;
            if (i < fade_in_samples) v = v * i / 256;
            uint32_t k = total - 1 - i;
            if (k < c.fade_out) v = v * k / c.fade_out;
            ASSERT_EQ(pcm[i], v) << "value " << c.value << " sample " << i;
        }
        if (c.fade_out < total) {
            EXPECT_EQ(pcm[128], c.value / 2); // half, truncated
            EXPECT_EQ(pcm[total - 1 - c.fade_out / 2], c.value / 2);
            EXPECT_EQ(pcm[total - 1 - c.fade_out], c.value);
            EXPECT_EQ(pcm[fade_in_samples], c.value);
        }
    }
}

TEST(LoopBuilding, LoopsOf999SamplesOrFewerAreRefused) {
    struct Case {
        uint32_t loop_samples, decoded; // decoded: samples after the delay
        uint32_t loop;                  // expected loop length, 0: refused
        uint32_t crossfade;
    };
    const Case cases[] = {
        {999, 999 + 1024, 0, 0}, {5000, 999, 0, 0},     {5000, 1000, 1000, 0},
        {1000, 1005, 1000, 5},   {5000, 4000, 4000, 0}, {1000, 2100, 1000, 1024}, // crossfade longer than the loop
    };
    for (const Case& c : cases) {
        std::vector<int16_t> d = decoded_array(c.decoded, 0);
        for (uint32_t k = c.loop_samples; k < c.decoded; ++k) d[decoder_delay + k] = tail_at(k - c.loop_samples);
        built b(d, c.loop_samples, 2.0f, 1.0f, 100); // a fade-out of 200 samples
        if (c.loop == 0) {
            EXPECT_EQ(b.outcome, loop_too_short) << c.loop_samples << "/" << c.decoded;
            EXPECT_EQ(b.loop.pcm, nullptr);
            EXPECT_EQ(b.loop.frames_total, 0u);
            EXPECT_EQ(b.loop.show_length, 2.0f);
            continue;
        }
        ASSERT_EQ(b.outcome, decode_ok) << c.loop_samples << "/" << c.decoded;
        ASSERT_EQ(b.loop.frames_total, 2 * c.loop);
        expect_later_repetition(b.loop.pcm + c.loop, c.loop - 200, c.crossfade,
                                std::to_string(c.loop_samples) + "/" + std::to_string(c.decoded));
    }
    // Nothing decoded at all, or less than the delay: refused without reading.
    for (uint32_t count : {0u, 1u, 1104u, 1105u, 2104u}) {
        pcm_loop out;
        std::vector<int16_t> d(count + 1, delay_marker);
        EXPECT_EQ(build_pcm_loop(count ? d.data() : nullptr, count, 5000, 2.0f, 1.0f, 1000, &out), loop_too_short)
            << count;
        EXPECT_EQ(out.pcm, nullptr);
        free(out.pcm);
    }
}

TEST(LoopBuilding, UnusableTimingIsRefusedWithoutABuffer) {
    // The loop count divides by loop_length and converts the ratio to an integer, the length
    // divides by sample_rate and the buffer size must fit: each of these refuses cleanly.
    struct Case {
        float show_length, loop_length;
        uint32_t sample_rate;
        int outcome;
    };
    const Case cases[] = {
        {10.0f, 0.0f, 1000, loop_bad_timing},       {0.0f, 0.0f, 1000, loop_bad_timing},
        {10.0f, NAN, 1000, loop_bad_timing},        {NAN, 1.0f, 1000, loop_bad_timing},
        {10.0f, 1.0f, 0, loop_bad_timing},          {1e30f, 1.0f, 1000, loop_too_long},
        {3e9f, 1.0f, 1000, loop_too_long},          {1073742.0f, 1.0f, 1000, loop_too_long}, // 2147484000 frames
        {86401.0f, 1.0f, 1000, loop_too_long}, // one loop more than largest_pcm_frames holds
    };
    const std::vector<int16_t> d = decoded_array(2000, crossfade_samples);
    for (const Case& c : cases) {
        built b(d, 2000, c.show_length, c.loop_length, c.sample_rate);
        EXPECT_EQ(b.outcome, c.outcome) << c.show_length << "/" << c.loop_length << " at " << c.sample_rate;
        EXPECT_EQ(b.loop.pcm, nullptr);
        EXPECT_EQ(b.loop.frames_total, 0u);
        EXPECT_EQ(memcmp(&b.loop.show_length, &c.show_length, 4), 0);
    }
}

namespace {

std::vector<uint8_t> stored_file;
void load_stored() { load_show_payload_bytes(stored_file.data(), stored_file.size(), stored_file.size()); }

void run_with_decoding(uint32_t seed) {
    reset_show_state();
    release_show_payload();
    startup_hooks hooks{};
    hooks.load_payload = load_stored;
    hooks.decode_track = decode_track;
    run_startup_choices(seed, hooks);
}

} // namespace

TEST(DecodeTrack, UndecodableStreamKeepsTheNominalLength) {
    // The fixture's stream is not MPEG audio: no samples, no buffer, a silent show of 92.16 s.
    stored_file = build_file(build_payload({make_fixture_track(0.5f, 0.5f)}));
    run_with_decoding(42);
    ASSERT_EQ(chosen_track, 0);
    EXPECT_EQ(pcm_buffer, nullptr);
    EXPECT_EQ(frames_total, 0u);
    EXPECT_EQ(show.show_length, 92.16f);
    release_show_payload();

    stored_file.clear(); // no payload: nothing chosen, nothing decoded
    run_with_decoding(42);
    EXPECT_EQ(chosen_track, -1);
    EXPECT_EQ(pcm_buffer, nullptr);
    EXPECT_EQ(show.show_length, 16.0f);

    temp_file f(build_file(build_payload({make_fixture_track(0.5f, 0.5f)})));
    inspection in = inspect_payload(f.path, decode_record);
    ASSERT_TRUE(in.ok);
    ASSERT_TRUE(in.tracks[0].decoded);
    EXPECT_EQ(in.tracks[0].decoded_samples, 0u);
    EXPECT_EQ(in.tracks[0].decode_outcome, loop_too_short);
    EXPECT_NE(inspection_json(in).find("\"decoded_samples\": 0, \"frames_total\": 0, \"decoded_show_length\": null"),
              std::string::npos);
    EXPECT_NE(inspection_text(in, f.path).find("shorter than 1000 samples"), std::string::npos);
}

TEST(DecodeRecord, StreamOutsideTheBufferIsNotDecoded) {
    std::vector<uint8_t> buffer(200, 0);
    track_record r = make_fixture_track(0.5f, 0.5f).record;
    const uint32_t places[][2] = {{150, 51}, {0xFFFFFFF0u, 0x20}, {201, 0}};
    for (const auto& p : places) {
        r.mp3_offset = p[0];
        r.mp3_length = p[1];
        track_decode t;
        decode_record(buffer.data(), (uint32_t)buffer.size(), r, &t);
        EXPECT_EQ(t.outcome, decode_failed) << p[0];
        EXPECT_EQ(t.loop.pcm, nullptr);
    }
}

namespace {

// Silent MPEG-2 Layer III frames made by hand, so that both builds' decoders (the Windows one
// has no encoder at hand) see the same stream: 22050 Hz, mono, 24 kbit/s, no padding, 78 bytes
// a frame, side information and main data all zero. `tag`: an ID3v2.4 tag of 20 bytes of
// padding in front.
std::vector<uint8_t> silent_frames(uint32_t frames, bool tag) {
    std::vector<uint8_t> b;
    if (tag) {
        b = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
        b.resize(b.size() + 20, 0);
    }
    for (uint32_t i = 0; i < frames; ++i) {
        b.insert(b.end(), {0xFF, 0xF3, 0x30, 0xC0});
        b.resize(b.size() + 74, 0);
    }
    return b;
}

} // namespace

TEST(DecodeRecord, SilentFramesDecodeToWholeFramesOfSilence) {
    struct Case {
        uint32_t frames;
        bool tag;
        uint32_t decoded_samples, frames_total; // 2 repetitions of the loop
        int outcome;
    };
    const Case cases[] = {
        {10, true, 5760, 6000, decode_ok},       // the loop of 3000 samples and a full crossfade
        {10, false, 5760, 6000, decode_ok},      //
        {4, true, 2304, 2398, decode_ok},        // shortened to 2304 - 1105
        {3, true, 1728, 0, loop_too_short},      // 623 samples after the delay
        {0, true, 0, 0, loop_too_short},         // a tag alone
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> stream = silent_frames(c.frames, c.tag);
        track_record r = make_fixture_track(0.5f, 0.5f).record;
        r.mp3_offset = 0;
        r.mp3_length = (uint32_t)stream.size();
        r.loop_samples = 3000;
        r.loop_length = 1.0f;
        r.show_length = 2.0f;
        track_decode t;
        decode_record(stream.data(), (uint32_t)stream.size(), r, &t);
        EXPECT_EQ(t.outcome, c.outcome) << c.frames;
        EXPECT_EQ(t.decoded_samples, c.decoded_samples) << c.frames;
        EXPECT_EQ(t.loop.frames_total, c.frames_total) << c.frames;
        // Silence, to within the rounding of the decoder's synthesis (Wine's codec gives -1
        // here and there where libmpg123 gives 0).
        int peak = 0;
        for (uint32_t k = 0; k < t.loop.frames_total; ++k) peak = std::max(peak, abs(t.loop.pcm[k]));
        EXPECT_LE(peak, 2) << c.frames;
        free(t.loop.pcm);
    }
}

#ifndef _WIN32

namespace {

std::vector<int16_t> click_at(uint32_t at, uint32_t count) {
    std::vector<int16_t> s(count, 0);
    s[at] = 30000;
    return s;
}

std::vector<int16_t> decode_all(const std::vector<uint8_t>& mp3, uint32_t* frames = nullptr) {
    std::vector<int16_t> out(200000);
    uint32_t d = decode_mp3_stream(mp3.data(), (uint32_t)mp3.size(), out.data(), (uint32_t)out.size(), frames);
    out.resize(d);
    return out;
}

} // namespace

TEST(Mp3Decode, ClickComesOutAfterTheFixedDelayFrameByFrame) {
    for (uint32_t at : {3000u, 7777u, 12345u}) {
        encoded_mp3 e = encode_mp3(click_at(at, 22050));
        ASSERT_GT(e.frames, 0u);
        ASSERT_EQ(memcmp(e.bytes.data(), "ID3\x04", 4), 0);
        uint32_t frames = 0;
        std::vector<int16_t> d = decode_all(e.bytes, &frames);
        EXPECT_EQ(frames, e.frames);
        EXPECT_EQ(d.size(), (size_t)e.frames * 576);
        size_t peak = 0;
        for (size_t i = 0; i < d.size(); ++i)
            if (abs(d[i]) > abs(d[peak])) peak = i;
        EXPECT_EQ(peak, at + decoder_delay);
        EXPECT_GT(d[peak], 8000);
        // The tag is passed over: the stream without it decodes to the same samples.
        std::vector<uint8_t> bare(e.bytes.begin() + (long)id3v2_tag("tavrin test").size(), e.bytes.end());
        EXPECT_EQ(decode_all(bare), d);
    }
}

TEST(Mp3Decode, SamplesBeyondTheCapacityAreDropped) {
    encoded_mp3 e = encode_mp3(music_like_samples(10000, 22050));
    std::vector<int16_t> full = decode_all(e.bytes);
    ASSERT_EQ(full.size(), (size_t)e.frames * 576);
    const uint32_t guard = 64;
    for (uint32_t capacity : {0u, 1u, 575u, 576u, 1000u, (uint32_t)full.size() - 1, (uint32_t)full.size()}) {
        std::vector<int16_t> out(capacity + guard, 0x5A5A);
        uint32_t frames = 0;
        uint64_t produced = 0;
        uint32_t d = decode_mp3_stream(e.bytes.data(), (uint32_t)e.bytes.size(), out.data(), capacity, &frames,
                                       &produced);
        EXPECT_EQ(d, capacity);
        EXPECT_EQ(frames, e.frames);
        EXPECT_EQ(produced, full.size());
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + capacity, full.begin())) << capacity;
        for (uint32_t i = capacity; i < capacity + guard; ++i) ASSERT_EQ(out[i], 0x5A5A) << capacity;
    }
}

TEST(Mp3Decode, BrokenStreamsStopSafely) {
    encoded_mp3 e = encode_mp3(music_like_samples(8000, 22050));
    const std::vector<int16_t> full = decode_all(e.bytes);
    const uint32_t capacity = 20000, guard = 64;
    std::vector<int16_t> out(capacity + guard);
    auto decode_exact = [&](const std::vector<uint8_t>& bytes, uint32_t* frames) {
        std::fill(out.begin(), out.end(), (int16_t)0x5A5A);
        // An exact-size copy, so that a read past the end reaches past the allocation.
        uint8_t* copy = (uint8_t*)malloc(bytes.size() ? bytes.size() : 1);
        if (!bytes.empty()) memcpy(copy, bytes.data(), bytes.size());
        uint32_t d = decode_mp3_stream(copy, (uint32_t)bytes.size(), out.data(), capacity, frames);
        free(copy);
        for (uint32_t i = capacity; i < capacity + guard; ++i) EXPECT_EQ(out[i], 0x5A5A);
        return d;
    };

    // Cut anywhere: the whole frames before the cut decode as they did in the full stream.
    for (size_t cut = 0; cut < e.bytes.size(); cut += 13) {
        std::vector<uint8_t> part(e.bytes.begin(), e.bytes.begin() + (long)cut);
        uint32_t frames = 0;
        uint32_t d = decode_exact(part, &frames);
        ASSERT_EQ(d, frames * 576u) << cut;
        ASSERT_LE(d, full.size());
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + d, full.begin())) << cut;
    }

    // Junk of every kind, alone or after the stream.
    std::vector<std::vector<uint8_t>> junk;
    uint32_t x = 99;
    for (size_t n : {1, 3, 417, 5000}) {
        std::vector<uint8_t> r(n);
        for (auto& b : r) b = (uint8_t)((x = x * 1103515245u + 12345u) >> 24);
        junk.push_back(r);
    }
    std::vector<uint8_t> syncs;
    for (int i = 0; i < 400; ++i) syncs.insert(syncs.end(), {0xFF, 0xF3, 0x44, 0xC4, 0x00, 0x00, 0x00});
    junk.push_back(syncs);
    std::vector<uint8_t> big_tag = id3v2_tag("x");
    big_tag[6] = 0x7F; // claims about 256 MB
    junk.push_back(big_tag);
    junk.push_back(id3v2_tag("only a tag"));
    junk.push_back(std::vector<uint8_t>(3000, 0xFF));
    for (const auto& j : junk) {
        uint32_t frames = 0;
        EXPECT_LE(decode_exact(j, &frames), capacity);
        std::vector<uint8_t> after = e.bytes;
        after.insert(after.end(), j.begin(), j.end());
        uint32_t d = decode_exact(after, &frames);
        EXPECT_GE(d, full.size()) << j.size();
        EXPECT_TRUE(std::equal(full.begin(), full.end(), out.begin())) << j.size();
    }
    // Bytes flipped inside the frames.
    std::vector<uint8_t> flipped = e.bytes;
    for (size_t i = 200; i < flipped.size(); i += 97) flipped[i] ^= 0xA5;
    uint32_t frames = 0;
    EXPECT_LE(decode_exact(flipped, &frames), capacity);
}

TEST(DecodedCapacity, OneSecondMoreThanALoopAndNoMoreThanCanBeUsed) {
    const uint32_t most = largest_pcm_frames + decoder_delay + crossfade_samples;
    const uint32_t cases[][3] = {{22050, 677376, 699426}, {44100, 0, 44100}, {0xFFFFFFFFu, 0xFFFFFFFFu, most},
                                 {1, 0x7FFFFFFFu, most}, {1, 1000000, 1000001}, {most, 0, most}, {most, 1, most}};
    for (const auto& c : cases) {
        track_record r{};
        r.sample_rate = c[0];
        r.loop_samples = c[1];
        EXPECT_EQ(decoded_capacity(r), c[2]) << c[0] << " + " << c[1];
    }
}

TEST(DecodeTrack, ChosenStreamBecomesTheLoopedBufferAndFixesTheShowLength) {
    // 30000 samples encoded; the record asks for 3 loops of 20000 samples (nominal 3 s), or for
    // a loop longer than the stream, which is shortened to what was decoded.
    encoded_mp3 e = encode_mp3(music_like_samples(30000, 22050));
    const std::vector<int16_t> decoded = decode_all(e.bytes);
    const uint32_t d = (uint32_t)decoded.size();
    ASSERT_EQ(d, e.frames * 576u);
    struct Case {
        uint32_t loop_samples;
        uint32_t loop; // expected
    };
    for (const Case& c : {Case{20000, 20000}, Case{40000, d - decoder_delay}}) {
        fixture_track t = make_fixture_track(0.5f, 0.5f);
        t.record.loop_samples = c.loop_samples;
        t.record.loop_length = 1.0f;
        t.record.show_length = 3.0f;
        t.mp3 = e.bytes;
        stored_file = build_file(build_payload({t}));
        const uint32_t total = 3 * c.loop;
        const float length = (float)total / 22050.0f;

        run_with_decoding(7);
        ASSERT_EQ(chosen_track, 0);
        ASSERT_NE(pcm_buffer, nullptr);
        EXPECT_EQ(frames_total, total);
        EXPECT_EQ(show.show_length, length);
        EXPECT_NE(length, 3.0f);
        for (uint32_t k : {256u, 1000u, 12345u}) EXPECT_EQ(pcm_buffer[k], decoded[decoder_delay + k]) << k;
        EXPECT_EQ(pcm_buffer[total - 1], 0);
        reset_show_state();
        EXPECT_EQ(pcm_buffer, nullptr);
        release_show_payload();

        temp_file f(stored_file);
        std::string json = describe_show(7, f.path.c_str(), decode_track);
        EXPECT_NE(json.find("\"show_length\": " + json_float(length) + ","), std::string::npos) << json;
        EXPECT_NE(describe_show(7, f.path.c_str()).find("\"show_length\": 3,"), std::string::npos);
        EXPECT_EQ(pcm_buffer, nullptr);

        inspection in = inspect_payload(f.path, decode_record);
        ASSERT_TRUE(in.ok);
        ASSERT_TRUE(in.tracks[0].decoded);
        EXPECT_EQ(in.tracks[0].decoded_samples, d);
        EXPECT_EQ(in.tracks[0].frames_total, total);
        EXPECT_EQ(in.tracks[0].decoded_show_length, length);
        std::string expect = "\"decoded_samples\": " + std::to_string(d) + ", \"frames_total\": " +
                             std::to_string(total) + ", \"decoded_show_length\": " + json_float(length) +
                             ", \"decode_problem\": null";
        EXPECT_NE(inspection_json(in).find(expect), std::string::npos) << inspection_json(in);
        EXPECT_NE(inspection_text(in, f.path).find("frames_total: " + std::to_string(total)), std::string::npos);
    }
}

#endif
