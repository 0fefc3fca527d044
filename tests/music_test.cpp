// The default show's music, measured on the generator's own renderings.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "data/music/music.h"
#include "data/music/synth.h"

#ifdef TAVRIN_DEFAULT_SHOW
#include "audio/decode.h"
#include "tools/inspect.h"
#endif

namespace {

constexpr double full_scale = 32768.0;

double rms_dbfs(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += (double)pcm[i] * pcm[i];
    return 20.0 * log10(sqrt(sum / (double)(to - from)) / full_scale);
}

int largest_jump(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    int m = 0;
    for (size_t i = std::max<size_t>(from, 1); i < to && i < pcm.size(); ++i)
        m = std::max(m, abs((int)pcm[i] - (int)pcm[i - 1]));
    return m;
}

// The tempo at which the loop repeats itself bar by bar, searched from 80 to 170 bpm. Onsets
// are rises of the short-term level; the patterns repeat every bar, so the onsets correlate
// best with themselves 1, 2, 3 and 4 bars (of 4 beats) later when the tempo is right.
double measured_bpm(const std::vector<int16_t>& pcm, size_t loop) {
    const size_t hop = 64;
    std::vector<double> level;
    for (size_t at = 0; at + hop <= loop; at += hop) {
        double e = 0;
        for (size_t i = at; i < at + hop; ++i) e += (double)pcm[i] * pcm[i];
        level.push_back(sqrt(e / hop));
    }
    const size_t frames = level.size();
    std::vector<double> rise(frames);
    double mean = 0;
    for (size_t f = 0; f < frames; ++f) {
        rise[f] = std::max(0.0, level[f] - level[(f + frames - 1) % frames]); // the loop is circular
        mean += rise[f] / (double)frames;
    }
    for (double& v : rise) v -= mean;
    // Circular autocorrelation up to 4 bars at the slowest tempo searched.
    const size_t longest = (size_t)(16.0 * 60.0 * music::sample_rate / (80.0 * hop)) + 2;
    std::vector<double> ac(longest + 1, 0.0);
    for (size_t lag = 0; lag <= longest; ++lag)
        for (size_t f = 0; f < frames; ++f) ac[lag] += rise[f] * rise[(f + lag) % frames];
    auto correlation = [&](double lag) {
        const size_t whole = (size_t)lag;
        const double part = lag - (double)whole;
        return ac[whole] * (1.0 - part) + ac[whole + 1] * part;
    };
    double best_bpm = 0, best_score = -1e300;
    for (double bpm = 80.0; bpm <= 170.0; bpm += 0.05) {
        const double bar = 4.0 * 60.0 * music::sample_rate / (bpm * hop);
        double score = 0;
        for (int bars = 1; bars <= 4; ++bars) score += correlation(bars * bar);
        if (score > best_score) {
            best_score = score;
            best_bpm = bpm;
        }
    }
    return best_bpm;
}

class MusicTrack : public ::testing::TestWithParam<int> {};

} // namespace

TEST(MusicTable, TemposLoopsAndMoodsCoverTheSquare) {
    ASSERT_EQ(music::track_count(), 7);
    for (int t = 0; t < music::track_count(); ++t) {
        const music::track_info& info = music::track_at(t);
        SCOPED_TRACE(info.title);
        EXPECT_GE(info.bpm, 100);
        EXPECT_LE(info.bpm, 140);
        // 64 beats are a whole number of samples, so the loop the player cuts is the one composed.
        EXPECT_EQ(64LL * 60 * music::sample_rate % info.bpm, 0);
        EXPECT_EQ(music::loop_samples(t), 64LL * 60 * music::sample_rate / info.bpm);
        // The tail covers the player's 1024-sample crossfade with room for the encoder.
        EXPECT_GE(music::tail_samples(t), 4096);
        EXPECT_GE(info.mood_x, 0.0f);
        EXPECT_LE(info.mood_x, 1.0f);
        EXPECT_GE(info.mood_y, 0.0f);
        EXPECT_LE(info.mood_y, 1.0f);
    }
    // Every mood point has a track within 0.4: no corner of the square is left to a far track.
    for (int gx = 0; gx <= 20; ++gx)
        for (int gy = 0; gy <= 20; ++gy) {
            double nearest = 2.0;
            for (int t = 0; t < music::track_count(); ++t)
                nearest = std::min(nearest, hypot(gx / 20.0 - music::track_at(t).mood_x,
                                                  gy / 20.0 - music::track_at(t).mood_y));
            EXPECT_LE(nearest, 0.4) << "mood point " << gx / 20.0 << "," << gy / 20.0;
        }
}

