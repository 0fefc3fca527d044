// The instruments of the default show's music, shared by the songs that test tempo detection.
#include "data/music/patches.h"

namespace music {

patch electric_piano() {
    patch p;
    p.fm = 0.8f;
    p.fm_ratio = 1.0f;
    p.fm_index = 1.4f;
    p.fm_decay = 0.4f;
    p.fm_floor = 0.15f;
    p.sine = 0.25f;
    p.attack = 0.004f;
    p.decay = 0.9f;
    p.sustain = 0.3f;
    p.release = 0.25f;
    return p;
}

patch bell() {
    patch p;
    p.fm = 0.8f;
    p.fm_ratio = 3.5f;
    p.fm_index = 1.6f;
    p.fm_decay = 0.25f;
    p.fm_floor = 0.08f;
    p.sine = 0.35f;
    p.attack = 0.003f;
    p.decay = 0.6f;
    p.sustain = 0.0f;
    p.release = 0.4f;
    return p;
}

patch pad(float cutoff) {
    patch p;
    p.saw = 1.0f;
    p.unison = 5;
    p.detune = 22.0f;
    p.cutoff = cutoff;
    p.resonance = 0.05f;
    p.attack = 0.35f;
    p.decay = 1.5f;
    p.sustain = 0.8f;
    p.release = 0.7f;
    return p;
}

patch pluck(float cutoff, float env) {
    patch p;
    p.saw = 1.0f;
    p.square = 0.3f;
    p.unison = 2;
    p.detune = 8.0f;
    p.cutoff = cutoff;
    p.env_cutoff = env;
    p.filter_decay = 0.09f;
    p.resonance = 0.2f;
    p.attack = 0.003f;
    p.decay = 0.18f;
    p.sustain = 0.0f;
    p.release = 0.08f;
    return p;
}

patch round_bass() {
    patch p;
    p.sine = 1.0f;
    p.triangle = 0.35f;
    p.cutoff = 700.0f;
    p.attack = 0.006f;
    p.decay = 0.4f;
    p.sustain = 0.7f;
    p.release = 0.05f;
    return p;
}

patch sub_bass() {
    patch p;
    p.sine = 1.0f;
    p.triangle = 0.15f;
    p.attack = 0.01f;
    p.decay = 1.0f;
    p.sustain = 0.9f;
    p.release = 0.12f;
    return p;
}

patch synth_bass(float cutoff, float env) {
    patch p;
    p.saw = 0.8f;
    p.square = 0.3f;
    p.sub = 0.5f;
    p.cutoff = cutoff;
    p.env_cutoff = env;
    p.filter_decay = 0.1f;
    p.resonance = 0.3f;
    p.attack = 0.004f;
    p.decay = 0.25f;
    p.sustain = 0.6f;
    p.release = 0.04f;
    p.drive = 0.3f;
    return p;
}

patch acid_bass(float env) {
    patch p;
    p.saw = 1.0f;
    p.sub = 0.3f;
    p.cutoff = 220.0f;
    p.env_cutoff = env;
    p.filter_decay = 0.13f;
    p.resonance = 0.75f;
    p.drive = 0.8f;
    p.attack = 0.003f;
    p.decay = 0.2f;
    p.sustain = 0.5f;
    p.release = 0.03f;
    return p;
}

patch saw_lead(float cutoff) {
    patch p;
    p.saw = 1.0f;
    p.unison = 3;
    p.detune = 14.0f;
    p.cutoff = cutoff;
    p.env_cutoff = 1500.0f;
    p.filter_decay = 0.25f;
    p.resonance = 0.2f;
    p.vibrato_depth = 15.0f;
    p.vibrato_delay = 0.18f;
    p.attack = 0.012f;
    p.decay = 0.4f;
    p.sustain = 0.75f;
    p.release = 0.12f;
    return p;
}

patch square_lead(float cutoff) {
    patch p;
    p.square = 0.8f;
    p.saw = 0.2f;
    p.cutoff = cutoff;
    p.env_cutoff = 1200.0f;
    p.filter_decay = 0.2f;
    p.resonance = 0.15f;
    p.vibrato_depth = 18.0f;
    p.vibrato_delay = 0.15f;
    p.attack = 0.01f;
    p.decay = 0.3f;
    p.sustain = 0.7f;
    p.release = 0.1f;
    return p;
}

patch glass_lead() {
    patch p;
    p.square = 0.45f;
    p.triangle = 0.6f;
    p.cutoff = 2000.0f;
    p.env_cutoff = 800.0f;
    p.filter_decay = 0.3f;
    p.vibrato_depth = 12.0f;
    p.vibrato_delay = 0.25f;
    p.attack = 0.02f;
    p.decay = 0.5f;
    p.sustain = 0.6f;
    p.release = 0.2f;
    return p;
}

patch stab(float cutoff, float env) {
    patch p;
    p.saw = 1.0f;
    p.unison = 3;
    p.detune = 18.0f;
    p.cutoff = cutoff;
    p.env_cutoff = env;
    p.filter_decay = 0.09f;
    p.resonance = 0.25f;
    p.attack = 0.003f;
    p.decay = 0.16f;
    p.sustain = 0.0f;
    p.release = 0.06f;
    return p;
}

// Distorted power chords: a detuned saw stack driven hard.
patch guitar() {
    patch p;
    p.saw = 1.0f;
    p.square = 0.4f;
    p.unison = 3;
    p.detune = 12.0f;
    p.cutoff = 2600;
    p.resonance = 0.2f;
    p.drive = 2.5f;
    p.attack = 0.003f;
    p.decay = 0.3f;
    p.sustain = 0.8f;
    p.release = 0.05f;
    return p;
}

} // namespace music
