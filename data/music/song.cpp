#include "data/music/song.h"

#include <math.h>
#include <string.h>

#include <algorithm>

namespace music {

const int major_scale[7] = {0, 2, 4, 5, 7, 9, 11};
const int minor_scale[7] = {0, 2, 3, 5, 7, 8, 10};
const int dorian_scale[7] = {0, 2, 3, 5, 7, 9, 10};
const int phrygian_scale[7] = {0, 1, 3, 5, 7, 8, 10};
const int harmonic_minor_scale[7] = {0, 2, 3, 5, 7, 8, 11};

namespace {

int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int degree_note(const key& k, int degree) {
    int octave = floor_div(degree, 7);
    return k.tonic + 12 * octave + k.steps[degree - 7 * octave];
}

double midi_hz(double note) { return 440.0 * pow(2.0, (note - 69.0) / 12.0); }

const chord& chord_of(const song& s, int bar) { return s.progression[(size_t)bar % s.progression.size()]; }

// The chord's tones, each moved by octaves into [center - 6, center + 6), lowest first.
std::vector<int> voiced_chord(const song& s, int bar, int center) {
    const chord& c = chord_of(s, bar);
    std::vector<int> tones;
    for (int j = 0; j < c.size; ++j) {
        int n = degree_note(s.k, c.degree + 2 * j);
        while (n < center - 6) n += 12;
        while (n >= center + 6) n -= 12;
        tones.push_back(n);
    }
    std::sort(tones.begin(), tones.end());
    return tones;
}

// One note or hit of a pattern: where it starts and how many steps it lasts.
struct step_event {
    int bar;
    int step; // 0..15
    int steps;
    char symbol;
};

std::vector<step_event> parse_pattern(int bar, int bars, const char* pattern) {
    const int chunks = std::max(1, (int)strlen(pattern) / 16);
    std::vector<step_event> events;
    const int total = bars * 16;
    // Bar b of the loop reads chunk b mod chunks: a pattern stays aligned with the loop's bars
    // (and with the chord progression) wherever it starts.
    auto symbol_at = [&](int i) { return pattern[(size_t)(((bar + i / 16) % chunks) * 16 + i % 16)]; };
    for (int i = 0; i < total; ++i) {
        char c = symbol_at(i);
        if (c == '.' || c == '-') continue;
        int j = i + 1;
        while (j < total && symbol_at(j) == '-') ++j;
        events.push_back({bar + i / 16, i % 16, j - i, c});
    }
    return events;
}

float drum_velocity(char c) {
    switch (c) {
    case 'X': return 1.0f;
    case 'x': return 0.8f;
    case 'o': return 0.55f;
    case 'g': return 0.32f;
    default: return 0.0f;
    }
}

// A small deterministic variation in 0..1 for a position.
float jitter(int64_t position) {
    uint32_t h = (uint32_t)position * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return (float)(h & 0xffff) / 65535.0f;
}

void play_note(song& s, part_id part, const step_event& e, double note, const patch& p, float gain, float vel,
               float legato, float reverb, float echo) {
    const int64_t start = song_at(s, e.bar, e.step);
    const int64_t end = song_at(s, e.bar, e.step + e.steps);
    const double held = (double)(end - start) * legato / sample_rate;
    gain *= s.part_gain[part];
    std::vector<float> sound = render_note(p, midi_hz(note), held, vel, s.next_seed++);
    mix_into_loop(s.parts[part], start, sound, gain);
    if (reverb > 0) mix_into_loop(s.reverb_send, start, sound, gain * reverb);
    if (echo > 0) mix_into_loop(s.echo_send, start, sound, gain * echo);
    s.onsets.push_back(start % s.length);
}

// Notes that start on a beat are a little louder than those between beats.
float accent(const step_event& e) { return e.step % 4 == 0 ? 1.0f : 0.85f; }

} // namespace

void start_song(song& s, int index, key k, std::vector<chord> progression) {
    s.info = &track_at(index);
    s.k = k;
    s.beat = 60.0 * sample_rate / s.info->bpm;
    s.length = loop_samples(index);
    s.progression = std::move(progression);
    for (auto& p : s.parts) p.assign((size_t)s.length, 0.0f);
    s.reverb_send.assign((size_t)s.length, 0.0f);
    s.echo_send.assign((size_t)s.length, 0.0f);
    s.next_seed = 1000u * (uint32_t)(index + 1);
}

void start_song_at(song& s, double bpm, int bars, uint32_t seed, key k, std::vector<chord> progression) {
    s.info = nullptr;
    s.k = k;
    s.beat = 60.0 * sample_rate / bpm;
    s.length = llround(bars * 4 * s.beat);
    s.progression = std::move(progression);
    for (auto& p : s.parts) p.assign((size_t)s.length, 0.0f);
    s.reverb_send.assign((size_t)s.length, 0.0f);
    s.echo_send.assign((size_t)s.length, 0.0f);
    s.next_seed = seed;
}

void set_levels(song& s, const float (&levels)[part_total]) {
    for (int p = 0; p < part_total; ++p) s.part_gain[p] = levels[p];
}

int64_t song_at(const song& s, int bar, int step) {
    const int absolute = bar * 16 + step;
    double sixteenths = absolute;
    if (absolute % 2 == 1) sixteenths += s.swing;
    return llround(sixteenths * s.beat / 4.0);
}

void drum_line(song& s, part_id part, int bar, int bars, const char* pattern, const std::vector<float>& sound,
               float gain, float reverb, bool is_kick) {
    gain *= s.part_gain[part];
    for (const step_event& e : parse_pattern(bar, bars, pattern)) {
        const int64_t start = song_at(s, e.bar, e.step);
        const float vel = drum_velocity(e.symbol) * (1.0f - 0.08f * jitter(start + part));
        mix_into_loop(s.parts[part], start, sound, gain * vel);
        if (reverb > 0) mix_into_loop(s.reverb_send, start, sound, gain * vel * reverb);
        s.onsets.push_back(start % s.length);
        if (is_kick) s.kicks.push_back(start % s.length);
    }
}

void melody_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
                 int octave, float legato, float reverb, float echo) {
    for (const step_event& e : parse_pattern(bar, bars, pattern)) {
        int degree;
        if (e.symbol >= '0' && e.symbol <= '9')
            degree = e.symbol - '0';
        else if (e.symbol >= 'a' && e.symbol <= 'e')
            degree = 10 + (e.symbol - 'a');
        else
            continue;
        play_note(s, part, e, degree_note(s.k, degree) + 12 * octave, p, gain, accent(e), legato, reverb, echo);
    }
}

