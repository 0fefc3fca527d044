// `tavrin render` from the command line: PNG frames, video export with the music, and the
// errors that must leave the output alone. The tool draws offscreen through EGL (no display).
#include <gtest/gtest.h>

#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/payload.h"
#include "core/show.h"
#include "player/startup.h"
#include "platform/offscreen/offscreen_player.h"
#include "platform/payload_file.h"
#include "figures/figure_fast.h"
#include "render/fast_programs.h"
#include "render/gl_api.h"

namespace fs = std::filesystem;

namespace {

const std::string tool = TAVRIN_TOOL;
const std::string show_file = TAVRIN_DEFAULT_SHOW;

// A fresh directory per test, so that tests can run side by side.
std::string work_dir() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    fs::path dir = fs::path(RENDER_TEST_DIR) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string read_text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct run_result {
    int status;
    std::string out, err;
};

// Runs a shell command line with stdout and stderr caught in files of `dir`.
run_result run(const std::string& command, const std::string& dir) {
    std::string out = dir + "/stdout", err = dir + "/stderr";
    int raw = system((command + " >'" + out + "' 2>'" + err + "'").c_str());
    run_result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_text(out);
    r.err = read_text(err);
    return r;
}

std::string render_command(const std::string& args) {
    return "'" + tool + "' render 42 --payload '" + show_file + "' --quiet " + args;
}

struct image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool read_png(const std::string& path, image* out) {
    png_image img = {};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
    img.format = PNG_FORMAT_RGB;
    out->width = (int)img.width;
    out->height = (int)img.height;
    out->rgb.resize(PNG_IMAGE_SIZE(img));
    return png_image_finish_read(&img, nullptr, out->rgb.data(), 0, nullptr) != 0;
}

int distinct_colours(const image& im) {
    std::vector<uint32_t> seen;
    for (size_t i = 0; i + 2 < im.rgb.size(); i += 3) {
        uint32_t c = im.rgb[i] << 16 | im.rgb[i + 1] << 8 | im.rgb[i + 2];
        bool found = false;
        for (uint32_t s : seen) found = found || s == c;
        if (!found) seen.push_back(c);
        if (seen.size() >= 64) break;
    }
    return (int)seen.size();
}

std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(RenderPng, SameFramesTwiceDifferentTimesDiffer) {
    std::string dir = work_dir();
    const char* size = "--size 96x54";
    run_result a = run(render_command(std::string(size) + " --at 2,90 -o '" + dir + "/a'"), dir);
    ASSERT_EQ(a.status, 0) << a.err;
    run_result b = run(render_command(std::string(size) + " --at 2,90 -o '" + dir + "/b'"), dir);
    ASSERT_EQ(b.status, 0) << b.err;
    // A frame on its own is the same as in a list.
    run_result c = run(render_command(std::string(size) + " --at 90 -o '" + dir + "/c'"), dir);
    ASSERT_EQ(c.status, 0) << c.err;

    std::vector<std::string> names = {"frame-0001-2.000s.png", "frame-0002-90.000s.png"};
    EXPECT_EQ(listing(dir + "/a"), names);
    EXPECT_EQ(a.out, dir + "/a/" + names[0] + "\n" + dir + "/a/" + names[1] + "\n");
    for (const std::string& n : names)
        EXPECT_EQ(read_text(dir + "/a/" + n), read_text(dir + "/b/" + n)) << n << " differs between two runs";
    EXPECT_EQ(read_text(dir + "/a/" + names[1]), read_text(dir + "/c/frame-0001-90.000s.png"));

    image first, second;
    ASSERT_TRUE(read_png(dir + "/a/" + names[0], &first));
    ASSERT_TRUE(read_png(dir + "/a/" + names[1], &second));
    EXPECT_EQ(first.width, 96);
    EXPECT_EQ(first.height, 54);
    EXPECT_GE(distinct_colours(first), 3) << "a flat frame: nothing was drawn";
    size_t differing = 0;
    for (size_t i = 0; i < first.rgb.size(); ++i) differing += first.rgb[i] != second.rgb[i];
    EXPECT_GT(differing, first.rgb.size() / 10) << "frames at 2 s and 90 s are (nearly) the same";
}

// The PNG holds the framebuffer's rows top row first.
TEST(RenderPng, RowsAreTheFramebufferTopDown) {
    std::string dir = work_dir();
    run_result r = run(render_command("--size 64x40 --at 7.25 -o '" + dir + "'"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    image png;
    ASSERT_TRUE(read_png(dir + "/frame-0001-7.250s.png", &png));

    const char* why = nullptr;
    ASSERT_EQ(offscreen_start(42, show_file.c_str(), 64, 40, &why), offscreen_ok) << why;
    offscreen_frame_alone(7.25f, 30);
    std::vector<uint8_t> gl(64 * 40 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 64, 40, GL_RGB, GL_UNSIGNED_BYTE, gl.data());
    int wrong_rows = 0;
    for (int y = 0; y < 40; ++y)
        wrong_rows += memcmp(&png.rgb[(size_t)y * 64 * 3], &gl[(size_t)(39 - y) * 64 * 3], 64 * 3) != 0;
    EXPECT_EQ(wrong_rows, 0);
    bool top_differs_from_bottom = memcmp(&gl[0], &gl[39 * 64 * 3], 64 * 3) != 0;
    EXPECT_TRUE(top_differs_from_bottom) << "a frame whose first and last rows agree cannot show the row order";
    offscreen_finish();
}

// The start-up hands the programs to a worker thread with a context of its own, which builds
// them and draws each once. Every program the plans use gets ready there (all but the
// background, which the first frame needs), and the frames drawn with them, after the worker
// has finished, are the frames of the general programs: covers (a wipe, full covers), echo,
// and the closing glow over its covers.
TEST(ProgramWorker, ReadiesThePlannedProgramsAndTheFramesStayTheSame) {
    const char* why = nullptr;
    const int w = 96, h = 54;
    ASSERT_EQ(offscreen_start(42, show_file.c_str(), w, h, &why), offscreen_ok) << why;
    offscreen_wait_for_programs();
    EXPECT_EQ(fast_primed_count(), fast_planned_count() - 1);
    EXPECT_EQ(fast_figure_built_count(), fast_figure_planned_count());
    EXPECT_GT(fast_figure_planned_count(), 10);
    // the figure takes a program over one per quiet frame: all at once here
    fast_figure_warm_all();

    std::vector<uint8_t> fast(w * h * 3), general(w * h * 3);
    int differing = 0;
    for (float t : {0.5f, 16.2f, 17.0f, 30.0f, 44.0f, 60.0f, 90.0f, 95.0f, 100.0f}) {
        fast_programs_on = true;
        offscreen_frame_alone(t, 10);
        offscreen_read_rgb(fast.data());
        fast_programs_on = false;
        offscreen_frame_alone(t, 10);
        offscreen_read_rgb(general.data());
        if (fast != general) {
            ++differing;
            ADD_FAILURE() << "the frame at " << t << " s differs from the general programs' frame";
        }
    }
    fast_programs_on = true;
    EXPECT_EQ(differing, 0);
    offscreen_finish();
}

// The video's picture is the PNG's, the right way up (GL reads rows bottom first; the video
// path hands them to ffmpeg in that order and has it flip them). The video is lossy: its rows
// are compared with the PNG's by the mean difference, which the other row order makes large.
TEST(RenderVideo, RowsAreThePngRows) {
    std::string dir = work_dir();
    run_result r = run(render_command("--size 64x40 --at 7.25 -o '" + dir + "'"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    image png;
    ASSERT_TRUE(read_png(dir + "/frame-0001-7.250s.png", &png));
    std::string video = dir + "/show.mkv";
    r = run(render_command("--size 64x40 --fps 10 --from 7.25 --to 7.35 -o '" + video + "'"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string raw_path = dir + "/frame.rgb";
    r = run("ffmpeg -v error -i '" + video + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -y '" + raw_path + "'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string raw = read_text(raw_path);
    ASSERT_EQ(raw.size(), png.rgb.size());
    double upright = 0, flipped = 0;
    for (int y = 0; y < 40; ++y)
        for (int i = 0; i < 64 * 3; ++i) {
            int v = (uint8_t)raw[(size_t)y * 64 * 3 + i];
            upright += abs(v - png.rgb[(size_t)y * 64 * 3 + i]);
            flipped += abs(v - png.rgb[(size_t)(39 - y) * 64 * 3 + i]);
        }
    upright /= (double)raw.size(), flipped /= (double)raw.size();
    EXPECT_LT(2.0 * upright, flipped) << "upright " << upright << ", flipped " << flipped;
}

struct container_case {
    const char* extension;
    const char* video_codec;
    const char* audio_codec;
};

void PrintTo(const container_case& c, std::ostream* os) { *os << c.extension; }

class RenderVideo : public ::testing::TestWithParam<container_case> {};

// One video stream of every frame and one audio stream as long as the video; the lossless
// .mkv carries the PCM buffer's samples of the same stretch exactly.
TEST_P(RenderVideo, OneVideoAndOneAudioStreamOfTheRightLength) {
    const container_case& c = GetParam();
    std::string dir = work_dir();
    std::string out = dir + "/show" + c.extension;
    const double from = 2.0, to = 3.5;
    const int fps = 10, frames = 15;
    run_result r = run(render_command("--size 64x36 --fps 10 --from 2 --to 3.5 -o '" + out + "'"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out + "\n");

    run_result probe = run("ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,nb_read_frames "
                           "-of csv=p=0 '" + out + "'", dir);
    ASSERT_EQ(probe.status, 0) << probe.err;
    std::string expected = std::string(c.video_codec) + ",video," + std::to_string(frames) + "\n" + c.audio_codec + ",audio,";
    EXPECT_EQ(probe.out.substr(0, expected.size()), expected) << probe.out;
    EXPECT_EQ(std::count(probe.out.begin(), probe.out.end(), '\n'), 2) << probe.out;

    // The audio as decoded by ffmpeg, at its own rate.
    run_result rate = run("ffprobe -v error -select_streams a -show_entries stream=sample_rate -of csv=p=0 '" + out + "'", dir);
    ASSERT_EQ(rate.status, 0);
    int sample_rate = atoi(rate.out.c_str());
    ASSERT_GT(sample_rate, 0);
    std::string pcm_path = dir + "/audio.raw";
    run_result dec = run("ffmpeg -v error -i '" + out + "' -map 0:a -ac 1 -f s16le -c:a pcm_s16le -y '" + pcm_path + "'", dir);
    ASSERT_EQ(dec.status, 0) << dec.err;
    std::string samples = read_text(pcm_path);
    double seconds = (double)samples.size() / 2.0 / sample_rate;
    EXPECT_NEAR(seconds, (double)frames / fps, 0.05);

    if (std::string(c.audio_codec) == "flac") {
        // The show's PCM buffer, made by the same start-up choices without drawing.
        reset_show_state();
        release_show_payload();
        startup_hooks hooks = {};
        hooks.load_payload = [] { load_show_payload_file(show_file.c_str()); };
        hooks.decode_track = decode_track;
        run_startup_choices(42, hooks);
        ASSERT_NE(pcm_buffer, nullptr);
        uint32_t show_rate = read_track_record(payload, chosen_track).sample_rate;
        ASSERT_EQ((uint32_t)sample_rate, show_rate);
        size_t first = (size_t)(from * show_rate + 0.5), count = samples.size() / 2;
        ASSERT_EQ(count, (size_t)((to - from) * show_rate + 0.5));
        ASSERT_LE(first + count, frames_total);
        size_t mismatches = 0;
        for (size_t i = 0; i < count; ++i) {
            int16_t s;
            memcpy(&s, samples.data() + 2 * i, 2);
            mismatches += s != pcm_buffer[first + i];
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, RenderVideo,
                         ::testing::Values(container_case{".mp4", "h264", "aac"},
                                           container_case{".mkv", "h264", "flac"},
                                           container_case{".webm", "vp9", "opus"}),
                         [](const ::testing::TestParamInfo<container_case>& i) { return std::string(i.param.extension + 1); });

// Bad input: a non-zero status, the reason on stderr, the output as it was and no
// temporary file left behind.
TEST(RenderErrors, LeaveTheOutputAlone) {
    std::string dir = work_dir();
    // A program called ffmpeg that starts writing its output and then fails.
    fs::create_directories(dir + "/bad-bin");
    {
        std::ofstream f(dir + "/bad-bin/ffmpeg");
        f << "#!/bin/sh\nfor last; do :; done\necho half > \"$last\"\necho 'encoder exploded' >&2\nexit 1\n";
    }
    fs::permissions(dir + "/bad-bin/ffmpeg", fs::perms::owner_all);

    struct error_case {
        const char* what;
        std::string args;
        bool video; // -o a video file (else a directory of PNG frames)
        int status;
        const char* text;
        std::string env = "";
    };
    const std::string show = "--payload '" + show_file + "'";
    const std::vector<error_case> cases = {
        {"size of 0", show + " --size 0x10 --at 1", false, 2, "--size"},
        {"size without height", show + " --size 12x --at 1", false, 2, "--size"},
        {"size with three numbers", show + " --size 64x36x2 --at 1", false, 2, "--size"},
        {"size too large", show + " --size 9000x100 --at 1", false, 2, "--size"},
        {"odd video size", show + " --size 65x36 --to 1", true, 2, "even"},
        {"empty time in the list", show + " --at 1,,2", false, 2, "--at"},
        {"negative time", show + " --at -1", false, 2, "--at"},
        {"time not a number", show + " --at 1,abc", false, 2, "--at"},
        {"time nan", show + " --at nan", false, 2, "--at"},
        {"time past the end", show + " --size 16x16 --at 1,100000", false, 2, "past the end"},
        {"--at for a video", show + " --at 1", true, 2, "--at"},
        {"--to before --from", show + " --size 16x16 --from 3 --to 2", true, 2, "--to"},
        {"--to past the end", show + " --size 16x16 --to 100000", true, 2, "past the end"},
        {"--fps of 0", show + " --size 16x16 --fps 0", true, 2, "--fps"},
        {"missing payload", "--payload '" + dir + "/none.tavrin' --at 1", false, 1, "cannot read"},
        {"missing ffmpeg", show + " --size 16x16 --to 1", true, 1, "ffmpeg", "env PATH=/nonexistent "},
        {"ffmpeg fails", show + " --size 16x16 --to 1", true, 1, "encoder exploded", "env PATH='" + dir + "/bad-bin' "},
        {"TAVRIN_SELF names a missing file", "--size 16x16 --at 1", false, 1, "cannot read",
         "env TAVRIN_SELF='" + dir + "/none' "},
        {"unknown option", show + " --fast --at 1", false, 2, "unknown option"},
    };
    for (const error_case& c : cases) {
        std::string frames = dir + "/frames", video = dir + "/out.mp4";
        fs::remove_all(frames);
        { std::ofstream(video) << "keep me\n"; }
        std::string out = c.video ? video : frames;
        run_result r = run(c.env + "'" + tool + "' render 42 --quiet " + c.args + " -o '" + out + "'", dir);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << c.what << ": stderr lacks '" << c.text << "': " << r.err;
        EXPECT_EQ(read_text(video), "keep me\n") << c.what;
        EXPECT_FALSE(fs::exists(frames)) << c.what << ": the frame directory was made";
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_EQ(e.path().filename().string().find("partial"), std::string::npos)
                << c.what << ": left " << e.path();
    }
}

// Without --payload or TAVRIN_SELF the tool reads the default show built beside it.
TEST(RenderPayload, DefaultShowBesideTheTool) {
    std::string dir = work_dir();
    run_result r = run("env -u TAVRIN_SELF '" + tool + "' render 42 --size 16x16 --at 1 -o '" + dir + "/f'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("default-show.tavrin"), std::string::npos) << r.err;
}

// `tavrin bench`: every frame of the show at the step, the keys a script reads, the passes the
// show plays; bad options are refused.
TEST(Bench, JsonReportCoversTheShow) {
    std::string dir = work_dir();
    run_result r = run(tool + " bench 42 --payload " + show_file + " --size 64x36 --step 10 --json", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // 102.86 s of show at 10 s steps: 0, 10, ..., 100
    EXPECT_NE(r.out.find("\"frames\": 11,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"size\": \"64x36\""), std::string::npos) << r.out;
    for (const char* key : {"\"renderer\"", "\"median_ms\"", "\"p90_ms\"", "\"max_ms\"", "\"over_16_7\"", "\"over_33\"",
                            "\"startup_ms\"", "\"passes\": {", "\"background: plasma\"", "\"post: echo\""})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << " in " << r.out;
    for (const char* bad : {"--step 0", "--size 4x4", "--frobnicate", "x42"}) {
        run_result b = run(tool + " bench " + bad, dir);
        EXPECT_EQ(b.status, 2) << bad;
        EXPECT_FALSE(b.err.empty()) << bad;
    }
}
