// The shared player sequence with fake platform and drawing parts, and the two show times.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/beat_clock.h"
#include "core/payload.h"
#include "player/player.h"
#include "core/show.h"
#include "player/startup.h"
#include "payload_fixture.h"
#include "platform/linux/linux_rules.h"
#include "platform/win/win_rules.h"

TEST(ShowTimeLinux, FromAudioPositionOrClock) {
    const float length = 10.0f;
    struct Case {
        const char* what;
        bool running;
        float now, start;
        uint32_t written, total;
        float expected;
    };
    const Case cases[] = {
        {"no audio: the clock itself", false, 3.25f, 0.0f, 0, 0, 3.25f},
        {"no audio: the clock past the end", false, 10.5f, 0.0f, 0, 0, 10.5f},
        {"no audio: whatever the counters say", false, 12.0f, 1.0f, 100, 100, 12.0f},
        {"audio just started", true, 2.0f, 2.0f, 0, 1000, 0.0f},
        {"inside the first 0.1 s", true, 2.05f, 2.0f, 10, 1000, 0.0f},
        {"clock before audio start", true, 1.0f, 2.0f, 0, 1000, 0.0f},
        {"latency subtracted", true, 7.5f, 2.0f, 500, 1000, 5.4f},
        {"all written, not yet past the end", true, 11.5f, 2.0f, 1000, 1000, 9.4f},
        {"all written and past the end", true, 12.2f, 2.0f, 1000, 1000, 11.0f},
        {"writer stopped early: the clock runs on", true, 12.2f, 2.0f, 999, 1000, 10.1f},
        {"writer stopped early, far past the end", true, 14.0f, 2.0f, 3, 1000, 11.9f},
    };
    for (const Case& c : cases) {
        float t = show_time_linux(c.running, c.now, c.start, c.written, c.total, length);
        EXPECT_NEAR(t, c.expected, 2e-6f) << c.what;
        if (c.running) {
            EXPECT_GE(t, 0.0f) << c.what;
        }
    }
    // Exactly show_length is not past it: the value is kept, not forced.
    float at_end = 12.1f - 2.0f - 0.1f;
    EXPECT_EQ(show_time_linux(true, 12.1f, 2.0f, 1000, 1000, at_end), at_end);
    EXPECT_EQ(show_time_linux(true, 12.1f, 2.0f, 1000, 1000, at_end - 1e-3f), at_end - 1e-3f + 1.0f);
}

TEST(ShowTimeLinux, ExhaustedAudioEndsTheShowInThatFrame) {
    reset_show_state();
    show.show_length = 10.0f;
    // The clock has just passed the end: forced to show_length + 1, which is over at once.
    float t = show_time_linux(true, 12.2f, 2.0f, 1000, 1000, show.show_length);
    EXPECT_TRUE(show_over(t));
    // The same moment with frames still queued is not over: only the clock can end it then,
    // 0.3 s after show_length (strictly greater).
    EXPECT_FALSE(show_over(show_time_linux(true, 12.2f, 2.0f, 999, 1000, show.show_length)));
    EXPECT_FALSE(show_over(10.3f));
    EXPECT_TRUE(show_over(nextafterf(10.3f, 20.0f)));
    reset_show_state();
}

