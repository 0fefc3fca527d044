#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <set>
#include <string>

#include "core/payload.h"
#include "core/rng.h"
#include "core/show.h"
#include "core/startup.h"
#include "data/scene.h"
#include "looks/palette.h"
#include "looks/patterns.h"
#include "payload_fixture.h"
#include "tools/describe.h"
#include "tools/inspect.h"

namespace {

std::vector<uint8_t> seven_track_payload() {
    std::vector<fixture_track> tracks;
    const float moods[7][2] = {{0.25f, 0.67f}, {0.8f, 0.2f}, {0.5f, 0.5f}, {0.1f, 0.1f},
                               {0.9f, 0.9f},   {0.3f, 0.3f}, {0.7f, 0.6f}};
    for (int k = 0; k < 7; ++k) {
        fixture_track t = make_fixture_track(moods[k][0], moods[k][1]);
        t.record.tempo_bpm = 100.0f + 6.5f * (float)k;
        t.record.beat_origin = 0.05f * (float)k;
        t.energy = {(uint8_t)(30 * k), 200, (uint8_t)(255 - 20 * k), 90};
        tracks.push_back(t);
    }
    return build_payload(tracks);
}

std::vector<uint8_t> stored_file;
void load_stored() { load_show_payload_bytes(stored_file.data(), stored_file.size(), stored_file.size()); }

int derived_calls;
void draw_in_derived_stream() {
    ++derived_calls;
    uint32_t saved = rng_derived_begin(0);
    for (int i = 0; i < 500; ++i) rng_next();
    rng_derived_end(saved);
}

std::string run_and_snapshot(uint32_t seed, bool with_ornament_hook) {
    reset_show_state();
    release_show_payload();
    startup_hooks hooks{};
    hooks.load_payload = load_stored;
    if (with_ornament_hook) hooks.after_pattern_records = draw_in_derived_stream;
    run_startup_choices(seed, hooks);
    std::string s = std::to_string(chosen_track) + "/" + std::to_string(plan_count) + "/" +
                    std::to_string(startup.rng_state_end);
    for (int i = 0; i < plan_count; ++i) s += "," + std::to_string(plan_key[i]);
    for (int p = 0; p < phrase_capacity; ++p) s += "," + std::to_string(phrase_cover[p] * 10 + phrase_effect[p]);
    release_show_payload();
    return s;
}

} // namespace

TEST(Startup, SameSeedSameShowAndDerivedDrawsLeaveItAlone) {
    stored_file = build_file(seven_track_payload(), std::vector<uint8_t>(64, 1));
    std::set<int> chosen;
    for (uint32_t seed : {1u, 42u, 12345u, 4294967295u, 7u, 8u, 9u, 10u}) {
        std::string a = run_and_snapshot(seed, false);
        std::string b = run_and_snapshot(seed, false);
        derived_calls = 0;
        std::string c = run_and_snapshot(seed, true);
        EXPECT_EQ(derived_calls, 1);
        EXPECT_EQ(a, b) << seed;
        EXPECT_EQ(a, c) << seed;
        chosen.insert(std::stoi(a));
    }
    EXPECT_GT(chosen.size(), 1u); // different seeds reach different tracks
    EXPECT_EQ(run_and_snapshot(0, false), run_and_snapshot(1, false));
}

TEST(Startup, DrawOrderOfTheWholeSequence) {
    // Replays the sequence step by step and checks that the start-up function ends in the
    // same generator state: seeding, palette, one draw per record, show plan, patterns,
    // pattern records, phrase plan.
    stored_file = build_file(seven_track_payload());
    for (uint32_t seed : {3u, 99u, 2024u}) {
        reset_show_state();
        startup_hooks hooks{};
        hooks.load_payload = load_stored;
        run_startup_choices(seed, hooks);
        uint32_t end = startup.rng_state_end;
        EXPECT_EQ(startup.rng_state_end, rng_state);
        release_show_payload();

        reset_show_state();
        rng_seed(seed);
        EXPECT_EQ(startup.rng_state_seeded, 0u); // reset cleared the record
        load_stored();
        make_palette();
        choose_track();
        build_show_plan();
        make_pattern_choices();
        make_pattern_records(true);
        build_phrase_plan(true);
        EXPECT_EQ(rng_state, end) << seed;
        release_show_payload();
    }
}