TEST(MusicSounds, EverySoundRampsInAndOut) {
    // Notes and hits start and end at silence through a ramp of at least half a millisecond,
    // whatever the patch asks for: no sound source can click on its own.
    music::patch saw;
    saw.saw = 1.0f;
    saw.unison = 5;
    saw.detune = 30.0f;
    saw.attack = 0.0f;
    saw.sustain = 1.0f;
    saw.release = 0.0f;
    music::patch square = saw;
    square.saw = 0.0f;
    square.square = 1.0f;
    music::patch bright = saw;
    bright.triangle = 1.0f;
    bright.sine = 1.0f;
    bright.sub = 1.0f;
    bright.noise = 0.5f;
    bright.fm = 1.0f;
    bright.fm_index = 3.0f;
    bright.drive = 2.0f;
    struct sound_case {
        const char* name;
        std::vector<float> sound;
    };
    const sound_case cases[] = {
        {"saw", music::render_note(saw, 110.0, 0.3, 1.0f, 1)},
        {"square", music::render_note(square, 523.0, 0.05, 1.0f, 2)},
        {"every oscillator", music::render_note(bright, 1760.0, 0.2, 1.0f, 3)},
        {"kick", music::render_kick({})},
        {"snare", music::render_snare({}, 4)},
        {"clap", music::render_clap({}, 5)},
        {"hat", music::render_hat({}, 6)},
        {"rim", music::render_rim({}, 7)},
        {"riser", music::render_riser(0.5, 8)},
    };
    const size_t ramp = music::sample_rate / 2000;
    for (const sound_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<float>& v = c.sound;
        ASSERT_GT(v.size(), 8 * ramp);
        float peak = 0;
        for (float x : v) peak = std::max(peak, fabsf(x));
        ASSERT_GT(peak, 0.0f);
        int steep_start = -1, steep_end = -1; // first sample above the ramp, from either end
        for (size_t i = 0; i < 4 * ramp; ++i) {
            const float bound = peak * (float)(i + 1) / (float)ramp;
            if (steep_start < 0 && fabsf(v[i]) > bound) steep_start = (int)i;
            if (steep_end < 0 && fabsf(v[v.size() - 1 - i]) > bound) steep_end = (int)i;
        }
        EXPECT_EQ(steep_start, -1) << "starts too steeply";
        EXPECT_EQ(steep_end, -1) << "ends too steeply (samples before the end)";
    }
}

TEST(MusicTable, RenderingIsRepeatable) {
    // Two renderings of a track give the same samples: nothing depends on leftover state.
    const music::rendering first = music::render_track(3);
    const music::rendering again = music::render_track(3);
    EXPECT_TRUE(again.pcm == first.pcm);
}