TEST(ShowTimeWindows, FromDevicePositionOrClock) {
    const float length = 10.0f;
    struct Case {
        const char* what;
        bool in_samples; // the position query answered, in samples
        uint32_t position, total, rate;
        float now, expected;
    };
    const Case cases[] = {
        {"no audio or a failed query: the clock", false, 0, 0, 22050, 3.25f, 3.25f},
        {"failed query while playing: the clock, whatever the position", false, 44100, 220500, 22050, 7.5f, 7.5f},
        {"the device position, not the clock", true, 44100, 220500, 22050, 9.0f, 2.0f},
        {"position 0", true, 0, 220500, 22050, 1.0f, 0.0f},
        {"two samples short of the end", true, 220498, 220500, 22050, 0.0f, 220498.0f / 22050.0f},
        {"one sample short of the end: over", true, 220499, 220500, 22050, 0.0f, 11.0f},
        {"at or past the end: over", true, 220600, 220500, 22050, 0.0f, 11.0f},
        {"no sample rate: the clock", true, 100, 220500, 0, 4.0f, 4.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(show_time_win(c.in_samples, c.position, c.total, c.rate, length, c.now), c.expected)
            << c.what;
    // The last sample ends the show in that frame; one before it does not.
    reset_show_state();
    show.show_length = length;
    EXPECT_TRUE(show_over(show_time_win(true, 999, 1000, 100, length, 0.0f)));
    EXPECT_FALSE(show_over(show_time_win(true, 998, 1000, 100, length, 0.0f)));
    // A position counter at its 32-bit limit does not wrap past the end test.
    EXPECT_TRUE(show_over(show_time_win(true, 0xFFFFFFFFu, 0xFFFFFFFFu, 22050, length, 0.0f)));
    reset_show_state();
}

namespace {

// A fake build: every part appends its name to a log, the clock is a list of times.
std::vector<std::string> calls;
int window_status;
bool entry_points_ok;
std::vector<float> clock_times;
size_t clock_next;
int stop_at_poll; // the poll of this frame (1-based) reports a key press; 0 = never
int polls;
int32_t drawn_width, drawn_height, late_width, late_height;
const int16_t* audio_pcm;
uint32_t audio_frames, audio_rate;
int patterns_uploaded;
std::vector<uint8_t> stored_file;
bool decode_gives_pcm;

int fake_open_window(int32_t* w, int32_t* h) {
    calls.push_back("window");
    if (window_status != 0) return window_status;
    *w = 1280;
    *h = 720;
    return 0;
}
bool fake_resolve_gl() {
    calls.push_back("entry points");
    return entry_points_ok;
}
uint32_t fake_seed() {
    calls.push_back("seed");
    return 42;
}
void fake_load_payload() {
    calls.push_back("payload");
    if (!stored_file.empty()) load_show_payload_bytes(stored_file.data(), stored_file.size(), stored_file.size());
}
void fake_decode() {
    calls.push_back("decode");
    if (!decode_gives_pcm) return;
    frames_total = 33075;
    pcm_buffer = (int16_t*)calloc(frames_total, sizeof(int16_t));
    show.show_length = 1.5f;
}
void fake_start_audio(const int16_t* pcm, uint32_t frames, uint32_t rate) {
    calls.push_back("audio");
    audio_pcm = pcm;
    audio_frames = frames;
    audio_rate = rate;
}
bool fake_poll() {
    ++polls;
    return polls != stop_at_poll;
}
float fake_show_time() { return clock_next < clock_times.size() ? clock_times[clock_next++] : 1e9f; }
void fake_present() { calls.push_back("present"); }
void fake_init_early() { calls.push_back("programs"); }
void fake_upload_pattern(int, uint8_t* scratch) {
    if (scratch) ++patterns_uploaded;
}
void fake_after_records() { calls.push_back("ornaments and sprites"); }
void fake_fill_hooks(startup_hooks* h) {
    calls.push_back("hooks");
    h->upload_pattern = fake_upload_pattern;
    h->after_pattern_records = fake_after_records;
}
void fake_init_late(int32_t w, int32_t h) {
    calls.push_back("late programs");
    late_width = w;
    late_height = h;
}
void fake_draw(int32_t w, int32_t h) {
    calls.push_back("draw");
    drawn_width = w;
    drawn_height = h;
}

platform_services fake_platform() {
    platform_services p = {};
    p.open_window = fake_open_window;
    p.resolve_gl = fake_resolve_gl;
    p.seed_value = fake_seed;
    p.load_payload = fake_load_payload;
    p.decode_track = fake_decode;
    p.start_audio = fake_start_audio;
    p.poll_events = fake_poll;
    p.show_time = fake_show_time;
    p.present = fake_present;
    return p;
}

renderer fake_renderer() {
    renderer p = {};
    p.init_early = fake_init_early;
    p.fill_startup_hooks = fake_fill_hooks;
    p.init_late = fake_init_late;
    p.draw_frame = fake_draw;
    return p;
}

struct Player : ::testing::Test {
    void SetUp() override {
        reset_show_state();
        release_show_payload();
        calls.clear();
        window_status = 0;
        entry_points_ok = true;
        clock_times.clear();
        clock_next = 0;
        stop_at_poll = 0;
        polls = 0;
        drawn_width = drawn_height = late_width = late_height = 0;
        audio_pcm = nullptr;
        audio_frames = audio_rate = 0;
        patterns_uploaded = 0;
        stored_file.clear();
        decode_gives_pcm = false;
        frames_presented = 0;
    }
    void TearDown() override {
        reset_show_state();
        release_show_payload();
    }
    static std::vector<std::string> without_frames() {
        std::vector<std::string> v;
        for (const std::string& c : calls)
            if (c != "draw" && c != "present") v.push_back(c);
        return v;
    }
};

} // namespace

TEST_F(Player, StartupFailuresEndWithTheirStatusBeforeAnythingElse) {
    struct Case {
        int window;
        bool entry_points;
        int status;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {1, true, 1, {"window"}},
        {1, false, 1, {"window"}},
        {0, false, 2, {"window", "entry points"}},
    };
    for (const Case& c : cases) {
        SetUp();
        window_status = c.window;
        entry_points_ok = c.entry_points;
        EXPECT_EQ(run_player(fake_platform(), fake_renderer()), c.status);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(polls, 0);
    }
}

TEST_F(Player, WithoutPayloadTheDefaultShowRunsOnTheClockUntilPast16_3) {
    clock_times = {0.0f, 8.0f, 16.0f, 16.3f, nextafterf(16.3f, 20.0f), 17.0f};
    EXPECT_EQ(run_player(fake_platform(), fake_renderer()), 0);
    const std::vector<std::string> steps = {"window", "entry points", "programs", "hooks", "seed", "payload",
                                            "ornaments and sprites", "late programs"};
    EXPECT_EQ(without_frames(), steps); // no decoding, no audio
    EXPECT_EQ(frames_presented, 4u);    // 16.3 is drawn, the next time is past the end
    EXPECT_EQ(clock_next, 5u);
    EXPECT_EQ(startup.seed, 42u);
    EXPECT_EQ(chosen_track, -1);
    EXPECT_EQ(show.show_length, 16.0f);
    EXPECT_EQ(cue.t, 16.3f); // the last drawn frame's time reached the cue
    EXPECT_EQ(patterns_uploaded > 0, startup.pattern_exists);
    EXPECT_EQ(late_width, 1280);
    EXPECT_EQ(late_height, 720);
    EXPECT_EQ(drawn_width, 1280);
    EXPECT_EQ(drawn_height, 720);
    // Each frame: draw, then present.
    std::vector<std::string> tail(calls.end() - 2, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"draw", "present"}));
}

