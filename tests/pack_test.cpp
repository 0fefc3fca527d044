#include <gtest/gtest.h>

#include <math.h>
#include <sndfile.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "audio/mp3_decode.h"
#include "core/payload.h"
#include "core/player_mark.h"
#include "pack_fixture.h"
#include "platform/payload_file.h"
#include "tools/inspect.h"
#include "tools/pack.h"

namespace {

const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
const int flac16 = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream f(path, std::ios::binary);
    f.write((const char*)b.data(), (std::streamsize)b.size());
}

// A track record with sane timing, for the writer tests.
payload_track small_track(size_t frames, size_t energy, size_t mp3, uint8_t fill) {
    payload_track t;
    t.record.tempo_bpm = 120;
    t.record.show_length = 2;
    t.record.loop_length = 1;
    t.record.feature_rate = 20;
    t.record.sample_rate = 22050;
    t.record.loop_samples = 22050;
    t.record.mp3_kbps = 48;
    t.record.mood_x = 0.25f;
    t.record.mood_y = 0.75f;
    t.features.assign(frames * 4, fill);
    t.energy.assign(energy, (uint8_t)(fill + 1));
    t.mp3.assign(mp3, (uint8_t)(fill + 2));
    return t;
}

// Frames of the x channel that are local peaks above half scale.
std::vector<size_t> x_peaks(const std::vector<uint8_t>& features) {
    std::vector<size_t> peaks;
    size_t n = features.size() / 4;
    for (size_t i = 0; i < n; ++i) {
        uint8_t v = features[i * 4], before = i ? features[(i - 1) * 4] : 0, after = i + 1 < n ? features[(i + 1) * 4] : 0;
        if (v >= 128 && v >= before && v > after) peaks.push_back(i);
    }
    return peaks;
}

// Every click that the feature frames cover has an x peak within one frame, and every peak a click.
void expect_peaks_on_clicks(const std::vector<uint8_t>& features, float rate, const std::vector<double>& clicks) {
    std::vector<size_t> peaks = x_peaks(features);
    auto nearest = [](double v, const std::vector<double>& list) {
        double best = 1e9;
        for (double c : list) best = std::min(best, fabs(c - v));
        return best;
    };
    const double last_frame = (double)(features.size() / 4 - 1);
    std::vector<double> peak_frames, click_frames;
    for (size_t p : peaks) peak_frames.push_back((double)p);
    for (double c : clicks) click_frames.push_back(c * rate);
    size_t covered = 0;
    for (double c : click_frames) {
        if (c < 0 || c > last_frame) continue;
        ++covered;
        EXPECT_LE(nearest(c, peak_frames), 1.0) << "click at frame " << c;
    }
    EXPECT_GE(covered, 8u);
    for (double p : peak_frames) EXPECT_LE(nearest(p, click_frames), 1.0) << "peak at frame " << p;
}

std::string tool_path() { return TAVRIN_TOOL; }

