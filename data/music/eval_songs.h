// Songs for checking tempo detection, written with the default show's instruments in the
// styles where detectors go wrong: half-time feel, swing, triplet hi-hats, syncopated bass,
// fast double-kick metal, slow ballads and a quiet intro before the drums. Each knows its
// tempo and where its first strong beat falls.
#pragma once
#include <stdint.h>

#include <vector>

namespace music {

struct eval_song {
    const char* name;
    const char* style;    // in words
    double bpm;           // the tempo a listener taps
    double first_beat;    // seconds of the first beat that the drums (or the full band) play
    std::vector<int16_t> pcm; // mono at sample_rate
};

int eval_song_count();
const char* eval_song_name(int index);
// Renders song `index` (a few seconds of CPU for a minute of music).
eval_song render_eval_song(int index);

} // namespace music
