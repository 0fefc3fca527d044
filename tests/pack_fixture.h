// Audio for the packing tests and benchmark, made at run time: click tracks written with libsndfile.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// A drum-machine click track: on every beat a kick (a falling low sine) with a click, on
// every half beat a hi-hat (a short noise burst). The level goes from gain_from to gain_to
// over the track.
struct click_track {
    double bpm = 120;
    double first = 0;      // seconds of the first beat
    double seconds = 20;
    uint32_t rate = 22050;
    int channels = 1;
    double gain_from = 1, gain_to = 1;
    bool silent = false;   // all zeros
};

// Interleaved samples, -1..1.
std::vector<float> click_samples(const click_track& t);
// Times of the beats, in seconds.
std::vector<double> click_times(const click_track& t);

// Writes interleaved samples with libsndfile; `format` is an SF_FORMAT_* major and subtype.
bool write_audio_file(const std::string& path, const std::vector<float>& samples, uint32_t rate, int channels,
                      int format);
bool write_click_file(const std::string& path, const click_track& t, int format);

// A path in the temporary folder, removed when the object goes.
struct temp_path {
    std::string path;
    explicit temp_path(const std::string& suffix);
    ~temp_path();
};