int run(const std::string& command) {
    int status = system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// ---- payload writer --------------------------------------------------------------------

TEST(PayloadWriter, LaysOutBlocksAsTheLoaderReadsThem) {
    std::vector<payload_track> tracks = {small_track(3, 3, 6, 10), small_track(2, 1, 6, 20)};
    tracks[1].record.tempo_bpm = 97.5f;
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(build_payload_bytes(tracks, &bytes, &error)) << error;
    // Table 4 + 2 * 64 = 132; track 0: 12 + 3 + 6 bytes to 153, zeros to 156; track 1:
    // 8 + 1 + 6 bytes to 171, a zero to 172.
    ASSERT_EQ(bytes.size(), 172u);
    EXPECT_EQ(tracks[0].record.feature_offset, 132u);
    EXPECT_EQ(tracks[0].record.energy_offset, 144u);
    EXPECT_EQ(tracks[0].record.mp3_offset, 147u);
    EXPECT_EQ(tracks[1].record.feature_offset, 156u);
    EXPECT_EQ(tracks[1].record.energy_offset, 164u);
    EXPECT_EQ(tracks[1].record.mp3_offset, 165u);
    for (size_t at : {153, 154, 155, 171}) EXPECT_EQ(bytes[at], 0) << at;

    temp_path file(".tavrin");
    ASSERT_TRUE(write_show_file(file.path, "", tracks, &error)) << error;
    std::vector<uint8_t> on_disk = read_bytes(file.path);
    ASSERT_EQ(on_disk.size(), 172u + 12u);
    EXPECT_EQ(memcmp(on_disk.data() + 172, "\xac\0\0\0TAVRINJ1", 12), 0);
    load_show_payload_file(file.path.c_str());
    ASSERT_EQ(track_count, 2);
    for (int k = 0; k < 2; ++k) {
        track_record r = read_track_record(payload, k);
        EXPECT_EQ(memcmp(&r, &tracks[k].record, sizeof r), 0) << "record " << k;
        EXPECT_EQ(memcmp(payload + r.feature_offset, tracks[k].features.data(), tracks[k].features.size()), 0);
        EXPECT_EQ(memcmp(payload + r.energy_offset, tracks[k].energy.data(), tracks[k].energy.size()), 0);
        EXPECT_EQ(memcmp(payload + r.mp3_offset, tracks[k].mp3.data(), tracks[k].mp3.size()), 0);
    }
    release_show_payload();
    inspection in = inspect_payload(file.path);
    ASSERT_TRUE(in.ok) << in.error;
    ASSERT_EQ(in.tracks.size(), 2u);
    EXPECT_TRUE(in.tracks[0].playable) << in.tracks[0].problem;
    EXPECT_TRUE(in.tracks[1].playable) << in.tracks[1].problem;
}

TEST(PayloadWriter, RefusesWhatDoesNotFit32Bits) {
    const uint64_t four_gib = 1ull << 32;
    struct Case {
        const char* name;
        std::vector<block_sizes> tracks;
        bool fits;
        uint32_t size;
    };
    const Case cases[] = {
        {"largest payload", {{8, 1, 0xFFFFFFFCull - 68 - 9}}, true, 0xFFFFFFFCu},
        {"one byte more", {{8, 1, 0xFFFFFFFCull - 68 - 8}}, false, 0},
        {"a stream of 4 GiB", {{8, 1, four_gib}}, false, 0},
        {"two tracks of 3 GiB", {{8, 1, 3ull << 30}, {8, 1, 3ull << 30}}, false, 0},
        {"a feature list of 4 GiB", {{four_gib, 1, 100}}, false, 0},
        {"part of a feature frame", {{6, 1, 100}}, false, 0},
    };
    for (const Case& c : cases) {
        std::vector<block_layout> layout;
        uint32_t size = 0;
        std::string error;
        EXPECT_EQ(layout_payload(c.tracks, &layout, &size, &error), c.fits) << c.name;
        if (c.fits) {
            EXPECT_EQ(size, c.size) << c.name;
        } else {
            EXPECT_FALSE(error.empty()) << c.name;
        }
    }
}

TEST(PayloadWriter, AppendingReplacesAPayloadInsteadOfStacking) {
    std::vector<uint8_t> image(300);
    for (size_t i = 0; i < image.size(); ++i) image[i] = (uint8_t)(i * 13 + 1);
    // An executable of the player: the ELF magic and the player's mark.
    memcpy(image.data(), "\x7f" "ELF", 4);
    memcpy(image.data() + 100, tavrin_player_mark, player_mark_size);
    temp_path exe(".exe"), first(".exe"), second(".exe");
    write_bytes(exe.path, image);
    chmod(exe.path.c_str(), 0751);
    std::string error;
    std::vector<payload_track> a = {small_track(4, 2, 50, 1)}, b = {small_track(2, 1, 10, 7), small_track(2, 1, 9, 8)};
    ASSERT_TRUE(write_show_file(first.path, exe.path, a, &error)) << error;
    ASSERT_TRUE(write_show_file(second.path, first.path, b, &error)) << error;
    std::vector<uint8_t> one = read_bytes(first.path), two = read_bytes(second.path);
    EXPECT_EQ(executable_image_length(one.data(), one.size()), 300u);
    EXPECT_EQ(executable_image_length(two.data(), two.size()), 300u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), two.begin()));
    std::vector<uint8_t> expected_payload;
    ASSERT_TRUE(build_payload_bytes(b, &expected_payload, &error));
    EXPECT_EQ(two.size(), 300 + expected_payload.size() + 12);
    struct stat st;
    ASSERT_EQ(stat(second.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0751u);
    // A trailer whose size cannot be right belongs to no payload: the file stays whole.
    std::vector<uint8_t> odd = image;
    uint8_t trailer[12];
    payload_trailer(5000, trailer);
    odd.insert(odd.end(), trailer, trailer + 12);
    EXPECT_EQ(executable_image_length(odd.data(), odd.size()), odd.size());
}

