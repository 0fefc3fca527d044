// Tempo and beat grid of a whole recording, as a listener would tap it: an onset-strength
// envelope in three bands, its periodicity, a choice between tempo octaves, and a straight
// grid fitted to the onsets of the whole song. Runs when a show is packed.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

// How sharply each band rises, one value per analysis frame: the positive spectral flux of
// log magnitudes, less its running mean, scaled so that each band's spread is 1.
struct onset_envelope {
    double frame_rate = 0; // frames per second
    double first = 0;      // seconds of frame 0 (an onset at that time peaks there)
    std::vector<float> low;  // below 200 Hz: kick and bass
    std::vector<float> mid;  // 200 Hz to 2.5 kHz: snare, chords, voices
    std::vector<float> high; // above 2.5 kHz: hi-hats, cymbals
    std::vector<float> all;  // the sum of the three
    std::vector<float> level; // RMS level of the samples of each frame's hop
    float sharpest = 0;       // the 99th percentile of the summed flux before scaling
    size_t size() const { return all.size(); }
    double time(double frame) const { return first + frame / frame_rate; }
    double frame(double seconds) const { return (seconds - first) * frame_rate; }
};

onset_envelope onset_strength(const float* samples, size_t count, uint32_t rate);

struct tempo_estimate {
    double bpm = 0;        // 0: no steady pulse
    double clarity = 0;    // how strongly the envelope repeats at the chosen beat, 0..1
    double origin = 0;     // seconds of the first beat (a grid point where the music has started)
    double drift = 0;      // largest distance, in beats, of the kick and snare from the grid (grid_drift)
    int grid_windows = 0;  // stretches of 16 beats that `drift` was measured over
};

// Below this clarity a recording has no steady pulse (silence, noise), and below this
// sharpness no attacks at all (a drone, whose flux is numerical ripple).
constexpr double min_pulse_clarity = 0.06;
constexpr float min_sharpest_onset = 30.0f;
// Shorter audio is too short to tell a tempo or place a grid.
constexpr double shortest_tempo_seconds = 2.0;

// The tempo (given_bpm when above 0) and the beat grid (its phase through given_origin when
// that is 0 or more). bpm stays 0 when nothing repeats, and when the envelope is shorter than
// shortest_tempo_seconds, even with the tempo given.
tempo_estimate estimate_tempo(const onset_envelope& env, double given_bpm, double given_origin, double min_bpm,
                              double max_bpm);

// Over 16-beat stretches: how far the kick and snare lie from the grid (in beats, the largest
// over stretches with a clear pulse on the beat) and how many such stretches there are.
// Stretches whose strongest kicks and snares fall between the beats are left out. Offsets up
// to grid_drift_reach are measured; onsets gathered further from the grid are taken to be on
// other parts of the beat (sixteenths, the "and"), so a grid that slides off the music reads
// grid_drift_reach.
constexpr double grid_drift_reach = 3.0 / 16;
double grid_drift(const onset_envelope& env, double bpm, double origin, int* windows);

// Peaks of the whole-band envelope (onsets), in seconds.
std::vector<double> envelope_onsets(const onset_envelope& env);
