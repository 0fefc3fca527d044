// Timings of track decoding: libmpg123 over streams made with libmp3lame (22050 Hz, mono,
// 24 kbit/s, as the shipped show's), and the loop building that follows.
//   DecodeTrack/long     a 90-second stream played once (one loop as long as the stream)
//   DecodeTrack/shipped  a 30.72-second loop with its tail, repeated three times (92.16 s)
//   Mp3Stream            the decoder alone over the 90-second stream
//   BuildPcmLoop         the loop building alone, for the shipped shape
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <vector>

#include "audio/decode.h"
#include "audio/mp3_decode.h"
#include "core/payload.h"
#include "core/show.h"
#include "mp3_fixture.h"
#include "payload_fixture.h"

namespace {

const uint32_t rate = 22050;
const uint32_t shipped_loop = 677376; // 30.72 s

struct bench_track {
    std::vector<uint8_t> file; // a payload file with this one track
    std::vector<uint8_t> mp3;
};

bench_track make_track(uint32_t encoded_samples, uint32_t loop_samples, float loop_length, float show_length) {
    bench_track b;
    b.mp3 = encode_mp3(music_like_samples(encoded_samples, (int)rate)).bytes;
    fixture_track t = make_fixture_track(0.5f, 0.5f);
    t.record.sample_rate = rate;
    t.record.loop_samples = loop_samples;
    t.record.loop_length = loop_length;
    t.record.show_length = show_length;
    t.mp3 = b.mp3;
    b.file = build_file(build_payload({t}));
    return b;
}

const bench_track& long_track() {
    static const bench_track t = make_track(90 * rate, 90 * rate, 90.0f, 90.0f);
    return t;
}

const bench_track& shipped_track() {
    // The loop and the tail that follows it in the recording, for the crossfade.
    static const bench_track t = make_track(shipped_loop + 3000, shipped_loop, 30.72f, 92.16f);
    return t;
}

void BM_DecodeTrack(benchmark::State& state, const bench_track& (*track)()) {
    const std::vector<uint8_t>& file = track().file;
    release_show_payload();
    load_show_payload_bytes(file.data(), file.size(), file.size());
    const float nominal = read_track_record(payload, 0).show_length;
    for (auto _ : state) {
        chosen_track = 0;
        show.show_length = nominal;
        decode_track();
        if (!pcm_buffer) {
            state.SkipWithError("no PCM buffer");
            break;
        }
        benchmark::DoNotOptimize(pcm_buffer[frames_total / 2]);
    }
    state.counters["frames_total"] = frames_total;
    state.counters["show_length_s"] = show.show_length;
    state.counters["stream_bytes"] = (double)track().mp3.size();
    release_pcm_buffer();
    release_show_payload();
    reset_show_values();
}
BENCHMARK_CAPTURE(BM_DecodeTrack, long, long_track)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, shipped, shipped_track)->Unit(benchmark::kMillisecond);

void BM_Mp3Stream(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = long_track().mp3;
    std::vector<int16_t> out(100 * rate);
    uint32_t d = 0;
    for (auto _ : state) {
        d = decode_mp3_stream(mp3.data(), (uint32_t)mp3.size(), out.data(), (uint32_t)out.size());
        benchmark::DoNotOptimize(out[d / 2]);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * d);
    state.counters["audio_s"] = (double)d / rate;
}
BENCHMARK(BM_Mp3Stream)->Unit(benchmark::kMillisecond);

void BM_BuildPcmLoop(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = shipped_track().mp3;
    std::vector<int16_t> decoded(rate + shipped_loop);
    uint32_t d = decode_mp3_stream(mp3.data(), (uint32_t)mp3.size(), decoded.data(), (uint32_t)decoded.size());
    for (auto _ : state) {
        pcm_loop loop;
        build_pcm_loop(decoded.data(), d, shipped_loop, 92.16f, 30.72f, rate, &loop);
        benchmark::DoNotOptimize(loop.pcm);
        free(loop.pcm);
    }
}
BENCHMARK(BM_BuildPcmLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