// ---- audio in and out ------------------------------------------------------------------

TEST(PackAudio, Mp3StreamHasTheTitleTagAndTheFixedDelay) {
    struct Case {
        uint32_t rate, kbps;
        uint8_t header1; // second byte of a frame header: MPEG version, Layer III, no CRC
    };
    for (const Case& c : {Case{22050, 48, 0xF3}, Case{44100, 96, 0xFB}, Case{11025, 32, 0xE3}}) {
        std::vector<float> s(c.rate, 0.0f);
        const size_t click = c.rate / 3;
        s[click] = 0.9f;
        std::vector<uint8_t> mp3;
        std::string error;
        ASSERT_TRUE(encode_mp3(s.data(), s.size(), c.rate, c.kbps, "Night Drive", &mp3, &error)) << error;
        std::vector<uint8_t> tag = id3v2_title_tag("Night Drive");
        ASSERT_EQ(tag.size(), 10u + 10u + 1u + 11u);
        EXPECT_EQ(memcmp(tag.data(), "ID3\x04\0\0\0\0\0\x16TIT2\0\0\0\x0c\0\0\x03Night Drive", tag.size()), 0);
        ASSERT_GT(mp3.size(), tag.size() + 4);
        EXPECT_TRUE(std::equal(tag.begin(), tag.end(), mp3.begin())) << c.rate;
        EXPECT_EQ(mp3[tag.size()], 0xFF) << c.rate;
        EXPECT_EQ(mp3[tag.size() + 1], c.header1) << c.rate;
        std::vector<float> decoded;
        ASSERT_TRUE(decode_mp3_floats(mp3, s.size(), &decoded, &error)) << error;
        size_t loudest = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            if (fabsf(decoded[i]) > fabsf(decoded[loudest])) loudest = i;
        EXPECT_NEAR((double)loudest, (double)(click + mp3_decoder_delay), 2.0) << c.rate;
    }
}