TEST_F(Player, AStopRequestEndsTheLoopBeforeTheFrameIsDrawn) {
    struct Case {
        int stop_at;
        uint32_t frames;
    };
    for (const Case c : {Case{1, 0u}, Case{3, 2u}}) {
        SetUp();
        clock_times = {0.5f, 0.6f, 0.7f, 0.8f};
        stop_at_poll = c.stop_at;
        EXPECT_EQ(run_player(fake_platform(), fake_renderer()), 0);
        EXPECT_EQ(frames_presented, c.frames) << c.stop_at;
        EXPECT_EQ(clock_next, (size_t)c.frames) << "the clock is not read after a stop request";
    }
}

TEST_F(Player, AudioStartsLastWithTheDecodedBufferAndTheRecordsRate) {
    fixture_track t = make_fixture_track(0.5f, 0.5f);
    t.record.sample_rate = 16000;
    struct Case {
        bool pcm;
        bool audio;
    };
    for (const Case c : {Case{true, true}, Case{false, false}}) {
        SetUp();
        stored_file = build_file(build_payload({t}));
        decode_gives_pcm = c.pcm;
        clock_times = {0.0f, 1.0f, 1.9f};
        EXPECT_EQ(run_player(fake_platform(), fake_renderer()), 0);
        std::vector<std::string> expected = {"window", "entry points", "programs", "hooks", "seed", "payload",
                                             "decode", "ornaments and sprites", "late programs"};
        if (c.audio) expected.push_back("audio");
        EXPECT_EQ(without_frames(), expected);
        EXPECT_EQ(chosen_track, 0);
        if (c.audio) {
            EXPECT_EQ(audio_pcm, pcm_buffer);
            EXPECT_EQ(audio_frames, 33075u);
            EXPECT_EQ(audio_rate, 16000u);
            EXPECT_EQ(show.show_length, 1.5f);
            EXPECT_EQ(frames_presented, 2u); // 1.9 > 1.5 + 0.3
        } else {
            EXPECT_EQ(audio_pcm, nullptr);
            EXPECT_EQ(show.show_length, 92.16f); // the record's nominal length, on the clock
            EXPECT_EQ(frames_presented, 3u);
        }
    }
}