// One rendering per track (rendering is the slow part), checked for what a listener would
// notice: clipping, a seam or clicks where the loop repeats, clicks at note starts, sections
// that all sound the same, a beat that is not the tempo the show is timed by.
TEST_P(MusicTrack, CleanSeamlessLoopAtItsTempo) {
    const int t = GetParam();
    const music::rendering r = music::render_track(t);
    const std::vector<int16_t>& pcm = r.pcm;
    const size_t loop = (size_t)music::loop_samples(t);
    ASSERT_EQ(pcm.size(), loop + (size_t)music::tail_samples(t));

    // Levels: peaks at or below -1 dBFS, no DC, a loudness between quiet and crushed.
    int peak = 0;
    double sum = 0;
    for (size_t i = 0; i < loop; ++i) {
        peak = std::max(peak, abs((int)pcm[i]));
        sum += pcm[i];
    }
    EXPECT_LE(20.0 * log10(peak / full_scale), -1.0) << "peak above -1 dBFS";
    EXPECT_LT(fabs(sum / (double)loop), 0.0005 * full_scale) << "DC offset";
    const double rms = rms_dbfs(pcm, 0, loop);
    EXPECT_GT(rms, -21.0) << "too quiet";
    EXPECT_LT(rms, -12.0) << "too loud for its peaks";

    // The tail is the music that follows the loop's end: the loop's start again, with what
    // rang over the end (echoes, room, releases) in both.
    size_t differing = 0;
    for (size_t k = loop; k < pcm.size(); ++k) differing += pcm[k] != pcm[k - loop];
    EXPECT_EQ(differing, 0u) << "samples of the tail that differ from the loop's start";

    // Clicks: at every note start and at the join (last sample of the loop, then the tail), no
    // jump in the first samples may stand out from those of the 30 ms around it. A note that
    // starts with a step would; a smooth attack keeps its first samples below what follows.
    std::vector<int64_t> starts = r.onsets;
    starts.push_back((int64_t)loop);
    ASSERT_GT(starts.size(), 100u);
    double worst = 0;
    int64_t worst_at = -1;
    for (int64_t p : starts) {
        if (p < 700) p += (int64_t)loop; // starts near 0 are looked at in the tail, after the loop's end
        const size_t at = (size_t)p;
        const int onset = largest_jump(pcm, at - 1, at + 4);
        const int around = std::max(largest_jump(pcm, at - 660, at - 1), largest_jump(pcm, at + 4, at + 660));
        const double ratio = (double)onset / std::max(around, 16);
        if (ratio > worst) {
            worst = ratio;
            worst_at = p;
        }
    }
    EXPECT_LE(worst, 1.5) << "click at sample " << worst_at;

    // Sections: the four 16-beat sections (groove, build, full, break) span at least 3 dB, none
    // of them silent.
    const size_t section = loop / 4;
    double lo = 0, hi = -200;
    for (int k = 0; k < 4; ++k) {
        const double level = rms_dbfs(pcm, section * k, section * (k + 1));
        lo = k == 0 ? level : std::min(lo, level);
        hi = std::max(hi, level);
    }
    EXPECT_GE(hi - lo, 3.0) << "sections too alike";
    EXPECT_GT(lo, -30.0) << "a silent section";

    // Tempo: the beat heard is the one in the table (and in the packed record).
    EXPECT_NEAR(measured_bpm(pcm, loop), music::track_at(t).bpm, 0.5);
}

INSTANTIATE_TEST_SUITE_P(DefaultShow, MusicTrack, ::testing::Range(0, 7));

#ifdef TAVRIN_DEFAULT_SHOW
TEST(DefaultShowPayload, SevenUsableTracksOf192Beats) {
    // The packed show as the player reads it: every record as composed, and each stream
    // decoding to three whole loops.
    const inspection in = inspect_payload(TAVRIN_DEFAULT_SHOW, decode_record);
    ASSERT_TRUE(in.ok) << in.error;
    ASSERT_EQ(in.track_count, music::track_count());
    for (int k = 0; k < in.track_count; ++k) {
        const music::track_info& info = music::track_at(k);
        SCOPED_TRACE(info.title);
        const inspected_track& t = in.tracks[(size_t)k];
        const track_record& r = t.record;
        EXPECT_TRUE(t.playable) << t.problem;
        EXPECT_EQ(r.tempo_bpm, (float)info.bpm);
        EXPECT_EQ(r.beat_origin, 0.0f);
        EXPECT_NEAR(r.mood_x, info.mood_x, 1e-6);
        EXPECT_NEAR(r.mood_y, info.mood_y, 1e-6);
        EXPECT_NEAR(r.loop_length * r.tempo_bpm / 60.0, 64.0, 1e-3);
        EXPECT_NEAR(r.show_length * r.tempo_bpm / 60.0, 192.0, 1e-3);
        EXPECT_EQ(r.loop_samples, (uint32_t)music::loop_samples(k));
        EXPECT_EQ(r.sample_rate, 22050u);
        EXPECT_EQ(r.mp3_kbps, 48u); // the pack default, not the old dull 24 kbit/s
        EXPECT_EQ(r.energy_count, 4u);
        EXPECT_EQ(t.decode_outcome, (int)decode_ok);
        EXPECT_EQ(t.frames_total, 3 * r.loop_samples);
    }
}
#endif
