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
    double clarity = 0;   // how strongly the sound repeats at the tempo, 0..1 (0 when both were given)
    double drift = 0;     // the largest distance of the kick and snare from the grid, in beats
    int grid_windows = 0; // 16-beat stretches with a clear pulse on the beat that drift was measured over
};

// Tempo and first beat of mono audio. A value above 0 for given_bpm, or not below 0 for
// given_origin, is taken as it is instead of detected. The tempo is the one a listener would
// tap (see pack_tempo.h): the periodicity of the onsets of the whole song, its octave chosen
// by the usual tapping range and by where kick and snare fall, then one straight grid fitted
// to all onsets. The first beat is the first grid beat with an onset about as strong as the
// song's beats. False with the reason when the sound has no steady pulse.
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
    // Calm (0) to lively (1) and bright (0) to dark (1): see mood_point.
    float mood_x = 0.5f;
    float mood_y = 0.5f;
    // What the mood point was made of.
    double loudness_db = 0;       // mean level of the loop, dBFS
    double onsets_per_second = 0; // sharp rises of the onset envelope
    double dynamics_db = 0;       // loud (95th percentile) less quiet (10th) of 0.4 s levels
    double centroid_hz = 0;       // spectral centroid
    double high_share = 0;        // share of the spectrum's energy above 4 kHz
};

track_analysis analyse_track(const analysis_input& in);

// The mood point from a track's measures. mood_x (calm to lively) weighs the tempo (70 to 150
// bpm) and the onsets per second (3.5 to 9, log scale) 0.3 each, the loudness (-26 to -10
// dBFS) and how steady it is (20 dB down to 4 dB between quiet and loud passages) 0.2 each,
// the sum spread from 0.3..0.9 to 0..1. mood_y (bright to dark) is the mean of a low spectral
// centroid (3000 Hz bright down to 900 Hz dark, log scale) and a small share of energy above
// 4 kHz (6 % bright down to 0.2 % dark, log scale).
void mood_point(double bpm, const track_analysis& a, float* mood_x, float* mood_y);