TEST(PackAudio, ReadsResamplesAndMixesToMono) {
    // A 440 Hz tone, louder on the left than on the right: the mean of the two is the tone.
    const size_t n = 44100;
    std::vector<float> stereo;
    for (size_t i = 0; i < n; ++i) {
        float v = (float)(0.5 * sin(2 * M_PI * 440.0 * (double)i / 44100.0));
        stereo.push_back(1.5f * v);
        stereo.push_back(0.5f * v);
    }
    temp_path wav(".wav");
    ASSERT_TRUE(write_audio_file(wav.path, stereo, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    std::vector<float> s, r;
    uint32_t rate = 0;
    std::string error;
    ASSERT_TRUE(read_audio_mono(wav.path, &s, &rate, &error)) << error;
    EXPECT_EQ(rate, 44100u);
    ASSERT_EQ(s.size(), n);
    EXPECT_NEAR(s[100], 0.5 * sin(2 * M_PI * 440.0 * 100 / 44100.0), 1e-6);
    ASSERT_TRUE(resample_audio(s, 44100, 22050, &r, &error)) << error;
    EXPECT_NEAR((double)r.size(), n / 2.0, 1.0);
    double worst = 0;
    for (size_t i = 1000; i + 1000 < r.size(); ++i)
        worst = std::max(worst, fabs(r[i] - 0.5 * sin(2 * M_PI * 440.0 * (double)i / 22050.0)));
    EXPECT_LT(worst, 1e-3); // same tone, same time: no shift, no loss
}

// ---- analysis --------------------------------------------------------------------------

TEST(PackAnalysis, FeatureRateFollowsTheSampleRate) {
    EXPECT_EQ(feature_hop(22050), 1102u);
    EXPECT_FLOAT_EQ(feature_rate(22050), 22050.0f / 1102.0f);
    EXPECT_EQ(feature_hop(44100), 2205u);
    EXPECT_EQ(feature_hop(8000), 400u);
}

TEST(PackAnalysis, FindsTempoAndFirstBeatOfClickTracks) {
    struct Case {
        double bpm, first;
    };
    const double frame = 1.0 / feature_rate(22050);
    for (const Case& c : {Case{72, 0.9}, Case{123, 0.37}, Case{171.5, 1.6}}) {
        click_track t;
        t.bpm = c.bpm;
        t.first = c.first;
        std::vector<float> s = click_samples(t);
        beat_grid g;
        std::string error;
        ASSERT_TRUE(find_beats(s.data(), s.size(), t.rate, 0, -1, &g, &error)) << c.bpm << ": " << error;
        EXPECT_NEAR(g.bpm, c.bpm, 0.5) << c.bpm;
        EXPECT_NEAR(g.origin, c.first, frame) << c.bpm;
        // A given tempo keeps only the phase from the beats found; both given are taken as they are.
        ASSERT_TRUE(find_beats(s.data(), s.size(), t.rate, c.bpm, -1, &g, &error)) << error;
        EXPECT_EQ(g.bpm, c.bpm);
        EXPECT_NEAR(g.origin, c.first, frame) << c.bpm;
        ASSERT_TRUE(find_beats(s.data(), s.size(), t.rate, 100, 0.25, &g, &error));
        EXPECT_EQ(g.bpm, 100);
        EXPECT_EQ(g.origin, 0.25);
    }
}

TEST(PackAnalysis, MoodFollowsLivelinessAndDarkness) {
    const uint32_t rate = 22050;
    const size_t n = 10 * rate;
    auto analyse = [&](const std::vector<float>& s) {
        analysis_input in;
        in.samples = s.data();
        in.count = s.size();
        in.loop_samples = s.size();
        in.rate = rate;
        in.bpm = 120;
        return analyse_track(in);
    };
    // Dark: a quiet low hum with a note a second. Bright: loud noise hits eight times a second.
    std::vector<float> dark(n), bright(n);
    uint32_t noise = 1;
    for (size_t i = 0; i < n; ++i) {
        double t = (double)i / rate;
        dark[i] = (float)(0.1 * sin(2 * M_PI * 80 * t) * exp(-4 * fmod(t, 1.0)));
        noise = noise * 1664525u + 1013904223u;
        bright[i] = (float)(0.7 * ((double)(noise >> 8) / 8388608.0 - 1.0) * exp(-30 * fmod(t, 0.125)));
    }
    track_analysis d = analyse(dark), b = analyse(bright);
    EXPECT_GT(d.mood_y, 0.7f);
    EXPECT_LT(b.mood_y, 0.3f);
    EXPECT_LT(d.mood_x, 0.35f);
    EXPECT_GT(b.mood_x, 0.65f);
}

// ---- packing ---------------------------------------------------------------------------

TEST(Pack, RoundTripThroughInspectLoadAndDecode) {
    // A WAV at 44.1 kHz stereo played whole, and a FLAC whose beats 4..19 loop three times.
    click_track t;
    t.bpm = 123;
    t.first = 0.37;
    t.seconds = 16;
    t.rate = 44100;
    t.channels = 2;
    temp_path wav(".wav"), flac(".flac"), show(".tavrin");
    ASSERT_TRUE(write_click_file(wav.path, t, wav16));
    ASSERT_TRUE(write_click_file(flac.path, t, flac16));
    pack_track_options whole, looped;
    whole.path = wav.path;
    looped.path = flac.path;
    looped.loop = true;
    looped.loop_start = 4;
    looped.loop_beats = 16;
    looped.repeats = 3;
    std::vector<payload_track> tracks;
    std::vector<packed_track> packed(2);
    std::string error;
    ASSERT_TRUE(pack_track(whole, 22050, 48, &packed[0], &error)) << error;
    ASSERT_TRUE(pack_track(looped, 22050, 48, &packed[1], &error)) << error;
    for (auto& p : packed) tracks.push_back(p.track);
    ASSERT_TRUE(write_show_file(show.path, "", tracks, &error)) << error;

    inspection in = inspect_payload(show.path);
    ASSERT_TRUE(in.ok) << in.error;
    ASSERT_EQ(in.tracks.size(), 2u);
    load_show_payload_file(show.path.c_str());
    ASSERT_EQ(track_count, 2);
    const float frame = 1.0f / feature_rate(22050);
    const double period = 60.0 / t.bpm;
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k == 0 ? "whole file" : "loop");
        EXPECT_TRUE(in.tracks[k].playable) << in.tracks[k].problem;
        track_record r = read_track_record(payload, k);
        printf("[          ] tempo %.3f bpm (error %+.3f), beat origin %.4f s\n", r.tempo_bpm, r.tempo_bpm - t.bpm,
               r.beat_origin);
        EXPECT_NEAR(r.tempo_bpm, t.bpm, 0.5);
        EXPECT_EQ(r.sample_rate, 22050u);
        EXPECT_EQ(r.mp3_kbps, 48u);
        EXPECT_FLOAT_EQ(r.feature_rate, 22050.0f / 1102.0f);
        EXPECT_EQ(r.feature_count, (r.loop_samples + 1101) / 1102);
        EXPECT_FLOAT_EQ(r.loop_length, r.loop_samples / 22050.0f);
        std::vector<uint8_t> features(payload + r.feature_offset, payload + r.feature_offset + 4 * r.feature_count);
        std::vector<double> clicks; // in loop time
        int repeats = k == 0 ? 1 : 3;
        if (k == 0) {
            EXPECT_EQ(r.loop_samples, 16u * 22050u);
            EXPECT_NEAR(r.beat_origin, t.first, frame);
            clicks = click_times(t);
        } else {
            EXPECT_NEAR(r.loop_samples, 16 * 60.0 / r.tempo_bpm * 22050, 1.0);
            EXPECT_EQ(r.beat_origin, 0.0f);
            for (int b = 0; b < 17; ++b) clicks.push_back(b * period);
        }
        EXPECT_FLOAT_EQ(r.show_length, r.loop_length * repeats);
        EXPECT_EQ(r.energy_count, k == 0 ? 2u : 1u); // 32.05 beats after the first; 16 beats
        expect_peaks_on_clicks(features, r.feature_rate, clicks);

        track_decode d;
        decode_record(payload, payload_bytes, r, &d);
        ASSERT_EQ(d.outcome, decode_ok);
        EXPECT_EQ(d.loop.frames_total, r.loop_samples * (uint32_t)repeats);
        if (k == 1) {
            EXPECT_GE(d.decoded_samples, r.loop_samples + 1105 + 1024); // a full crossfade
        }
        free(d.loop.pcm);
    }
    release_show_payload();
}

