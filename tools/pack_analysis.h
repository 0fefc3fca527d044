// Analysis of a track for its payload record (aubio): tempo and first beat, the feature list,
// the energy list and the mood point. Runs when a show is packed, never in the player.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Samples per feature frame: round(rate / 20), so 1102 at 22050 Hz.
uint32_t feature_hop(uint32_t rate);
// Feature frames per second: rate / feature_hop(rate), 22050 / 1102 = 20.0091 at 22050 Hz.
float feature_rate(uint32_t rate);

constexpr double min_bpm = 40, max_bpm = 300;

struct beat_grid {
    double bpm = 0;       // beats per minute
    double origin = 0;    // seconds into the audio of the first beat
    int beats_found = 0;  // beats aubio reported that agree with the grid (0 when both were given)
};

// Tempo and first beat of mono audio. A value above 0 for given_bpm, or not below 0 for
// given_origin, is taken as it is instead of detected. The tempo comes from aubio's beat
// tracker (of the whole sound, or of the low band where that keeps better time), its beats and
// then the onsets on them fitted to one straight grid; the beats sit where the low band
// strikes (a kick, not the hi-hats between). The first beat is the first grid beat at which
// the music has started. False with the reason when no steady beat is found. Tempo octaves
// stay ambiguous: a slow track with busy half beats may read as twice its tempo.
bool find_beats(const float* samples, size_t count, uint32_t rate, double given_bpm, double given_origin,
                beat_grid* out, std::string* error);

// What the analysis reads: `count` samples of decoded audio in which the loop starts at
// `loop_start` and lasts `loop_samples`; the samples before it are what plays before the loop
// (the loop's own end when it repeats, silence for a single play) and those after it what
// follows it in the recording. beat_origin is in seconds from the loop start.
struct analysis_input {
    const float* samples = nullptr;
    size_t count = 0;
    size_t loop_start = 0;
    size_t loop_samples = 0;
    uint32_t rate = 22050;
    double bpm = 120;
    double beat_origin = 0;
};

struct track_analysis {
    // ceil(loop_samples / feature_hop) frames (at least 2) of x, y, z, w:
    //   x  a pulse at each beat onset of the low band, 255 on the onset, decaying as e^(-4 beats);
    //   y  the loudness, smoothed over two beats and spread over the track's own range;
    //   z  a pulse at each onset of the high band (hi-hats), decaying as e^(-12 beats);
    //   w  x squared, a sharper beat pulse.
    std::vector<uint8_t> features;
    // One level per 16 beats from beat_origin to the loop end: the mean loudness of those
    // beats, spread over the track's range (the loudest 255; within 12 dB of each other the
    // levels stay near the middle).
    std::vector<uint8_t> energy;
    // Calm (0) to lively (1): the loudness (-32 to -10 dBFS) and the onsets per second (0.5
    // to 8, on a log scale), weighted 0.45 and 0.55.
    float mood_x = 0.5f;
    // Bright (0) to dark (1): the spectral centroid, 4 kHz and above bright, 400 Hz dark.
    float mood_y = 0.5f;
    // What the mood point was made of.
    double loudness_db = 0;      // mean level of the loop, dBFS
    double onsets_per_second = 0;
    double centroid_hz = 0;
};

track_analysis analyse_track(const analysis_input& in);
