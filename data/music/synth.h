// Sound sources and effects of the default show's music generator.
//
// Everything here is plain, deterministic arithmetic: no clock, no system randomness. Noise
// comes from a xorshift generator with a fixed seed per sound, so one build renders the same
// samples every time.
//
// The music is made as one loop. A loop buffer is circular: a note or an echo that rings past
// the loop's end carries on at its start, so the loop joins to itself without a seam.
#pragma once
#include <stdint.h>

#include <vector>

namespace music {

constexpr int sample_rate = 22050;

// Deterministic white noise in -1..1.
struct noise_source {
    uint32_t state;
    explicit noise_source(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (float)(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }
};

// Adds `gain` × `sound` into the circular loop buffer `loop`, starting at sample `start`.
void mix_into_loop(std::vector<float>& loop, int64_t start, const std::vector<float>& sound, float gain);

// A pitched voice: oscillators, a resonant low-pass filter with its own envelope, and an
// attack / decay / sustain / release amplitude envelope. Attack and release are never shorter
// than a few milliseconds, so no note starts or stops with a step.
struct patch {
    // oscillator mix
    float saw = 0, square = 0, triangle = 0, sine = 0;
    float sub = 0;          // sine one octave below
    float noise = 0;        // white noise (breath)
    int unison = 1;         // detuned copies of the saw/square/triangle/sine mix
    float detune = 0;       // cents between the outermost copies
    // two-operator FM: a sine carrier at the note's pitch, modulated at fm_ratio × pitch
    float fm = 0, fm_ratio = 1, fm_index = 0, fm_decay = 0.3f, fm_floor = 0.2f;
    // amplitude envelope, seconds (sustain is a level)
    float attack = 0.005f, decay = 0.3f, sustain = 0.7f, release = 0.08f;
    // filter: cutoff in Hz (0: no filter), plus env_cutoff Hz at the note start that decays
    // with filter_decay seconds; key_track scales the cutoff with the pitch (1: follows it)
    float cutoff = 0, env_cutoff = 0, filter_decay = 0.2f, resonance = 0.1f, key_track = 0;
    // pitch: vibrato in cents, fading in after vibrato_delay seconds
    float vibrato_rate = 5.0f, vibrato_depth = 0, vibrato_delay = 0.2f;
    float drive = 0;        // tanh saturation after the filter
    float gain = 1.0f;
};

// One note of `p` at `freq` Hz, held `held` seconds (the release follows), at velocity `vel`.
std::vector<float> render_note(const patch& p, double freq, double held, float vel, uint32_t seed);

// Drum sounds, each rendered once at full velocity and scaled per hit.
struct kick_sound {
    float start_hz = 150, end_hz = 48, pitch_decay = 0.035f, decay = 0.3f, click = 0.2f,
          drive = 0.3f, length = 0.5f;
};
struct snare_sound {
    float tone_hz = 190, tone_decay = 0.06f, tone = 0.5f, noise_hz = 2400, noise_decay = 0.13f,
          noise = 0.8f, length = 0.35f;
};
struct clap_sound {
    float band_hz = 1200, decay = 0.12f, length = 0.35f;
};
struct hat_sound {
    float band_hz = 5600, highpass_hz = 3500, decay = 0.035f, attack = 0.0008f, length = 0.12f;
};
struct rim_sound {
    float tone_hz = 820, decay = 0.025f, length = 0.08f;
};

std::vector<float> render_kick(const kick_sound& k);
std::vector<float> render_snare(const snare_sound& s, uint32_t seed);
std::vector<float> render_clap(const clap_sound& c, uint32_t seed);
std::vector<float> render_hat(const hat_sound& h, uint32_t seed);
std::vector<float> render_rim(const rim_sound& r, uint32_t seed);
// Noise swelling through a rising band-pass over `seconds`, ending with a short release.
std::vector<float> render_riser(double seconds, uint32_t seed);

// Effects on a whole loop, circular: each runs over the loop more than once, so the state it
// carries over the loop's end is the state it has in steady play.
void loop_highpass(std::vector<float>& loop, double hz);
void loop_lowpass(std::vector<float>& loop, double hz);
// Feedback echo of `send`, `delay` samples apart, added to `out` with `wet`; `damp_hz` dulls
// each repeat.
void loop_echo(const std::vector<float>& send, std::vector<float>& out, int delay, float feedback,
               float wet, double damp_hz);
// A small room (parallel combs and series all-passes) of `send`, added to `out` with `wet`.
void loop_reverb(const std::vector<float>& send, std::vector<float>& out, float size, float wet,
                 double damp_hz);
// Lowers `loop` by up to `depth` right after each position in `hits`, recovering over
// `recover` seconds: the pumping of a side-chained compressor, without its lag.
void loop_duck(std::vector<float>& loop, const std::vector<int64_t>& hits, float depth, double recover);

} // namespace music