TEST(Startup, NoPayloadGivesTheDefaultShow) {
    reset_show_state();
    startup_hooks hooks{};
    run_startup_choices(42, hooks);
    EXPECT_EQ(chosen_track, -1);
    EXPECT_EQ(show.beats_per_second, 2.0f);
    EXPECT_EQ(show.show_length, 16.0f);
    EXPECT_EQ(plan_start[plan_count], 26.0f);
    EXPECT_TRUE(startup.pattern_exists);
    EXPECT_EQ(pattern_choice_count, 2);
}

TEST(Startup, DecodeHookRunsOnlyForAChosenTrackAndItsLengthDrivesThePlans) {
    static int decodes;
    decodes = 0;
    startup_hooks hooks{};
    hooks.decode_track = [] {
        ++decodes;
        show.show_length = 40.0f;
    };
    reset_show_state();
    run_startup_choices(5, hooks); // no payload: nothing chosen, nothing decoded
    EXPECT_EQ(decodes, 0);

    stored_file = build_file(seven_track_payload());
    hooks.load_payload = load_stored;
    reset_show_state();
    run_startup_choices(5, hooks);
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(plan_start[plan_count], 50.0f);
    release_show_payload();
}

TEST(Describe, JsonHasExactlyTheKeysInOrder) {
    stored_file = build_file(seven_track_payload());
    temp_file f(stored_file);
    std::string json = describe_show(42, f.path.c_str());
    const char* keys[] = {"seed", "rng_state", "rng_salt", "palette", "mood", "chosen_track",
                          "beats_per_second", "beat_origin", "show_length", "loop_length", "feature_rate",
                          "show_plan", "phrase_effect", "phrase_cover", "phrase_cover_shape",
                          "phrase_cover_style", "pattern_textures", "pattern_records", "rng_state_end"};
    size_t pos = 0;
    for (const char* k : keys) {
        size_t at = json.find(std::string("\"") + k + "\":", pos);
        ASSERT_NE(at, std::string::npos) << k;
        pos = at + 1;
    }
    // No other top-level keys: count lines that start with a quote.
    int top = 0;
    for (size_t i = 0; i < json.size(); ++i)
        if (json[i] == '"' && (i == 0 || json[i - 1] == '\n')) ++top;
    EXPECT_EQ(top, 19);
    EXPECT_NE(json.find("\"seed\": 42,"), std::string::npos);
    EXPECT_EQ(json, describe_show(42, f.path.c_str()));
}

TEST(Describe, FloatsRoundTripAndNonFiniteIsNull) {
    for (float v : {0.1f, 1.0f / 3.0f, 92.16f, 2.0833333f, 1e-30f, 3.4e38f, -0.0f, 16777215.0f}) {
        float back = strtof(json_float(v).c_str(), nullptr);
        EXPECT_EQ(memcmp(&back, &v, 4), 0) << json_float(v);
    }
    EXPECT_EQ(json_float(NAN), "null");
    EXPECT_EQ(json_float(INFINITY), "null");
}

TEST(Inspect, ReportsRecordsAndWhatIsWrong) {
    fixture_track good = make_fixture_track(0.2f, 0.3f);
    std::vector<uint8_t> p = build_payload({good, make_fixture_track(0.6f, 0.6f)});
    put_u32(p, 4 + 64 + 48, 0x7FFFFFFFu); // record 1: MP3 length far past the end
    temp_file ok(build_file(p, std::vector<uint8_t>(100, 0)));
    inspection in = inspect_payload(ok.path);
    ASSERT_TRUE(in.ok) << in.error;
    EXPECT_EQ(in.track_count, 2);
    EXPECT_EQ(in.payload_size, p.size());
    EXPECT_EQ(in.file_size, p.size() + 112);
    EXPECT_TRUE(in.tracks[0].blocks_fit);
    EXPECT_TRUE(in.tracks[0].playable);
    EXPECT_FALSE(in.tracks[1].blocks_fit);
    EXPECT_NE(in.tracks[1].problem.find("MP3"), std::string::npos);
    std::string json = inspection_json(in);
    for (const char* k : {"\"file_size\"", "\"payload_size\"", "\"track_count\"", "\"tracks\"", "\"index\"",
                          "\"tempo_bpm\"", "\"beat_origin\"", "\"show_length\"", "\"mood_x\"", "\"mood_y\"",
                          "\"feature_rate\"", "\"loop_length\"", "\"feature_offset\"", "\"feature_count\"",
                          "\"energy_offset\"", "\"energy_count\"", "\"mp3_offset\"", "\"mp3_length\"",
                          "\"sample_rate\"", "\"loop_samples\"", "\"mp3_kbps\"", "\"blocks_fit\": false"})
        EXPECT_NE(json.find(k), std::string::npos) << k;
    std::string text = inspection_text(in, ok.path);
    EXPECT_NE(text.find("1 of 2 tracks usable"), std::string::npos) << text;

    struct Bad {
        std::vector<uint8_t> file;
        const char* says;
    };
    std::vector<uint8_t> negative = p;
    put_u32(negative, 0, 0xFFFFFFFEu);
    std::vector<uint8_t> big = p;
    put_u32(big, 0, 5000);
    std::vector<uint8_t> wrong_size = build_file(p);
    put_u32(wrong_size, wrong_size.size() - 12, 3);
    const Bad bad[] = {
        {std::vector<uint8_t>(5, 0), "too short"},
        {std::vector<uint8_t>(500, 0), "TAVRINJ1"},
        {wrong_size, "payload_size 3"},
        {build_file(negative), "negative"},
        {build_file(big), "do not fit"},
    };
    for (const Bad& b : bad) {
        temp_file f(b.file);
        inspection i = inspect_payload(f.path);
        EXPECT_FALSE(i.ok) << b.says;
        EXPECT_NE(i.error.find(b.says), std::string::npos) << i.error;
    }
    EXPECT_FALSE(inspect_payload("/nonexistent/file").ok);
}

