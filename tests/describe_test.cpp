// `tavrin describe` and `tavrin inspect`: the shows of a handful of seeds and payload files
// pinned byte for byte, the JSON layout, and the payload inspection with what it reports wrong.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "data/scene.h"
#include "fixture_payloads.h"
#include "payload_fixture.h"
#include "tools/describe.h"
#include "tools/inspect.h"

namespace {

std::string read_text(const std::string& path) {
    std::string s;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
    return s;
}

bool write_text(const std::string& path, const std::string& s) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(s.data(), 1, s.size(), f) == s.size();
    return fclose(f) == 0 && ok;
}

// The pinned shows. Together they reach every branch of the deciding code:
//   none.bin    no tracks: the default 16 s show;
//   one.bin     the only track, whatever the mood point;
//   seven.bin   the track nearest the mood point, where the jitter, the distance weight and
//               the plan's energy mix decide; track 4 is the 125 bpm, 92.16 s show (phrases 1
//               to 5 planned, covers only in 1 to 3); track 6 has one phrase that can take a
//               cover, which the second cover pass adds when the first leaves it bare;
//   refused.bin a chosen record that is refused (no track, the defaults) and a playable one.
// Preset palettes whose mood_y is clamped at 0, variants -1, 0 and 1, every scene kind 0 to 8
// and one-bar entries all occur among them.
struct pinned_show {
    const char* payload;
    uint32_t seed;
};
const pinned_show pinned_shows[] = {
    {"none.bin", 1},     {"none.bin", 12},    {"one.bin", 5},       {"one.bin", 7},
    {"seven.bin", 9},    {"seven.bin", 12},   {"seven.bin", 18},    {"seven.bin", 26},
    {"seven.bin", 42},   {"refused.bin", 4},  {"refused.bin", 8},   {"refused.bin", 9},
    {"refused.bin", 21},
};

std::string expected_path(const pinned_show& s) {
    std::string name = s.payload;
    name = name.substr(0, name.find('.'));
    return std::string(DESCRIBE_EXPECTED_DIR) + "/" + name + "-" + std::to_string(s.seed) + ".json";
}

} // namespace

// After an intended change of the shows, TAVRIN_WRITE_EXPECTED=1 rewrites the expected files;
// review their differences before committing them.
TEST(Describe, PinnedShowsAreByteForByteTheSame) {
    const bool write = getenv("TAVRIN_WRITE_EXPECTED") && *getenv("TAVRIN_WRITE_EXPECTED");
    for (const pinned_show& s : pinned_shows) {
        temp_file f(fixture_payload_file(s.payload));
        std::string got = describe_show(s.seed, f.path.c_str());
        std::string path = expected_path(s);
        if (write) {
            EXPECT_TRUE(write_text(path, got)) << path;
            continue;
        }
        std::string want = read_text(path);
        ASSERT_FALSE(want.empty()) << "cannot read " << path;
        if (got == want) continue;
        size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
        size_t line_start = want.rfind('\n', at == 0 ? 0 : at - 1);
        line_start = line_start == std::string::npos ? 0 : line_start + 1;
        ADD_FAILURE() << "tavrin describe " << s.seed << " --payload " << s.payload << " differs from " << path
                      << " at byte " << at << ":\n  expected: " << want.substr(line_start, want.find('\n', at) - line_start)
                      << "\n  got:      " << got.substr(line_start, got.find('\n', at) - line_start);
    }
}

TEST(Describe, JsonHasExactlyTheKeysInOrder) {
    temp_file f(fixture_payload_file("seven.bin"));
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

// --at: one frame object per time, each the camera and points the frame loop would compute,
// and the rest of the description unchanged.
TEST(Describe, FramesAtShowTimes) {
    temp_file f(fixture_payload_file("seven.bin"));
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
