#include "data/music/eval_songs.h"

#include <math.h>

#include "data/music/patches.h"
#include "data/music/song.h"

namespace music {

namespace {

// The show's pad and lead with the synthesiser's default resonance (and vibrato delay).
patch soft_pad(float cutoff) {
    patch p = pad(cutoff);
    p.resonance = 0.1f;
    return p;
}

patch plain_lead(float cutoff) {
    patch p = square_lead(cutoff);
    p.resonance = 0.1f;
    p.vibrato_delay = 0.2f;
    return p;
}

// Hits at thirds of a beat (triplets), `per_beat` a string of three velocities per beat.
void triplet_line(song& s, part_id part, int bar, int bars, const char* per_beat, const std::vector<float>& sound,
                  float gain) {
    gain *= s.part_gain[part];
    for (int b = bar * 4; b < (bar + bars) * 4; ++b)
        for (int k = 0; k < 3; ++k) {
            char c = per_beat[k];
            float v = c == 'x' ? 0.8f : c == 'o' ? 0.55f : c == 'g' ? 0.32f : 0.0f;
            if (v == 0) continue;
            int64_t at = llround((b + k / 3.0) * s.beat);
            mix_into_loop(s.parts[part], at, sound, gain * v);
        }
}

struct drums {
    std::vector<float> kick, snare, hat, open_hat, crash;
};

drums kit(uint32_t seed) {
    drums d;
    d.kick = render_kick({.start_hz = 140, .end_hz = 48, .pitch_decay = 0.035f, .decay = 0.28f, .click = 0.2f,
                          .drive = 0.3f, .length = 0.45f});
    d.snare = render_snare({}, seed);
    d.hat = render_hat({}, seed + 1);
    d.open_hat = render_hat({.band_hz = 5000, .highpass_hz = 3000, .decay = 0.12f, .attack = 0.002f, .length = 0.3f},
                           seed + 2);
    d.crash = render_hat({.band_hz = 4500, .highpass_hz = 2500, .decay = 0.6f, .attack = 0.002f, .length = 1.2f},
                        seed + 3);
    return d;
}

const int bars_of_song = 24;

// Half-time feel: the snare on beat 3 only, the hats in sixteenths, quarter-note bass and keys.
void half_time(song& s) {
    start_song_at(s, 76, bars_of_song, 101, {57, minor_scale}, {{0, 3}, {5, 3}, {2, 3}, {6, 3}});
    drums d = kit(101);
    drum_line(s, part_kick, 0, bars_of_song, "x.........x.....", d.kick, 0.9f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "........x.......", d.snare, 0.6f, 0.2f);
    drum_line(s, part_hats, 0, bars_of_song, "xgogxgogxgogxgog", d.hat, 0.16f);
    bass_line(s, 0, bars_of_song, "r---r---r---o---", synth_bass(400, 500), 0.4f);
    chord_line(s, part_chords, 0, bars_of_song, "x---x---x---x---", electric_piano(), 0.25f, 64, 0.9f, 0.3f);
}

// A shuffle: every second sixteenth late by half a step, ride and bass on the swung grid.
void shuffle(song& s) {
    start_song_at(s, 104, bars_of_song, 202, {55, dorian_scale}, {{0, 4}, {3, 4}, {0, 4}, {4, 4}});
    s.swing = 0.5;
    drums d = kit(202);
    drum_line(s, part_kick, 0, bars_of_song, "x.....x.x.......", d.kick, 0.85f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "....x.......x..o", d.snare, 0.55f, 0.2f);
    drum_line(s, part_hats, 0, bars_of_song, "x.ox.ox.ox.ox.o.", d.hat, 0.18f);
    bass_line(s, 0, bars_of_song, "r..r..f.o..r..t.", synth_bass(600, 500), 0.4f);
    chord_line(s, part_chords, 0, bars_of_song, "..x...x...x...x.", electric_piano(), 0.22f, 62, 0.5f, 0.2f);
}

// Triplet hi-hats over a straight backbeat.
void triplet_hats(song& s) {
    start_song_at(s, 92, bars_of_song, 303, {53, minor_scale}, {{0, 3}, {5, 3}, {6, 3}, {4, 3}});
    drums d = kit(303);
    drum_line(s, part_kick, 0, bars_of_song, "x.......x.x.....", d.kick, 0.9f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "....x.......x...", d.snare, 0.55f, 0.2f);
    triplet_line(s, part_hats, 0, bars_of_song, "xog", d.hat, 0.2f);
    bass_line(s, 0, bars_of_song, "r-------r---f---", synth_bass(350, 500), 0.4f);
    chord_line(s, part_pad, 0, bars_of_song, "x---------------", soft_pad(900), 0.2f, 60, 1.0f, 0.3f);
}

// Syncopated bass and kick: most bass notes fall between the beats.
void syncopated(song& s) {
    start_song_at(s, 116, bars_of_song, 404, {52, dorian_scale}, {{0, 4}, {3, 4}});
    drums d = kit(404);
    drum_line(s, part_kick, 0, bars_of_song, "x.....x...x..x..", d.kick, 0.85f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "....x.......x...", d.snare, 0.5f, 0.2f);
    drum_line(s, part_hats, 0, bars_of_song, "g.o.g.o.g.o.g.o.", d.hat, 0.15f);
    bass_line(s, 0, bars_of_song, "..r..r.o..r..f.t", synth_bass(700, 500), 0.5f, 0.6f);
    chord_line(s, part_chords, 0, bars_of_song, "...x.....x.....x", electric_piano(), 0.2f, 64, 0.4f, 0.2f);
}

// Metal: double kick in sixteenths (or eighths for thrash), snare on 2 and 4, crash on every
// beat, power chords in eighths.
void metal(song& s, double bpm, uint32_t seed, bool thrash) {
    start_song_at(s, bpm, bars_of_song, seed, {40, phrygian_scale}, {{0, 2}, {1, 2}, {0, 2}, {5, 2}});
    s.loudness_db = -11;
    drums d = kit(seed);
    drum_line(s, part_kick, 0, bars_of_song, thrash ? "x.x.x.x.x.x.x.x." : "xxxxxxxxxxxxxxxx", d.kick, 0.7f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "....x.......x...", d.snare, 0.7f, 0.1f);
    drum_line(s, part_hats, 0, bars_of_song, "x...x...x...x...", d.crash, 0.2f);
    chord_line(s, part_chords, 0, bars_of_song, "x.x.x.x.x.x.x.x.", guitar(), 0.3f, 52, 0.8f);
    bass_line(s, 0, bars_of_song, "r.r.r.r.r.r.r.r.", synth_bass(500, 500), 0.35f, 0.8f);
}

// A ballad: kick on 1, snare on 3 of a slow four, soft hats in eighths, keys in quarters and a
// slow melody.
void ballad(song& s, double bpm, uint32_t seed) {
    start_song_at(s, bpm, 16, seed, {60, major_scale}, {{0, 3}, {4, 3}, {5, 3}, {3, 3}});
    s.loudness_db = -18;
    drums d = kit(seed);
    drum_line(s, part_kick, 0, 16, "x.......x.....x.", d.kick, 0.7f, 0, true);
    drum_line(s, part_snare, 0, 16, "....x.......x...", d.snare, 0.4f, 0.4f);
    drum_line(s, part_hats, 0, 16, "g.g.g.g.g.g.g.g.", d.hat, 0.1f);
    chord_line(s, part_chords, 0, 16, "x---x---x---x---", electric_piano(), 0.3f, 64, 0.9f, 0.4f);
    bass_line(s, 0, 16, "r-------f-------", synth_bass(300, 500), 0.35f);
    melody_line(s, part_lead, 0, 16, "4-------3---2---" "1-----------0---", plain_lead(1500), 0.15f, 0, 0.9f, 0.4f, 0.3f);
}

// Eight bars of soft pad and a quiet, muffled arpeggio, then the band with a four-to-the-floor kick.
const int intro_bars = 8;
void quiet_intro(song& s) {
    start_song_at(s, 124, bars_of_song, 505, {62, minor_scale}, {{0, 3}, {5, 3}, {3, 3}, {4, 3}});
    drums d = kit(505);
    const int rest = bars_of_song - intro_bars;
    chord_line(s, part_pad, 0, bars_of_song, "x---------------", soft_pad(700), 0.3f, 60, 1.0f, 0.4f);
    patch soft = plain_lead(500);
    soft.attack = 0.03f;
    arp_line(s, part_arp, 0, intro_bars, "0.1.2.1.0.1.2.1.", soft, 0.04f, 67, 0.8f, 0.3f);
    drum_line(s, part_kick, intro_bars, rest, "x...x...x...x...", d.kick, 0.9f, 0, true);
    drum_line(s, part_snare, intro_bars, rest, "....x.......x...", d.snare, 0.5f, 0.2f);
    drum_line(s, part_hats, intro_bars, rest, "..o...o...o...o.", d.open_hat, 0.15f);
    bass_line(s, intro_bars, rest, "r.r.r.r.r.r.r.o.", synth_bass(500, 500), 0.45f, 0.8f);
    arp_line(s, part_arp, intro_bars, rest, "0.2.1.2.0.3.1.2.", plain_lead(1200), 0.12f, 67, 0.8f, 0.2f);
}

// A loud arpeggio and bass in dotted eighths (every third sixteenth, across the bar lines)
// over a backbeat: they repeat at 4:3 of the tempo.
void dotted_arp(song& s) {
    start_song_at(s, 96, bars_of_song, 606, {57, minor_scale}, {{0, 3}, {5, 3}, {3, 3}, {4, 3}});
    drums d = kit(606);
    drum_line(s, part_kick, 0, bars_of_song, "x.......x.......", d.kick, 0.5f, 0, true);
    drum_line(s, part_snare, 0, bars_of_song, "....x.......x...", d.snare, 0.3f, 0.2f);
    drum_line(s, part_hats, 0, bars_of_song, "g.g.g.g.g.g.g.g.", d.hat, 0.08f);
    bass_line(s, 0, bars_of_song, "r..r..o..r..r..o..r..r..f..r..r..f..r..r..o..r..", synth_bass(500, 900), 0.45f, 0.5f);
    arp_line(s, part_arp, 0, bars_of_song, "0..2..1..3..0..2..1..3..0..2..1..3..0..2..1..3..", pluck(1800, 4000), 0.9f,
             67, 0.8f, 0.1f);
}

struct entry {
    const char* name;
    const char* style;
    double bpm;
    int first_bar; // bar at which the drums come in
    void (*compose)(song&);
};

void metal_176(song& s) { metal(s, 176, 606, false); }
void metal_196(song& s) { metal(s, 196, 707, true); }
void metal_152(song& s) { metal(s, 152, 808, false); }
void ballad_64(song& s) { ballad(s, 64, 909); }
void ballad_78(song& s) { ballad(s, 78, 1010); }

const entry songs[] = {
    {"half-time-76", "half-time feel: snare on 3 only, sixteenth hats", 76, 0, half_time},
    {"shuffle-104", "shuffle: swung sixteenths, syncopated kick", 104, 0, shuffle},
    {"triplet-hats-92", "triplet hi-hats over a backbeat", 92, 0, triplet_hats},
    {"syncopated-116", "syncopated bass and kick between the beats", 116, 0, syncopated},
    {"metal-152", "metal, double kick in sixteenths", 152, 0, metal_152},
    {"metal-176", "metal, double kick in sixteenths", 176, 0, metal_176},
    {"thrash-196", "thrash metal, kick on every eighth, snare on 2 and 4", 196, 0, metal_196},
    {"ballad-64", "ballad, 64 bpm, hats in eighths", 64, 0, ballad_64},
    {"ballad-78", "ballad, 78 bpm, hats in eighths", 78, 0, ballad_78},
    {"quiet-intro-124", "eight bars of quiet pad before the drums", 124, intro_bars, quiet_intro},
    {"dotted-96", "dotted-eighth arpeggio and bass over a backbeat", 96, 0, dotted_arp},
};

} // namespace

int eval_song_count() { return (int)(sizeof(songs) / sizeof(songs[0])); }

const char* eval_song_name(int index) { return songs[index].name; }

eval_song render_eval_song(int index) {
    const entry& e = songs[index];
    song s;
    e.compose(s);
    eval_song out{e.name, e.style, e.bpm, e.first_bar * 4 * 60.0 / e.bpm, finish_song(s)};
    return out;
}

} // namespace music
