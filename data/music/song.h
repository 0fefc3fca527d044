// The composing layer: a track under construction, its parts as loop buffers, and the small
// pattern language the seven tracks are written in.
//
// Patterns are strings of sixteenth-note steps, 16 per bar; a pattern of n bars repeats every
// n bars of the loop, so bar b of the loop plays the pattern's bar b mod n (and stays in step
// with the chord progression wherever it starts). For drums a step is a hit at a velocity
// ('X' 1.0, 'x' 0.8, 'o' 0.55, 'g' 0.32) or '.' for none. For notes a step starts a note (its
// meaning depends on the line), '-' holds the note before it and '.' is silence:
//   melody: scale degrees from the track's tonic, '0'..'9' then 'a'..'e' for 10..14;
//   bass:   'r' root of the bar's chord, 'o' its octave, 'f' fifth, 't' third, 's' seventh,
//           'l' the fifth below;
//   chord:  'x' strikes the bar's chord;
//   arp:    '0'..'9' the chord's tones from the lowest up, continuing an octave higher.
#pragma once
#include <stdint.h>

#include <vector>

#include "data/music/music.h"
#include "data/music/synth.h"

namespace music {

enum part_id {
    part_kick, part_snare, part_hats, part_bass, part_chords, part_pad, part_lead, part_arp, part_fx, part_total
};

struct key {
    int tonic;        // MIDI note of degree 0
    const int* steps; // seven semitone offsets
};

extern const int major_scale[7];
extern const int minor_scale[7];
extern const int dorian_scale[7];
extern const int phrygian_scale[7];
extern const int harmonic_minor_scale[7];

struct chord {
    int degree; // scale degree of the root
    int size;   // 3: triad, 4: seventh chord (thirds stacked in the scale)
};

struct song {
    const track_info* info = nullptr;
    key k{60, major_scale};
    double beat = 0;       // samples per beat
    double swing = 0;      // fraction of a sixteenth by which every second sixteenth is late
    int64_t length = 0;    // samples of the loop
    int bass_floor = 33;   // lowest MIDI note of the bass's roots
    std::vector<chord> progression; // one chord per bar, repeating
    std::vector<float> parts[part_total];
    std::vector<float> reverb_send, echo_send;
    std::vector<int64_t> onsets, kicks;
    uint32_t next_seed = 1;

    // mixing and mastering
    float part_gain[part_total] = {1, 1, 1, 1, 1, 1, 1, 1, 1}; // level of each part, set before writing it
    double echo_beats = 0.75;
    float echo_feedback = 0.35f, echo_damp_hz = 2500;
    float reverb_size = 0.78f, reverb_damp_hz = 3500;
    float duck_depth = 0;   // pumping of bass, chords and pad on every kick
    double duck_recover = 0.25;
    float loudness_db = -15; // RMS of the whole loop
};

void start_song(song& s, int index, key k, std::vector<chord> progression);
// A song outside the default show: `bars` bars of 4/4 at `bpm`, its sounds varied by `seed`.
void start_song_at(song& s, double bpm, int bars, uint32_t seed, key k, std::vector<chord> progression);

// The level of each part in the mix, in part_id order (before the loop's loudness is set).
void set_levels(song& s, const float (&levels)[part_total]);

// Sample position of sixteenth `step` counted from the start of bar `bar` (swing applied).
int64_t song_at(const song& s, int bar, int step);

// Drum hits of `sound` in bars [bar, bar + bars).
void drum_line(song& s, part_id part, int bar, int bars, const char* pattern, const std::vector<float>& sound,
               float gain, float reverb = 0, bool is_kick = false);

// Notes of a melody, bass, chord or arp line (see above) in bars [bar, bar + bars).
// `legato` is the share of each note's steps that it is held; `center` places chord tones.
void melody_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
                 int octave = 0, float legato = 0.92f, float reverb = 0, float echo = 0);
void bass_line(song& s, int bar, int bars, const char* pattern, const patch& p, float gain, float legato = 0.9f);
void chord_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
                int center, float legato = 0.95f, float reverb = 0, float echo = 0);
void arp_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
              int center, float legato = 0.8f, float reverb = 0, float echo = 0);
// A noise riser that ends at the start of bar `end_bar`.
void riser(song& s, int end_bar, double beats, float gain);

// Effects, mix and mastering: the loop as 16-bit samples.
std::vector<int16_t> finish_song(song& s);

} // namespace music
