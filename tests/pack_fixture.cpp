#include "pack_fixture.h"

#include <math.h>
#include <sndfile.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>

std::vector<double> click_times(const click_track& t) {
    std::vector<double> times;
    for (double b = t.first; b < t.seconds; b += 60.0 / t.bpm) times.push_back(b);
    return times;
}

std::vector<float> click_samples(const click_track& t) {
    const size_t n = (size_t)(t.seconds * t.rate);
    std::vector<float> mono(n, 0.0f);
    if (!t.silent) {
        uint32_t noise = 12345;
        auto white = [&] {
            noise = noise * 1664525u + 1013904223u;
            return (double)(noise >> 8) / 8388608.0 - 1.0;
        };
        const double period = 60.0 / t.bpm;
        for (int half = 0;; ++half) {
            double at = t.first + half * period / 2;
            if (at >= t.seconds) break;
            size_t c = (size_t)llround(at * t.rate);
            double gain = t.gain_from + (t.gain_to - t.gain_from) * at / t.seconds;
            bool beat = half % 2 == 0;
            if (beat) {
                double phase = 0;
                for (size_t k = 0; k < t.rate / 10 && c + k < n; ++k) {
                    double f = 50.0 + 70.0 * exp(-(double)k / (0.014 * t.rate));
                    phase += 2 * M_PI * f / t.rate;
                    mono[c + k] += (float)(gain * 0.6 * sin(phase) * exp(-(double)k / (0.07 * t.rate)));
                }
            }
            // The click: 3 ms of noise on the beat. The hi-hat: 20 ms of bright (differenced) noise.
            double previous = 0;
            for (size_t k = 0; k < t.rate / 16 && c + k < n; ++k) {
                double w = white(), v;
                if (beat)
                    v = 0.2 * w * exp(-(double)k / (0.003 * t.rate));
                else
                    v = 0.1 * (w - previous) * exp(-(double)k / (0.02 * t.rate));
                previous = w;
                mono[c + k] += (float)(gain * v);
            }
        }
    }
    std::vector<float> out;
    out.reserve(n * (size_t)t.channels);
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < t.channels; ++c) out.push_back(mono[i]);
    return out;
}

bool write_audio_file(const std::string& path, const std::vector<float>& samples, uint32_t rate, int channels,
                      int format) {
    SF_INFO info{};
    info.samplerate = (int)rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_count_t frames = (sf_count_t)(samples.size() / (size_t)channels);
    bool ok = sf_writef_float(f, samples.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

bool write_click_file(const std::string& path, const click_track& t, int format) {
    return write_audio_file(path, click_samples(t), t.rate, t.channels, format);
}

temp_path::temp_path(const std::string& suffix) {
    static std::atomic<int> counter{0};
    const char* dir = getenv("TMPDIR");
    path = std::string(dir ? dir : "/tmp") + "/tavrin-pack-" + std::to_string(getpid()) + "-" +
           std::to_string(counter++) + suffix;
}

temp_path::~temp_path() { remove(path.c_str()); }
