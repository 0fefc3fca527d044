// The seven tracks of the default show.
//
// Every track is 16 bars of 4/4 (64 beats) in four sections of 4 bars, which the show plays
// three times over: a groove, a build that brings in the melody, the fullest section, and a
// break that thins out and leads back to the groove. Chords follow a 4- or 8-bar progression.
#include <math.h>

#include <algorithm>
#include <cstddef>

#include "data/music/music.h"
#include "data/music/patches.h"
#include "data/music/song.h"

namespace music {

namespace {

const track_info tracks[] = {
    {"01-glass-garden.wav", "Glass Garden", "F major, swung, soft keys and bells", 105, 0.15f, 0.15f},
    {"02-harbour-lights.wav", "Harbour Lights", "D major, four-to-the-floor house, pumping pads", 128, 0.85f, 0.18f},
    {"03-deep-water.wav", "Deep Water", "C minor, slow half-time, sub bass and dark pads", 100, 0.12f, 0.85f},
    {"04-foundry.wav", "Foundry", "F harmonic minor, driving techno, acid bass", 135, 0.88f, 0.85f},
    {"05-crossroads.wav", "Crossroads", "A Dorian, swung funk groove, electric piano", 120, 0.50f, 0.50f},
    {"06-paper-kites.wav", "Paper Kites", "G major, bouncy pop, square lead", 112, 0.48f, 0.10f},
    {"07-undertow.wav", "Undertow", "E Phrygian, steady pulse, arpeggios in the dark", 125, 0.52f, 0.90f},
};
constexpr int count = (int)(sizeof(tracks) / sizeof(tracks[0]));

// ---- the tracks ----

void glass_garden(song& s) {
    start_song(s, 0, {65, major_scale}, {{0, 4}, {5, 4}, {3, 4}, {4, 3}}); // Fmaj7 Dm7 Bbmaj7 C
    s.swing = 0.12;
    s.bass_floor = 36;
    s.loudness_db = -16.5f;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.38f;
    //              kick  snare hats  bass   chords pad   lead   arp   fx
    set_levels(s, {1.0f, 3.4f, 2.4f, 0.85f, 0.9f, 0.9f, 1.25f, 2.9f, 1.0f});

    const auto kick = render_kick({.start_hz = 115, .end_hz = 50, .pitch_decay = 0.03f, .decay = 0.22f,
                                   .click = 0.05f, .drive = 0.1f, .length = 0.4f});
    const auto rim = render_rim({.tone_hz = 900, .decay = 0.02f, .length = 0.07f}, 11);
    const auto shaker = render_hat(
        {.band_hz = 4600, .highpass_hz = 2600, .decay = 0.05f, .attack = 0.007f, .length = 0.14f}, 12);
    const auto hat = render_hat(
        {.band_hz = 5200, .highpass_hz = 3400, .decay = 0.03f, .attack = 0.001f, .length = 0.1f}, 13);
    const patch keys = electric_piano();
    const patch bass = round_bass();

    const char* melody_a = "4---2---4-5-7---" "5-------4---2---" "3---2---3-5-4---" "4-----------....";
    const char* melody_b = "7---9---7---6-4-" "5---7---9-------" "8---7---5---3---" "4-------6---4---";

    // Groove: keys, bass, kick and shaker.
    chord_line(s, part_chords, 0, 4, "x-----x-----x---", keys, 0.4f, 62, 0.9f, 0.25f);
    bass_line(s, 0, 4, "r-----r-----f---", bass, 0.45f);
    drum_line(s, part_kick, 0, 4, "x.........x.....", kick, 0.7f, 0, true);
    drum_line(s, part_hats, 0, 8, "g.o.g.o.g.o.g.o.", shaker, 0.22f);
    // Build: the bells' melody and a rim on the back beat.
    chord_line(s, part_chords, 4, 4, "x-----x-----x---", keys, 0.45f, 62, 0.9f, 0.25f);
    bass_line(s, 4, 4, "r-----r-----f---", bass, 0.55f);
    drum_line(s, part_kick, 4, 4, "x.........x.....", kick, 0.8f, 0, true);
    drum_line(s, part_snare, 4, 4, "....o.......o...", rim, 0.3f, 0.3f);
    melody_line(s, part_lead, 4, 4, melody_a, bell(), 0.35f, 0, 0.9f, 0.2f, 0.3f);
    // Full: pad, plucked arpeggio, a busier kick, hats and the second melody.
    chord_line(s, part_chords, 8, 4, "x-----x-----x---", keys, 0.5f, 62, 0.9f, 0.25f);
    bass_line(s, 8, 4, "r-----r---f-o---", bass, 0.55f);
    drum_line(s, part_kick, 8, 4, "x.....x...x.....", kick, 0.85f, 0, true);
    drum_line(s, part_snare, 8, 4, "....x.......x...", rim, 0.3f, 0.3f);
    drum_line(s, part_hats, 8, 4, "gogogogogogogogo", shaker, 0.22f);
    drum_line(s, part_hats, 8, 4, "..o...o...o...o.", hat, 0.12f);
    melody_line(s, part_lead, 8, 4, melody_b, bell(), 0.35f, 0, 0.9f, 0.2f, 0.3f);
    chord_line(s, part_pad, 8, 4, "x---------------", pad(1200), 0.35f, 60, 1.0f, 0.3f);
    arp_line(s, part_arp, 8, 4, "0.1.2.3.2.1.2.3.", pluck(700, 2500), 0.18f, 67, 0.8f, 0.1f, 0.25f);
    // Break: no kick; keys and pad hold, the first melody echoes, a rim leads back in.
    chord_line(s, part_chords, 12, 4, "x-----x---------", keys, 0.38f, 62, 0.9f, 0.3f);
    bass_line(s, 12, 4, "r---------------", bass, 0.3f);
    drum_line(s, part_hats, 12, 4, "g...g.o.g...g.o.", shaker, 0.18f);
    drum_line(s, part_snare, 15, 1, "....o.......o.oo", rim, 0.3f, 0.3f);
    melody_line(s, part_lead, 12, 4, melody_a, bell(), 0.25f, 0, 0.9f, 0.3f, 0.45f);
    chord_line(s, part_pad, 12, 4, "x---------------", pad(1000), 0.3f, 60, 1.0f, 0.3f);
}

void harbour_lights(song& s) {
    start_song(s, 1, {62, major_scale}, {{0, 3}, {4, 3}, {5, 3}, {3, 3}}); // D A Bm G
    s.bass_floor = 33;
    s.duck_depth = 0.55f;
    s.duck_recover = 0.22;
    s.loudness_db = -14.0f;
    s.echo_beats = 0.75;
    //              kick  snare hats  bass  chords pad    lead   arp   fx
    set_levels(s, {0.9f, 2.4f, 2.2f, 1.1f, 2.5f, 0.75f, 1.33f, 2.6f, 1.6f});

    const auto kick = render_kick({.start_hz = 160, .end_hz = 50, .pitch_decay = 0.03f, .decay = 0.28f,
                                   .click = 0.25f, .drive = 0.4f, .length = 0.45f});
    const auto clap = render_clap({.band_hz = 1300, .decay = 0.11f, .length = 0.3f}, 21);
    const auto open_hat = render_hat(
        {.band_hz = 5400, .highpass_hz = 3200, .decay = 0.12f, .attack = 0.002f, .length = 0.3f}, 22);
    const auto closed_hat = render_hat(
        {.band_hz = 5800, .highpass_hz = 3800, .decay = 0.028f, .attack = 0.0008f, .length = 0.09f}, 23);
    const auto shaker = render_hat(
        {.band_hz = 4800, .highpass_hz = 2800, .decay = 0.04f, .attack = 0.006f, .length = 0.12f}, 24);

    const char* melody_a = "7---9---7-4---2-" "6---4---8---6---" "7---5---9---7---" "5---7---3---4---";
    const char* melody_b = "a---9---7---9---" "8---6---4---6---" "9---7---5---7---" "5---7---a---9---";

    // Groove: kick, off-beat hats and bass under a filtered pad.
    drum_line(s, part_kick, 0, 12, "x...x...x...x...", kick, 0.9f, 0, true);
    drum_line(s, part_hats, 0, 12, "..o...o...o...o.", open_hat, 0.16f);
    bass_line(s, 0, 4, "..r...r...r...r.", synth_bass(250, 500), 0.45f);
    chord_line(s, part_pad, 0, 4, "x---------------", pad(1100), 0.34f, 62, 1.0f, 0.2f);
    // Build: clap, shaker, an arpeggio and the first melody, rising into the full section.
    drum_line(s, part_snare, 4, 8, "....x.......x...", clap, 0.42f, 0.25f);
    drum_line(s, part_hats, 4, 8, "g.o.g.o.g.o.g.o.", shaker, 0.14f);
    bass_line(s, 4, 4, "..r...r...r...r.", synth_bass(350, 900), 0.5f);
    chord_line(s, part_pad, 4, 4, "x---------------", pad(1500), 0.36f, 62, 1.0f, 0.2f);
    arp_line(s, part_arp, 4, 4, "0.1.2.3.0.1.2.3.", pluck(900, 3500), 0.16f, 74, 0.8f, 0.1f, 0.2f);
    melody_line(s, part_lead, 4, 4, melody_a, saw_lead(1200), 0.22f, 0, 0.9f, 0.15f, 0.2f);
    riser(s, 8, 4, 0.22f);
    // Full: stabs, sixteenth hats and arpeggio, the second melody.
    drum_line(s, part_hats, 8, 4, "gogogogogogogogo", closed_hat, 0.12f);
    bass_line(s, 8, 4, "..r..or...r..or.", synth_bass(400, 1100), 0.52f);
    chord_line(s, part_pad, 8, 4, "x---------------", pad(1800), 0.38f, 62, 1.0f, 0.2f);
    chord_line(s, part_chords, 8, 4, "..x..x....x..x..", stab(800, 2600), 0.3f, 66, 0.8f, 0.15f, 0.2f);
    arp_line(s, part_arp, 8, 4, "0123212301232123", pluck(900, 3500), 0.15f, 74, 0.8f, 0.1f, 0.2f);
    melody_line(s, part_lead, 8, 4, melody_b, saw_lead(2200), 0.28f, 0, 0.9f, 0.15f, 0.2f);
    // Break: no kick or bass; pad, arpeggio and the first melody in the distance, a clap roll.
    drum_line(s, part_hats, 12, 4, "..g...g...g...g.", shaker, 0.12f);
    drum_line(s, part_snare, 15, 1, "g.g.o.o.oooxxxXX", clap, 0.35f, 0.25f);
    chord_line(s, part_pad, 12, 4, "x---------------", pad(1400), 0.4f, 62, 1.0f, 0.3f);
    arp_line(s, part_arp, 12, 4, "0123212301232123", pluck(600, 2000), 0.13f, 74, 0.8f, 0.15f, 0.3f);
    melody_line(s, part_lead, 12, 4, melody_a, saw_lead(1000), 0.2f, 0, 0.9f, 0.25f, 0.35f);
    riser(s, 16, 4, 0.25f);
}

void deep_water(song& s) {
    start_song(s, 2, {60, minor_scale},
               {{0, 4}, {0, 4}, {5, 4}, {5, 4}, {3, 4}, {3, 4}, {4, 4}, {4, 4}}); // Cm7 Abmaj7 Fm7 Gm7
    s.bass_floor = 31;
    s.loudness_db = -17.0f;
    s.reverb_size = 0.84f;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.45f;
    s.echo_damp_hz = 1800;
    //              kick  snare hats  bass  chords pad   lead  arp   fx
    set_levels(s, {1.1f, 6.3f, 4.2f, 0.8f, 1.0f, 1.0f, 1.5f, 4.6f, 1.0f});

    const auto kick = render_kick({.start_hz = 100, .end_hz = 42, .pitch_decay = 0.04f, .decay = 0.35f,
                                   .click = 0.02f, .drive = 0.05f, .length = 0.55f});
    const auto ticks = render_hat(
        {.band_hz = 5000, .highpass_hz = 3300, .decay = 0.02f, .attack = 0.001f, .length = 0.06f}, 31);
    const auto snap = render_snare({.tone_hz = 220, .tone_decay = 0.03f, .tone = 0.2f, .noise_hz = 1800,
                                    .noise_decay = 0.09f, .noise = 0.7f, .length = 0.25f}, 32);

    patch dark_pad = pad(700);
    dark_pad.detune = 16.0f;
    dark_pad.attack = 0.6f;
    dark_pad.decay = 2.0f;
    dark_pad.sustain = 0.85f;
    dark_pad.release = 1.2f;

    const char* melody = "7-----6-4-------" "........2---3---" "4-----2-0-------" "..........0-1-2-"
                         "3-----2-0-------" "........5---3---" "4-----6-8-------" "6-------4-------";

    // Groove: pad, sub bass, a soft half-time kick and ticks.
    chord_line(s, part_pad, 0, 4, "x-------------------------------", dark_pad, 0.42f, 60, 1.0f, 0.35f);
    bass_line(s, 0, 4, "r-----------r---", sub_bass(), 0.6f);
    drum_line(s, part_kick, 0, 8, "x.........x.....", kick, 0.8f, 0, true);
    drum_line(s, part_hats, 0, 8, "..g...g...g...g.", ticks, 0.2f);
    // Build: a snap on the third beat and the bells' melody.
    chord_line(s, part_pad, 4, 4, "x-------------------------------", dark_pad, 0.45f, 60, 1.0f, 0.35f);
    bass_line(s, 4, 4, "r-----------r---", sub_bass(), 0.7f);
    drum_line(s, part_snare, 4, 8, "........x.......", snap, 0.35f, 0.5f);
    melody_line(s, part_lead, 4, 4, melody, bell(), 0.32f, 0, 0.9f, 0.3f, 0.4f);
    // Full: a deep arpeggio, more kick and ticks.
    chord_line(s, part_pad, 8, 4, "x-------------------------------", dark_pad, 0.5f, 60, 1.0f, 0.35f);
    bass_line(s, 8, 4, "r-----------r-o-", sub_bass(), 0.75f);
    drum_line(s, part_kick, 8, 4, "x.........x..x..", kick, 0.85f, 0, true);
    drum_line(s, part_hats, 8, 4, "..o.g.o...o.g.o.", ticks, 0.2f);
    melody_line(s, part_lead, 8, 4, melody, bell(), 0.36f, 0, 0.9f, 0.3f, 0.4f);
    arp_line(s, part_arp, 8, 4, "0.1.2.3.1.2.3.2.", pluck(500, 1500), 0.16f, 67, 0.8f, 0.2f, 0.3f);
    // Break: the bass and kick leave; pad, bells and their echoes float.
    chord_line(s, part_pad, 12, 4, "x-------------------------------", dark_pad, 0.45f, 60, 1.0f, 0.4f);
    drum_line(s, part_hats, 12, 4, "..g...g...g...g.", ticks, 0.16f);
    melody_line(s, part_lead, 12, 4, melody, bell(), 0.28f, 0, 0.9f, 0.4f, 0.55f);
}

void foundry(song& s) {
    start_song(s, 3, {65, harmonic_minor_scale},
               {{0, 3}, {0, 3}, {5, 3}, {5, 3}, {3, 3}, {3, 3}, {4, 3}, {4, 3}}); // Fm Db Bbm C
    s.bass_floor = 34;
    s.duck_depth = 0.5f;
    s.duck_recover = 0.18;
    s.loudness_db = -14.0f;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.4f;
    //              kick  snare hats  bass  chords pad    lead  arp   fx
    set_levels(s, {0.8f, 2.7f, 2.1f, 1.0f, 2.8f, 0.85f, 1.0f, 4.6f, 1.4f});

    const auto kick = render_kick({.start_hz = 170, .end_hz = 45, .pitch_decay = 0.028f, .decay = 0.3f,
                                   .click = 0.3f, .drive = 0.7f, .length = 0.45f});
    const auto clap = render_clap({.band_hz = 1100, .decay = 0.13f, .length = 0.32f}, 41);
    const auto closed_hat = render_hat(
        {.band_hz = 6000, .highpass_hz = 3800, .decay = 0.025f, .attack = 0.0008f, .length = 0.08f}, 42);
    const auto open_hat = render_hat(
        {.band_hz = 5200, .highpass_hz = 3200, .decay = 0.15f, .attack = 0.002f, .length = 0.35f}, 43);
    const auto perc = render_rim({.tone_hz = 1200, .decay = 0.02f, .length = 0.06f}, 44);
    const auto snare = render_snare({}, 45);
    const char* roll = ".rro.rrr.rro.rfr";

    patch dark_pad = pad(900);
    dark_pad.attack = 0.5f;

    // Groove: kick, clap, hats and a closed-down acid line.
    drum_line(s, part_kick, 0, 12, "x...x...x...x...", kick, 0.95f, 0, true);
    drum_line(s, part_snare, 0, 12, "....x.......x...", clap, 0.4f, 0.3f);
    drum_line(s, part_hats, 0, 8, "g.o.g.o.g.o.g.o.", closed_hat, 0.14f);
    bass_line(s, 0, 4, roll, acid_bass(1200), 0.4f, 0.7f);
    // Build: open hats and dark stabs; the acid line opens up.
    drum_line(s, part_hats, 4, 8, "..o...o...o...o.", open_hat, 0.15f);
    bass_line(s, 4, 4, roll, acid_bass(2200), 0.42f, 0.7f);
    chord_line(s, part_chords, 4, 8, "......x.......x.", stab(500, 2000), 0.3f, 62, 0.7f, 0.15f, 0.35f);
    riser(s, 8, 4, 0.2f);
    // Full: the riff, percussion and sixteenth hats.
    drum_line(s, part_hats, 8, 4, "gogogogogogogogo", closed_hat, 0.13f);
    drum_line(s, part_hats, 8, 4, "...o..o....o..o.", perc, 0.16f, 0.2f);
    bass_line(s, 8, 4, roll, acid_bass(3000), 0.42f, 0.7f);
    arp_line(s, part_arp, 8, 4, "0.0.2.0.1.2.3.2.", pluck(700, 3000), 0.2f, 72, 0.8f, 0.1f, 0.3f);
    // Break: no kick; a dark pad, the muffled riff, a snare roll and a long riser.
    drum_line(s, part_hats, 12, 4, "g.o.g.o.g.o.g.o.", closed_hat, 0.1f);
    drum_line(s, part_snare, 15, 1, "o...o...o.o.oxxX", snare, 0.3f, 0.3f);
    bass_line(s, 12, 4, roll, acid_bass(900), 0.36f, 0.7f);
    arp_line(s, part_arp, 12, 4, "0.0.2.0.1.2.3.2.", pluck(450, 1200), 0.18f, 72, 0.8f, 0.2f, 0.4f);
    chord_line(s, part_pad, 12, 4, "x---------------", dark_pad, 0.4f, 60, 1.0f, 0.3f);
    riser(s, 16, 8, 0.25f);
}

void crossroads(song& s) {
    start_song(s, 4, {57, dorian_scale},
               {{0, 4}, {3, 4}, {0, 4}, {3, 4}, {2, 4}, {1, 4}, {4, 4}, {3, 4}}); // Am7 D7 .. Cmaj7 Bm7 Em7 D7
    s.swing = 0.16;
    s.bass_floor = 33;
    s.loudness_db = -15.5f;
    s.echo_beats = 0.5;
    s.echo_feedback = 0.3f;
    //              kick  snare hats  bass   chords pad   lead   arp   fx
    set_levels(s, {0.8f, 1.7f, 2.2f, 0.85f, 0.52f, 0.8f, 1.1f, 1.0f, 1.0f});

    const auto kick = render_kick({.start_hz = 135, .end_hz = 48, .pitch_decay = 0.03f, .decay = 0.26f,
                                   .click = 0.15f, .drive = 0.25f, .length = 0.4f});
    const auto snare = render_snare({.tone_hz = 200, .tone_decay = 0.05f, .tone = 0.45f, .noise_hz = 2600,
                                     .noise_decay = 0.12f, .noise = 0.75f, .length = 0.3f}, 51);
    const auto hat = render_hat(
        {.band_hz = 5600, .highpass_hz = 3500, .decay = 0.03f, .attack = 0.0008f, .length = 0.1f}, 52);
    const auto open_hat = render_hat(
        {.band_hz = 5200, .highpass_hz = 3200, .decay = 0.14f, .attack = 0.002f, .length = 0.32f}, 53);
    const auto shaker = render_hat(
        {.band_hz = 4500, .highpass_hz = 2700, .decay = 0.045f, .attack = 0.006f, .length = 0.12f}, 54);
    const auto conga = render_rim({.tone_hz = 330, .decay = 0.06f, .length = 0.16f}, 55);
    const patch keys = electric_piano();
    const patch bass = synth_bass(400, 800);
    const char* comping = "x-....x-..x-....";

    // The melody follows the 8-bar progression: its first half over Am7 D7, its second over
    // Cmaj7 Bm7 Em7 D7.
    const char* melody = "4---6-7-4-------" "5---4---3---2---" "0---2---4-6-4---" "5-------3-------"
                         "9---7---6---4---" "8---5---3---1---" "4-----6-4---1---" "3-------5---7---";

    // Groove: kick, snare with a ghost note, swung hats, bass and electric piano.
    drum_line(s, part_kick, 0, 12, "x......x..x.....", kick, 0.85f, 0, true);
    drum_line(s, part_snare, 0, 12, "....x..g....x...", snare, 0.4f, 0.15f);
    drum_line(s, part_hats, 0, 12, "xgogxgogxgogxgog", hat, 0.13f);
    bass_line(s, 0, 12, "r-..r.o.r-..f.o.", bass, 0.5f, 0.7f);
    chord_line(s, part_chords, 0, 4, comping, keys, 0.45f, 64, 0.9f, 0.2f);
    // Build: shaker and the lead.
    drum_line(s, part_hats, 4, 8, "g.o.g.o.g.o.g.o.", shaker, 0.12f);
    chord_line(s, part_chords, 4, 8, comping, keys, 0.5f, 64, 0.9f, 0.2f);
    melody_line(s, part_lead, 4, 4, melody, saw_lead(1600), 0.25f, 0, 0.9f, 0.15f, 0.2f);
    // Full: pad, congas, an open hat and the melody's first half, brighter.
    drum_line(s, part_hats, 8, 4, "..............o.", open_hat, 0.14f);
    drum_line(s, part_snare, 8, 4, "..o..o....o.oo..", conga, 0.25f, 0.1f);
    chord_line(s, part_pad, 8, 4, "x---------------", pad(1500), 0.3f, 62, 1.0f, 0.25f);
    melody_line(s, part_lead, 8, 4, melody, saw_lead(2000), 0.28f, 0, 0.9f, 0.15f, 0.2f);
    // Break: no kick; keys, pad and the lead's second half, long bass notes, a snare fill.
    drum_line(s, part_hats, 12, 4, "x.g.x.g.x.g.x.g.", hat, 0.1f);
    drum_line(s, part_snare, 15, 1, "....x...o.o.x.xx", snare, 0.38f, 0.15f);
    bass_line(s, 12, 4, "r-------r-------", bass, 0.36f, 0.9f);
    chord_line(s, part_chords, 12, 4, comping, keys, 0.42f, 64, 0.9f, 0.3f);
    chord_line(s, part_pad, 12, 4, "x---------------", pad(1200), 0.28f, 62, 1.0f, 0.3f);
    melody_line(s, part_lead, 12, 4, melody, saw_lead(1200), 0.2f, 0, 0.9f, 0.25f, 0.35f);
}

void paper_kites(song& s) {
    start_song(s, 5, {67, major_scale}, {{0, 3}, {5, 3}, {3, 3}, {4, 3}}); // G Em C D
    s.bass_floor = 36;
    s.loudness_db = -15.0f;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.3f;
    //              kick  snare hats  bass  chords pad    lead  arp   fx
    set_levels(s, {0.8f, 1.5f, 2.7f, 0.8f, 2.3f, 0.75f, 1.4f, 1.6f, 2.2f});

    const auto kick = render_kick({.start_hz = 140, .end_hz = 50, .pitch_decay = 0.03f, .decay = 0.25f,
                                   .click = 0.15f, .drive = 0.3f, .length = 0.4f});
    const auto snare = render_snare({.tone_hz = 210, .tone_decay = 0.06f, .tone = 0.5f, .noise_hz = 2800,
                                     .noise_decay = 0.14f, .noise = 0.8f, .length = 0.33f}, 61);
    const auto clap = render_clap({.band_hz = 1400, .decay = 0.1f, .length = 0.28f}, 62);
    const auto hat = render_hat(
        {.band_hz = 5600, .highpass_hz = 3500, .decay = 0.03f, .attack = 0.0008f, .length = 0.1f}, 63);
    const auto open_hat = render_hat(
        {.band_hz = 5200, .highpass_hz = 3200, .decay = 0.13f, .attack = 0.002f, .length = 0.3f}, 64);
    patch guitar = pluck(1200, 3000);
    guitar.decay = 0.25f;
    const patch bass = synth_bass(500, 900);

    const char* melody_a = "4-2-0---2-4-7---" "5---4---2-------" "3-2-3-5-7---5---" "6---4---1---4---";
    const char* melody_b = "7---7-8-9---7---" "9---8---7---5---" "a---9---7---5---" "8-------6---8---";

    // Groove: a pop beat, bass and off-beat guitar-like plucks.
    drum_line(s, part_kick, 0, 12, "x.......x.x.....", kick, 0.85f, 0, true);
    drum_line(s, part_snare, 0, 12, "....x.......x...", snare, 0.4f, 0.15f);
    drum_line(s, part_hats, 0, 8, "x.o.x.o.x.o.x.o.", hat, 0.12f);
    bass_line(s, 0, 4, "r---r-r-r---o-r-", bass, 0.45f, 0.85f);
    chord_line(s, part_chords, 0, 4, "..x...x...x...x.", guitar, 0.26f, 64, 0.8f, 0.15f);
    // Build: the first melody.
    bass_line(s, 4, 4, "r---r-r-r---o-r-", bass, 0.5f, 0.85f);
    chord_line(s, part_chords, 4, 4, "..x...x...x...x.", guitar, 0.3f, 64, 0.8f, 0.15f);
    melody_line(s, part_lead, 4, 4, melody_a, square_lead(2600), 0.24f, 0, 0.9f, 0.15f, 0.2f);
    // Full: clap on the snare, sixteenth hats, pad, a high arpeggio and the second melody.
    drum_line(s, part_snare, 8, 4, "....x.......x...", clap, 0.25f, 0.2f);
    drum_line(s, part_hats, 8, 4, "xoxoxoxoxoxoxoxo", hat, 0.1f);
    drum_line(s, part_hats, 8, 4, "..............o.", open_hat, 0.14f);
    bass_line(s, 8, 4, "r---r-r-r-r-o-r-", bass, 0.52f, 0.85f);
    chord_line(s, part_chords, 8, 4, "..x...x...x...x.", guitar, 0.3f, 64, 0.8f, 0.15f);
    chord_line(s, part_pad, 8, 4, "x---------------", pad(2000), 0.3f, 60, 1.0f, 0.25f);
    arp_line(s, part_arp, 8, 4, "0.1.2.1.0.1.2.1.", pluck(1500, 3000), 0.12f, 79, 0.7f, 0.1f, 0.25f);
    melody_line(s, part_lead, 8, 4, melody_b, square_lead(3000), 0.26f, 0, 0.9f, 0.15f, 0.2f);
    // Break: no kick or bass; plucks, pad and the first melody, then a snare roll.
    drum_line(s, part_hats, 12, 3, "..o...o...o...o.", hat, 0.1f);
    drum_line(s, part_snare, 15, 1, "g.g.o.o.oooxxxXX", snare, 0.35f, 0.15f);
    chord_line(s, part_chords, 12, 4, "..x...x...x...x.", guitar, 0.28f, 64, 0.8f, 0.2f);
    chord_line(s, part_pad, 12, 4, "x---------------", pad(1500), 0.3f, 60, 1.0f, 0.3f);
    melody_line(s, part_lead, 12, 4, melody_a, square_lead(1500), 0.2f, 0, 0.9f, 0.25f, 0.35f);
    riser(s, 16, 4, 0.2f);
}

void undertow(song& s) {
    start_song(s, 6, {64, phrygian_scale}, {{0, 3}, {1, 4}, {6, 4}, {0, 4}}); // Em Fmaj7 Dm7 Em7
    s.bass_floor = 33;
    s.duck_depth = 0.35f;
    s.duck_recover = 0.2;
    s.loudness_db = -15.5f;
    s.reverb_size = 0.82f;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.4f;
    //              kick  snare hats  bass  chords pad    lead  arp   fx
    set_levels(s, {1.0f, 3.0f, 2.7f, 0.9f, 1.0f, 0.85f, 1.7f, 2.9f, 2.0f});

    const auto kick = render_kick({.start_hz = 130, .end_hz = 45, .pitch_decay = 0.035f, .decay = 0.3f,
                                   .click = 0.1f, .drive = 0.2f, .length = 0.45f});
    const auto clap = render_clap({.band_hz = 1000, .decay = 0.14f, .length = 0.35f}, 71);
    const auto hat = render_hat(
        {.band_hz = 5400, .highpass_hz = 3400, .decay = 0.03f, .attack = 0.0008f, .length = 0.1f}, 72);
    const auto open_hat = render_hat(
        {.band_hz = 5000, .highpass_hz = 3000, .decay = 0.12f, .attack = 0.002f, .length = 0.3f}, 73);
    patch bass = synth_bass(300, 500);
    bass.sub = 0.8f;
    const patch arp = pluck(600, 2000);
    const patch muffled_arp = pluck(450, 1200);
    const char* arp_eighths = "0.2.1.2.0.3.1.2.";

    const char* melody_a = "4---------3-4---" "5---------4-3---" "3-------1-----2-" "0---------------";
    const char* melody_b = "7---8---7---4---" "8---7---5---3---" "6---5---3---1---" "2---0-----------";

    // Groove: kick, off-beat hats, a pulsing bass and a muffled arpeggio under the pad.
    drum_line(s, part_kick, 0, 12, "x...x...x...x...", kick, 0.85f, 0, true);
    drum_line(s, part_hats, 0, 8, "..o...o...o...o.", open_hat, 0.13f);
    bass_line(s, 0, 4, "r.r.r.r.r.r.r.o.", bass, 0.42f, 0.8f);
    chord_line(s, part_pad, 0, 4, "x---------------", pad(800), 0.34f, 60, 1.0f, 0.35f);
    arp_line(s, part_arp, 0, 4, arp_eighths, muffled_arp, 0.18f, 67, 0.8f, 0.15f, 0.3f);
    // Build: clap in the room, the arpeggio opens, the first melody.
    drum_line(s, part_snare, 4, 8, "....x.......x...", clap, 0.35f, 0.5f);
    bass_line(s, 4, 8, "r.r.r.r.r.r.r.o.", bass, 0.5f, 0.8f);
    chord_line(s, part_pad, 4, 4, "x---------------", pad(900), 0.36f, 60, 1.0f, 0.35f);
    arp_line(s, part_arp, 4, 4, arp_eighths, arp, 0.2f, 67, 0.8f, 0.15f, 0.3f);
    melody_line(s, part_lead, 4, 4, melody_a, glass_lead(), 0.26f, 0, 0.92f, 0.25f, 0.35f);
    // Full: sixteenth arpeggio, closed hats and the second melody.
    drum_line(s, part_hats, 8, 4, "g.o.g.o.g.o.g.o.", hat, 0.13f);
    drum_line(s, part_hats, 8, 4, "..o...o...o...o.", open_hat, 0.12f);
    chord_line(s, part_pad, 8, 4, "x---------------", pad(1000), 0.38f, 60, 1.0f, 0.35f);
    arp_line(s, part_arp, 8, 4, "0212031202120312", arp, 0.18f, 67, 0.8f, 0.15f, 0.3f);
    melody_line(s, part_lead, 8, 4, melody_b, glass_lead(), 0.28f, 0, 0.92f, 0.25f, 0.35f);
    // Break: no kick; pad, long bass notes, the muffled arpeggio and the first melody.
    drum_line(s, part_hats, 12, 4, "..g...g...g...g.", hat, 0.1f);
    bass_line(s, 12, 4, "r-------r-------", bass, 0.34f, 0.9f);
    chord_line(s, part_pad, 12, 4, "x---------------", pad(900), 0.38f, 60, 1.0f, 0.4f);
    arp_line(s, part_arp, 12, 4, arp_eighths, muffled_arp, 0.16f, 67, 0.8f, 0.2f, 0.4f);
    melody_line(s, part_lead, 12, 4, melody_a, glass_lead(), 0.22f, 0, 0.92f, 0.3f, 0.45f);
    riser(s, 16, 8, 0.2f);
}

void (*const composers[])(song&) = {glass_garden, harbour_lights, deep_water, foundry,
                                    crossroads,   paper_kites,    undertow};
static_assert(sizeof(composers) / sizeof(composers[0]) == count, "one composition per track");

} // namespace

int track_count() { return count; }

const track_info& track_at(int index) { return tracks[index]; }

int64_t loop_samples(int index) { return llround(loop_beats * 60.0 * sample_rate / tracks[index].bpm); }

int64_t tail_samples(int index) { return llround(tail_beats * 60.0 * sample_rate / tracks[index].bpm); }

rendering render_track(int index) {
    song s;
    composers[index](s);
    rendering r;
    r.pcm = finish_song(s);
    // The tail goes on as the loop's start does: the loop is circular, so it is that start.
    const std::vector<int16_t> start(r.pcm.begin(), r.pcm.begin() + (std::ptrdiff_t)tail_samples(index));
    r.pcm.insert(r.pcm.end(), start.begin(), start.end());
    r.onsets = std::move(s.onsets);
    std::sort(r.onsets.begin(), r.onsets.end());
    return r;
}

} // namespace music
