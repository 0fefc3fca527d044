// Timings of the deciding core: the start-up sequence of choices over a seven-track payload
// held in memory, and the per-frame work (audio values, beat clock and plan entry walk).
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/figure_values.h"
#include "core/pose.h"
#include "core/payload.h"
#include "core/show.h"
#include "player/startup.h"
#include "payload_fixture.h"

namespace {

// A file with seven plausible tracks, built once.
const std::vector<uint8_t>& seven_track_file() {
    static const std::vector<uint8_t> file = [] {
        std::vector<fixture_track> tracks;
        for (int k = 0; k < 7; ++k) tracks.push_back(make_fixture_track(0.1f + 0.13f * k, 0.9f - 0.11f * k));
        return build_file(build_payload(tracks));
    }();
    return file;
}

void publish_from_memory() {
    const std::vector<uint8_t>& file = seven_track_file();
    release_show_payload();
    load_show_payload_bytes(file.data(), file.size(), file.size());
}

// Seeds cycle so that the figures average over the tracks and plans they lead to.
uint32_t seed_of(uint64_t i) { return 1u + (uint32_t)(i % 1024u) * 2654435761u; }

// The choices alone: the payload is published once, the sequence runs without a loader.
void BM_StartupChoices(benchmark::State& state) {
    publish_from_memory();
    startup_hooks hooks{};
    uint64_t i = 0;
    for (auto _ : state) {
        reset_show_state();
        run_startup_choices(seed_of(i++), hooks);
        benchmark::DoNotOptimize(startup.rng_state_end);
    }
    state.counters["track_count"] = track_count;
    release_show_payload();
}
BENCHMARK(BM_StartupChoices)->Unit(benchmark::kMicrosecond);

// The same with the loader step publishing the in-memory file each time (one buffer copy).
void BM_StartupWithLoad(benchmark::State& state) {
    startup_hooks hooks{};
    hooks.load_payload = publish_from_memory;
    uint64_t i = 0;
    for (auto _ : state) {
        reset_show_state();
        run_startup_choices(seed_of(i++), hooks);
        benchmark::DoNotOptimize(startup.rng_state_end);
    }
    state.counters["payload_bytes"] = payload_bytes;
    release_show_payload();
}
BENCHMARK(BM_StartupWithLoad)->Unit(benchmark::kMicrosecond);

enum frame_case { with_features = 0, features_removed = 1, no_track = 2 };

// One frame's core work at 60 frames a second: audio values, then the cue. The show time
// starts again (with the cue reset, as a new show) once the show is over.
void BM_Frame(benchmark::State& state, frame_case c) {
    reset_show_state();
    startup_hooks hooks{};
    if (c != no_track) hooks.load_payload = publish_from_memory;
    run_startup_choices(42, hooks);
    if (c != no_track && chosen_track < 0) {
        state.SkipWithError("no track chosen");
        return;
    }
    if (c == features_removed) {
        show.features = nullptr;
        show.feature_count = 0;
    }
    const float dt = 1.0f / 60.0f;
    float t = 0.0f;
    for (auto _ : state) {
        update_audio_features(t);
        update_cue(t);
        benchmark::DoNotOptimize(audio);
        benchmark::DoNotOptimize(cue);
        t += dt;
        if (show_over(t)) {
            t = 0.0f;
            reset_cue();
        }
    }
    state.counters["plan_entries"] = plan_count;
    state.SetItemsProcessed(state.iterations());
    release_show_payload();
}
BENCHMARK_CAPTURE(BM_Frame, with_features, with_features)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Frame, features_removed, features_removed)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Frame, no_track, no_track)->Unit(benchmark::kNanosecond);

} // namespace

// The figure's per-frame CPU work: the 13 bones, the 48 piece matrices with their pulse and the
// camera (with its figure_point calls), at dance phases spread over the cycle and all nine moves.
void BM_FigurePoseAndCamera(benchmark::State& state) {
    float m[16];
    int i = 0;
    for (auto _ : state) {
        float phase = (float)(i % 1600) * 0.01f;
        pose_bones(phase);
        for (int p = 0; p < 48; ++p) pulsed_piece_matrix(p, phase, 0.5f, m);
        camera_input in{};
        in.t = phase;
        in.dance_phase = phase;
        in.variant = i % 3 - 1;
        in.kind = i % 9;
        in.key = (uint32_t)i * 2654435761u;
        in.eased = 0.5f;
        in.energy = 0.6f;
        in.aspect = 16.0f / 9.0f;
        compute_camera(in, &camera);
        benchmark::DoNotOptimize(BONES[17]);
        benchmark::DoNotOptimize(m[0]);
        benchmark::DoNotOptimize(camera.view_projection[0]);
        ++i;
    }
}
BENCHMARK(BM_FigurePoseAndCamera)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