// --at: one frame object per time, each the camera and points the frame loop would compute,
// and the rest of the description unchanged.
TEST(Describe, FramesAtShowTimes) {
    stored_file = build_file(seven_track_payload());
    temp_file f(stored_file);
    std::string plain = describe_show(42, f.path.c_str());
    describe_frames frames;
    frames.times = {0.0f, 7.25f, 30.0f, 7.25f};
    frames.width = 1280;
    frames.height = 720;
    std::string json = describe_show(42, f.path.c_str(), nullptr, frames);
    size_t at = json.find("\"frames\": [");
    ASSERT_NE(at, std::string::npos);
    size_t end = json.find("\n\"rng_state_end\"");
    ASSERT_NE(end, std::string::npos);
    // everything else is the plain description
    EXPECT_EQ(json.substr(0, at) + json.substr(end + 1), plain);

    std::string list = json.substr(at, end - at);
    int objects = 0;
    for (size_t p = list.find("{\"t\": "); p != std::string::npos; p = list.find("{\"t\": ", p + 1)) ++objects;
    EXPECT_EQ(objects, 4);
    const char* keys[] = {"t", "beat", "dance_phase", "phrase", "entry", "variant", "kind", "key", "progress",
                          "eased_progress", "energy", "au", "eye", "target", "lens", "view", "projection",
                          "view_projection", "figure_points", "all", "group0", "group1", "tagged"};
    size_t pos = 0;
    for (const char* k : keys) {
        size_t p = list.find(std::string("\"") + k + "\": ", pos);
        ASSERT_NE(p, std::string::npos) << k;
        pos = p + 1;
    }
    // the same time twice gives the same frame, whatever came between
    size_t second = list.find("{\"t\": 7.25");
    size_t fourth = list.rfind("{\"t\": 7.25");
    ASSERT_NE(second, fourth);
    std::string a = list.substr(second, list.find('}', list.find("\"tagged\"", second)) - second);
    std::string b = list.substr(fourth, list.find('}', list.find("\"tagged\"", fourth)) - fourth);
    EXPECT_EQ(a, b);
    // the aspect ratio of --size: projection element 0 is element 5 / (1280 / 720)
    size_t proj = list.find("\"projection\": [", second) + 15;
    float p0 = strtof(list.c_str() + proj, nullptr);
    size_t comma = proj;
    for (int i = 0; i < 5; ++i) comma = list.find(',', comma) + 1;
    float p5 = strtof(list.c_str() + comma, nullptr);
    EXPECT_NEAR(p0, p5 / (1280.0f / 720.0f), 1e-5f);
}

TEST(Describe, SceneCounts) {
    std::string json = describe_scene();
    EXPECT_NE(json.find("\"vertices\": " + std::to_string(scene_vertex_count) + ","), std::string::npos);
    EXPECT_NE(json.find("\"indices\": " + std::to_string(scene_index_count) + ","), std::string::npos);
    int pieces = 0, bones = 0;
    for (size_t p = json.find("\"first_index\""); p != std::string::npos; p = json.find("\"first_index\"", p + 1))
        ++pieces;
    for (size_t p = json.find("{\"tracks\""); p != std::string::npos; p = json.find("{\"tracks\"", p + 1)) ++bones;
    EXPECT_EQ(pieces, 48);
    EXPECT_EQ(bones, 13);
}
