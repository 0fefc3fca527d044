// The default show's music: seven tracks composed here and rendered as sound.
//
// Each track is a 64-beat loop at its own tempo, beat 0 at sample 0. A rendering holds the loop
// followed by a tail of a few beats that goes on exactly as the loop's start does, so that a
// player which crossfades each new repetition with that tail joins the loop without a seam.
#pragma once
#include <stdint.h>

#include <vector>

namespace music {

struct track_info {
    const char* file;      // WAV file name of the rendering
    const char* title;
    const char* character; // key, scale and style, in words
    int bpm;               // exact tempo (every tempo here gives a whole number of loop samples)
    float mood_x;          // calm 0 .. lively 1
    float mood_y;          // bright 0 .. dark 1
};

constexpr int loop_beats = 64;
constexpr int tail_beats = 4;
constexpr int section_beats = 16;

int track_count();
const track_info& track_at(int index);

// Samples of one loop of track `index` (64 beats at its tempo) and of its tail.
int64_t loop_samples(int index);
int64_t tail_samples(int index);

struct rendering {
    std::vector<int16_t> pcm;     // loop then tail, mono, at sample_rate
    std::vector<int64_t> onsets;  // sample position of every note and drum hit in the loop
};

// Renders track `index`: the same samples on every run.
rendering render_track(int index);

} // namespace music