void bass_line(song& s, int bar, int bars, const char* pattern, const patch& p, float gain, float legato) {
    for (const step_event& e : parse_pattern(bar, bars, pattern)) {
        const chord& c = chord_of(s, e.bar);
        int root = degree_note(s.k, c.degree);
        while (root < s.bass_floor) root += 12;
        while (root >= s.bass_floor + 12) root -= 12;
        auto above = [&](int steps) { return root + degree_note(s.k, c.degree + steps) - degree_note(s.k, c.degree); };
        int note;
        switch (e.symbol) {
        case 'r': note = root; break;
        case 'o': note = root + 12; break;
        case 'f': note = above(4); break;
        case 't': note = above(2); break;
        case 's': note = above(6); break;
        case 'l': note = above(4) - 12; break;
        default: continue;
        }
        play_note(s, part_bass, e, note, p, gain, accent(e), legato, 0, 0);
    }
}

void chord_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
                int center, float legato, float reverb, float echo) {
    for (const step_event& e : parse_pattern(bar, bars, pattern)) {
        if (e.symbol != 'x') continue;
        std::vector<int> tones = voiced_chord(s, e.bar, center);
        const float each = gain / sqrtf((float)tones.size());
        for (int n : tones) play_note(s, part, e, n, p, each, accent(e), legato, reverb, echo);
    }
}

void arp_line(song& s, part_id part, int bar, int bars, const char* pattern, const patch& p, float gain,
              int center, float legato, float reverb, float echo) {
    for (const step_event& e : parse_pattern(bar, bars, pattern)) {
        if (e.symbol < '0' || e.symbol > '9') continue;
        std::vector<int> tones = voiced_chord(s, e.bar, center);
        const int j = e.symbol - '0';
        const int n = tones[(size_t)j % tones.size()] + 12 * (j / (int)tones.size());
        play_note(s, part, e, n, p, gain, accent(e), legato, reverb, echo);
    }
}

void riser(song& s, int end_bar, double beats, float gain) {
    const int64_t end = song_at(s, end_bar, 0);
    const int64_t start = end - llround(beats * s.beat);
    std::vector<float> sound = render_riser((double)(end - start) / sample_rate, s.next_seed++);
    gain *= s.part_gain[part_fx];
    mix_into_loop(s.parts[part_fx], start, sound, gain);
    mix_into_loop(s.reverb_send, start, sound, gain * 0.5f);
    s.onsets.push_back(((start % s.length) + s.length) % s.length);
}

std::vector<int16_t> finish_song(song& s) {
    const size_t n = (size_t)s.length;
    if (s.duck_depth > 0) {
        for (part_id p : {part_bass, part_chords, part_pad})
            loop_duck(s.parts[p], s.kicks, s.duck_depth, s.duck_recover);
    }
    std::vector<float> mix(n, 0.0f);
    for (int p = 0; p < part_total; ++p)
        for (size_t i = 0; i < n; ++i) mix[i] += s.parts[p][i];
    loop_echo(s.echo_send, mix, (int)llround(s.echo_beats * s.beat), s.echo_feedback, 1.0f, s.echo_damp_hz);
    loop_reverb(s.reverb_send, mix, s.reverb_size, 1.0f, s.reverb_damp_hz);
    loop_highpass(mix, 22.0);

    // Loudness: bring the loop's RMS to the track's level, but never drive its peaks more
    // than 3 dB into the limiter below.
    const double ceiling = pow(10.0, -1.5 / 20.0);
    const double knee = 0.62;
    double sum = 0, peak = 0;
    for (float v : mix) {
        sum += (double)v * v;
        peak = std::max(peak, (double)fabsf(v));
    }
    const double rms = sqrt(sum / (double)n);
    double gain = rms > 0 ? pow(10.0, s.loudness_db / 20.0) / rms : 1.0;
    if (peak * gain > ceiling * 1.41) gain = ceiling * 1.41 / peak;

    // A gentle limiter without memory (so the loop stays circular): linear up to the knee,
    // then bending smoothly towards the ceiling, which it never reaches.
    std::vector<double> out(n);
    double mean = 0;
    for (size_t i = 0; i < n; ++i) {
        double x = mix[i] * gain;
        double a = fabs(x);
        if (a > knee) a = knee + (ceiling - knee) * tanh((a - knee) / (ceiling - knee));
        out[i] = x < 0 ? -a : a;
        mean += out[i];
    }
    mean /= (double)n;
    std::vector<int16_t> pcm(n);
    for (size_t i = 0; i < n; ++i) {
        double v = (out[i] - mean) * 32767.0;
        v = std::max(-32767.0 * ceiling, std::min(32767.0 * ceiling, v));
        pcm[i] = (int16_t)lrint(v);
    }
    return pcm;
}

} // namespace music