TEST(Pack, EnergyRisesWithATrackThatGetsLouder) {
    click_track t;
    t.bpm = 120;
    t.seconds = 32; // 64 beats
    t.gain_from = 0.05;
    t.gain_to = 1.0;
    temp_path wav(".wav");
    ASSERT_TRUE(write_click_file(wav.path, t, wav16));
    pack_track_options o;
    o.path = wav.path;
    o.bpm = 120;
    o.beat_origin = 0;
    packed_track p;
    std::string error;
    ASSERT_TRUE(pack_track(o, 22050, 48, &p, &error)) << error;
    const std::vector<uint8_t>& e = p.track.energy;
    ASSERT_EQ(e.size(), 4u);
    for (size_t j = 1; j < e.size(); ++j) EXPECT_GT(e[j], e[j - 1]) << j;
    EXPECT_EQ(e.back(), 255);
}

TEST(Pack, RefusesBadInput) {
    temp_path missing(".wav"), text(".wav"), silent(".wav"), tiny(".wav"), short_track(".flac");
    write_bytes(text.path, std::vector<uint8_t>(500, 'x'));
    click_track quiet;
    quiet.silent = true;
    quiet.seconds = 3;
    ASSERT_TRUE(write_click_file(silent.path, quiet, wav16));
    ASSERT_TRUE(write_audio_file(tiny.path, std::vector<float>(900, 0.5f), 22050, 1, wav16));
    click_track eight; // 8 s at 120 bpm: beats 0..15
    eight.seconds = 8;
    ASSERT_TRUE(write_click_file(short_track.path, eight, flac16));
    struct Case {
        const char* name;
        std::string path;
        int loop_start, loop_beats;
        const char* message;
    };
    const Case cases[] = {
        {"no such file", missing.path, -1, 0, "cannot read"},
        {"not audio", text.path, -1, 0, "cannot read"},
        {"silence", silent.path, -1, 0, "silent"},
        {"under 1000 samples", tiny.path, -1, 0, "too short"},
        {"loop past the end", short_track.path, 8, 8, "past the end"},
        {"loop up to the end, no tail", short_track.path, 0, 16, "past the end"},
    };
    for (const Case& c : cases) {
        pack_track_options o;
        o.path = c.path;
        o.bpm = 120;
        if (c.loop_start >= 0) {
            o.loop = true;
            o.loop_start = c.loop_start;
            o.loop_beats = c.loop_beats;
        }
        packed_track p;
        std::string error;
        EXPECT_FALSE(pack_track(o, 22050, 48, &p, &error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
    // The same file with a loop that leaves room for the tail packs.
    pack_track_options ok;
    ok.path = short_track.path;
    ok.bpm = 120;
    ok.loop = true;
    ok.loop_beats = 15;
    packed_track p;
    std::string error;
    EXPECT_TRUE(pack_track(ok, 22050, 48, &p, &error)) << error;
}

TEST(PackArgs, TrackOptionsGoToTheNextInput) {
    std::vector<std::string> args = {"--title", "One", "--bpm", "96.5", "--loop", "8:64", "--repeats", "3",
                                     "a.wav", "--mood", "0.2,0.9", "b.flac", "--rate", "44100", "-q",
                                     "--append-to", "player", "-o", "show"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    pack_options o;
    bool help = true;
    std::string error;
    ASSERT_TRUE(parse_pack_args((int)argv.size(), argv.data(), &o, &help, &error)) << error;
    EXPECT_FALSE(help);
    ASSERT_EQ(o.tracks.size(), 2u);
    EXPECT_EQ(o.tracks[0].title, "One");
    EXPECT_EQ(o.tracks[0].bpm, 96.5);
    EXPECT_TRUE(o.tracks[0].loop);
    EXPECT_EQ(o.tracks[0].loop_start, 8);
    EXPECT_EQ(o.tracks[0].loop_beats, 64);
    EXPECT_EQ(o.tracks[0].repeats, 3);
    EXPECT_FALSE(o.tracks[0].mood);
    EXPECT_EQ(o.tracks[1].bpm, 0);
    EXPECT_FALSE(o.tracks[1].loop);
    EXPECT_TRUE(o.tracks[1].mood);
    EXPECT_FLOAT_EQ(o.tracks[1].mood_y, 0.9f);
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.kbps, 96u);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.append_to, "player");
    EXPECT_EQ(o.output, "show");
    EXPECT_EQ(title_from_path("/music/Night Drive.flac"), "Night Drive");
}

TEST(PackArgs, ALoneInputMayHaveItsOptionsAfterIt) {
    // What people type: the options of the one song after it, mixed with the output options.
    std::vector<std::string> args = {"--title", "Song", "song.wav", "--bpm", "120", "-o", "show",
                                     "--loop", "4:32", "--repeats", "2", "--mood", "0.1,0.8"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    pack_options o;
    bool help = true;
    std::string error;
    ASSERT_TRUE(parse_pack_args((int)argv.size(), argv.data(), &o, &help, &error)) << error;
    ASSERT_EQ(o.tracks.size(), 1u);
    const pack_track_options& t = o.tracks[0];
    EXPECT_EQ(t.path, "song.wav");
    EXPECT_EQ(t.title, "Song");
    EXPECT_EQ(t.bpm, 120);
    EXPECT_TRUE(t.loop);
    EXPECT_EQ(t.loop_start, 4);
    EXPECT_EQ(t.loop_beats, 32);
    EXPECT_EQ(t.repeats, 2);
    EXPECT_TRUE(t.mood);
    EXPECT_FLOAT_EQ(t.mood_y, 0.8f);
    EXPECT_EQ(o.output, "show");
}

TEST(PackArgs, RefusesBadOptions) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"a.wav"}, "no output"},
        {{"-o", "x"}, "no INPUT"},
        {{"a.wav", "--bpm", "120", "b.wav", "--loop", "0:16", "-o", "x"}, "after the last INPUT"},
        {{"--bpm", "100", "a.wav", "--bpm", "120", "-o", "x"}, "both before and after"},
        {{"a.wav", "--repeats", "2", "-o", "x"}, "needs --loop"},
        {{"--bpm", "30", "a.wav", "-o", "x"}, "40 to 300"},
        {{"--bpm", "301", "a.wav", "-o", "x"}, "40 to 300"},
        {{"--repeats", "2", "a.wav", "-o", "x"}, "needs --loop"},
        {{"--loop", "4", "a.wav", "-o", "x"}, "START:BEATS"},
        {{"--loop", "4:0", "a.wav", "-o", "x"}, "START:BEATS"},
        {{"--mood", "0.5,1.5", "a.wav", "-o", "x"}, "X,Y"},
        {{"--rate", "22000", "a.wav", "-o", "x"}, "not an MP3 sample rate"},
        {{"--kbps", "320", "a.wav", "-o", "x"}, "no such bit rate"},
        {{"--shuffle", "a.wav", "-o", "x"}, "unknown option"},
        {{"a.wav", "-o"}, "needs a file name"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        pack_options o;
        bool help = false;
        std::string error;
        EXPECT_FALSE(parse_pack_args((int)argv.size(), argv.data(), &o, &help, &error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.message << ": " << error;
    }
}

// ---- the command -----------------------------------------------------------------------

TEST(PackCommand, AnAppendedExecutableRunsAndFindsItsPayload) {
    click_track t;
    t.seconds = 6;
    temp_path wav(".wav"), first(".exe"), second(".exe");
    ASSERT_TRUE(write_click_file(wav.path, t, wav16));
    const std::string tool = tool_path(), probe = PAYLOAD_PROBE;
    ASSERT_EQ(run(tool + " pack -q --bpm 120 '" + wav.path + "' --append-to " + probe + " -o '" + first.path + "'"), 0);
    // The probe reports its track count as its exit status (no payload: 0).
    EXPECT_EQ(run("env -u TAVRIN_SELF " + probe), 0);
    EXPECT_EQ(run("env -u TAVRIN_SELF '" + first.path + "'"), 1);
    // Packing onto the packed copy replaces its payload.
    ASSERT_EQ(run(tool + " pack -q --bpm 120 '" + wav.path + "' --bpm 120 '" + wav.path + "' --append-to '" +
                  first.path + "' -o '" + second.path + "'"),
              0);
    EXPECT_EQ(run("env -u TAVRIN_SELF '" + second.path + "'"), 2);
    std::vector<uint8_t> exe = read_bytes(probe), packed = read_bytes(second.path);
    EXPECT_EQ(executable_image_length(packed.data(), packed.size()), exe.size());
}
