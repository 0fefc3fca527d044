#include "data/music/synth.h"

#include <math.h>

#include <algorithm>

namespace music {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double two_pi = 2.0 * pi;

double clampd(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Band-limited step correction for the saw and square (polyBLEP).
double blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// State-variable filter (trapezoidal integration): stable under fast cutoff changes.
struct svf {
    double ic1 = 0, ic2 = 0, a1 = 1, a2 = 0, a3 = 0, k = 2;
    double low = 0, band = 0, high = 0;
    void tune(double hz, double resonance) {
        hz = clampd(hz, 20.0, 0.45 * sample_rate);
        double g = tan(pi * hz / sample_rate);
        k = 2.0 - 1.9 * clampd(resonance, 0.0, 1.0);
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void run(double v0) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        high = v0 - k * v1 - v2;
    }
};

// One-pole low-pass coefficient for a cutoff in Hz.
double one_pole(double hz) { return 1.0 - exp(-two_pi * hz / sample_rate); }

// Smooth ramp to zero over the last `fade` seconds of a sound `total` seconds long.
double end_fade(double t, double total, double fade) {
    double u = (total - t) / fade;
    if (u >= 1.0) return 1.0;
    if (u <= 0.0) return 0.0;
    return u * u * (3.0 - 2.0 * u);
}

size_t samples_for(double seconds) { return (size_t)(seconds * sample_rate) + 1; }

} // namespace

void mix_into_loop(std::vector<float>& loop, int64_t start, const std::vector<float>& sound, float gain) {
    const int64_t n = (int64_t)loop.size();
    if (n == 0) return;
    int64_t pos = ((start % n) + n) % n;
    for (float v : sound) {
        loop[(size_t)pos] += gain * v;
        if (++pos == n) pos = 0;
    }
}

std::vector<float> render_note(const patch& p, double freq, double held, float vel, uint32_t seed) {
    const double attack = std::max((double)p.attack, 0.003);
    const double release = std::max((double)p.release, 0.006);
    const double total = held + release;
    std::vector<float> out(samples_for(total));
    noise_source noise(seed * 2654435761u + 17u);

    const int unison = std::max(1, std::min(p.unison, 8));
    double phase[8], ratio[8];
    for (int u = 0; u < unison; ++u) {
        phase[u] = fmod(0.31 * u + 0.07, 1.0);
        double cents = unison == 1 ? 0.0 : p.detune * (2.0 * u / (unison - 1) - 1.0) * 0.5;
        ratio[u] = pow(2.0, cents / 1200.0);
    }
    const double unison_gain = 1.0 / sqrt((double)unison);
    double sub_phase = 0, fm_phase = 0, mod_phase = 0;
    svf filter;
    const bool filtered = p.cutoff > 0;
    const double track = p.key_track > 0 ? pow(freq / 261.63, p.key_track) : 1.0;

    auto level_before_release = [&](double t) {
        if (t < attack) return t / attack;
        return p.sustain + (1.0 - p.sustain) * exp(-(t - attack) / std::max((double)p.decay, 0.001));
    };
    const double held_level = level_before_release(held);

    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        double f = freq;
        if (p.vibrato_depth > 0) {
            double fade = clampd((t - p.vibrato_delay) / 0.3, 0.0, 1.0);
            f *= pow(2.0, p.vibrato_depth * fade * sin(two_pi * p.vibrato_rate * t) / 1200.0);
        }
        double osc = 0;
        if (p.saw != 0 || p.square != 0 || p.triangle != 0 || p.sine != 0) {
            for (int u = 0; u < unison; ++u) {
                const double dt = f * ratio[u] / sample_rate;
                const double ph = phase[u];
                double s = 0;
                if (p.saw != 0) s += p.saw * (2.0 * ph - 1.0 - blep(ph, dt));
                if (p.square != 0) {
                    double sq = ph < 0.5 ? 1.0 : -1.0;
                    sq += blep(ph, dt) - blep(fmod(ph + 0.5, 1.0), dt);
                    s += p.square * sq;
                }
                if (p.triangle != 0) s += p.triangle * (1.0 - 4.0 * fabs(ph - 0.5));
                if (p.sine != 0) s += p.sine * sin(two_pi * ph);
                osc += s;
                phase[u] = ph + dt - floor(ph + dt);
            }
            osc *= unison_gain;
        }
        if (p.fm != 0) {
            const double index = p.fm_index * (p.fm_floor + (1.0 - p.fm_floor) * exp(-t / p.fm_decay));
            osc += p.fm * sin(two_pi * fm_phase + index * sin(two_pi * mod_phase));
            fm_phase += f / sample_rate;
            fm_phase -= floor(fm_phase);
            mod_phase += f * p.fm_ratio / sample_rate;
            mod_phase -= floor(mod_phase);
        }
        if (p.sub != 0) {
            osc += p.sub * sin(two_pi * sub_phase);
            sub_phase += 0.5 * f / sample_rate;
            sub_phase -= floor(sub_phase);
        }
        if (p.noise != 0) osc += p.noise * noise.next();

        double y = osc;
        if (filtered) {
            if ((i & 3) == 0) {
                double hz = p.cutoff * track + p.env_cutoff * exp(-t / std::max((double)p.filter_decay, 0.001));
                filter.tune(hz, p.resonance);
            }
            filter.run(osc);
            y = filter.low;
        }
        if (p.drive > 0) y = tanh(y * (1.0 + p.drive)) / tanh(1.0 + p.drive);

        double env;
        if (t < held) {
            env = level_before_release(t);
        } else {
            double u = (t - held) / release;
            env = u >= 1.0 ? 0.0 : held_level * (1.0 - u) * (1.0 - u);
        }
        out[i] = (float)(y * env * vel * p.gain);
    }
    out.back() = 0.0f;
    return out;
}

std::vector<float> render_kick(const kick_sound& k) {
    std::vector<float> out(samples_for(k.length));
    noise_source noise(0x51ed27u);
    double phase = 0, click_lp = 0;
    const double click_a = one_pole(3000.0);
    const double norm = tanh(1.0 + k.drive);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        const double f = k.end_hz + (k.start_hz - k.end_hz) * exp(-t / k.pitch_decay);
        double body = sin(two_pi * phase) * exp(-t / k.decay);
        phase += f / sample_rate;
        click_lp += click_a * (noise.next() - click_lp);
        double click = k.click * click_lp * exp(-t / 0.004) * std::min(1.0, t / 0.0008);
        double y = tanh((body + click) * (1.0 + k.drive)) / norm;
        out[i] = (float)(y * std::min(1.0, t / 0.0005) * end_fade(t, k.length, 0.1));
    }
    return out;
}

std::vector<float> render_snare(const snare_sound& s, uint32_t seed) {
    std::vector<float> out(samples_for(s.length));
    noise_source noise(seed);
    svf band, high;
    band.tune(s.noise_hz, 0.3);
    high.tune(900.0, 0.0);
    double phase1 = 0, phase2 = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        const double bend = 1.0 + 0.5 * exp(-t / 0.01);
        double tone = (sin(two_pi * phase1) + 0.5 * sin(two_pi * phase2)) * exp(-t / s.tone_decay);
        phase1 += s.tone_hz * bend / sample_rate;
        phase2 += s.tone_hz * 1.62 * bend / sample_rate;
        double n = noise.next();
        band.run(n);
        high.run(n);
        double rattle = (0.7 * band.band + 0.5 * high.high) * exp(-t / s.noise_decay);
        double y = s.tone * tone + s.noise * rattle;
        out[i] = (float)(y * std::min(1.0, t / 0.001) * end_fade(t, s.length, 0.08));
    }
    return out;
}

std::vector<float> render_clap(const clap_sound& c, uint32_t seed) {
    std::vector<float> out(samples_for(c.length));
    noise_source noise(seed);
    svf band;
    band.tune(c.band_hz, 0.35);
    const double bursts[3] = {0.0, 0.010, 0.021};
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        double env = 0;
        for (double b : bursts) {
            if (t >= b) env = std::max(env, std::min(1.0, (t - b) / 0.0012) * exp(-(t - b) / 0.0045));
        }
        const double tail_start = 0.026;
        if (t >= tail_start)
            env = std::max(env, 0.75 * std::min(1.0, (t - tail_start) / 0.002) * exp(-(t - tail_start) / c.decay));
        band.run(noise.next());
        out[i] = (float)(2.2 * band.band * env * end_fade(t, c.length, 0.08));
    }
    return out;
}

std::vector<float> render_hat(const hat_sound& h, uint32_t seed) {
    std::vector<float> out(samples_for(h.length));
    noise_source noise(seed);
    svf band, high;
    band.tune(h.band_hz, 0.45);
    high.tune(h.highpass_hz, 0.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        double n = noise.next();
        high.run(n);
        band.run(high.high);
        double y = 0.6 * high.high + 0.8 * band.band;
        double env = std::min(1.0, t / h.attack) * exp(-t / h.decay);
        out[i] = (float)(y * env * end_fade(t, h.length, h.length * 0.4));
    }
    return out;
}

std::vector<float> render_rim(const rim_sound& r, uint32_t seed) {
    std::vector<float> out(samples_for(r.length));
    noise_source noise(seed);
    svf band;
    band.tune(r.tone_hz * 2.5, 0.5);
    double phase1 = 0, phase2 = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        band.run(noise.next());
        double y = (sin(two_pi * phase1) + 0.45 * sin(two_pi * phase2)) * exp(-t / r.decay) +
                   0.5 * band.band * exp(-t / (0.4 * r.decay));
        phase1 += r.tone_hz / sample_rate;
        phase2 += r.tone_hz * 2.13 / sample_rate;
        out[i] = (float)(y * std::min(1.0, t / 0.0006) * end_fade(t, r.length, 0.03));
    }
    return out;
}

std::vector<float> render_riser(double seconds, uint32_t seed) {
    const double release = 0.03;
    std::vector<float> out(samples_for(seconds + release));
    noise_source noise(seed);
    svf band;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = (double)i / sample_rate;
        const double u = std::min(1.0, t / seconds);
        if ((i & 3) == 0) band.tune(300.0 * pow(16.0, u), 0.55);
        band.run(noise.next());
        double env = u * u * u;
        if (t > seconds) env *= std::max(0.0, 1.0 - (t - seconds) / release);
        out[i] = (float)(band.band * env);
    }
    out.back() = 0.0f;
    return out;
}

void loop_highpass(std::vector<float>& loop, double hz) {
    const double a = one_pole(hz);
    double low = 0;
    for (int lap = 0; lap < 2; ++lap)
        for (float v : loop) low += a * (v - low);
    for (float& v : loop) {
        low += a * (v - low);
        v = (float)(v - low);
    }
}

void loop_lowpass(std::vector<float>& loop, double hz) {
    const double a = one_pole(hz);
    double low = 0;
    for (int lap = 0; lap < 2; ++lap)
        for (float v : loop) low += a * (v - low);
    for (float& v : loop) {
        low += a * (v - low);
        v = (float)low;
    }
}

void loop_echo(const std::vector<float>& send, std::vector<float>& out, int delay, float feedback,
               float wet, double damp_hz) {
    const size_t n = send.size();
    if (n == 0 || delay <= 0 || (size_t)delay >= n) return;
    // line[i] is what enters the delay at i: the send plus the damped feedback of what leaves it.
    std::vector<float> line(n, 0.0f);
    const double a = one_pole(damp_hz);
    double damped = 0;
    for (int lap = 0; lap < 3; ++lap) {
        for (size_t i = 0; i < n; ++i) {
            double leaving = line[(i + n - (size_t)delay) % n];
            damped += a * (leaving - damped);
            line[i] = (float)(send[i] + feedback * damped);
        }
    }
    for (size_t i = 0; i < n; ++i) out[i] += wet * line[(i + n - (size_t)delay) % n];
}

void loop_reverb(const std::vector<float>& send, std::vector<float>& out, float size, float wet,
                 double damp_hz) {
    const size_t n = send.size();
    if (n == 0) return;
    static const int comb_lengths[4] = {1116, 1188, 1277, 1356};
    static const int allpass_lengths[2] = {556, 341};
    std::vector<float> comb[4], allpass[2];
    size_t comb_pos[4] = {0, 0, 0, 0}, allpass_pos[2] = {0, 0};
    double comb_low[4] = {0, 0, 0, 0};
    for (int c = 0; c < 4; ++c) comb[c].assign((size_t)(comb_lengths[c] / 2), 0.0f); // lengths at 22050 Hz
    for (int c = 0; c < 2; ++c) allpass[c].assign((size_t)(allpass_lengths[c] / 2), 0.0f);
    const double damp = 1.0 - one_pole(damp_hz);
    for (int lap = 0; lap < 2; ++lap) {
        for (size_t i = 0; i < n; ++i) {
            const double in = send[i] * 0.25;
            double acc = 0;
            for (int c = 0; c < 4; ++c) {
                float& cell = comb[c][comb_pos[c]];
                double y = cell;
                comb_low[c] = y * (1.0 - damp) + comb_low[c] * damp;
                cell = (float)(in + comb_low[c] * size);
                if (++comb_pos[c] == comb[c].size()) comb_pos[c] = 0;
                acc += y;
            }
            for (int c = 0; c < 2; ++c) {
                float& cell = allpass[c][allpass_pos[c]];
                double buffered = cell;
                cell = (float)(acc + buffered * 0.5);
                acc = buffered - acc;
                if (++allpass_pos[c] == allpass[c].size()) allpass_pos[c] = 0;
            }
            if (lap == 1) out[i] += (float)(wet * acc);
        }
    }
}

void loop_duck(std::vector<float>& loop, const std::vector<int64_t>& hits, float depth, double recover) {
    const int64_t n = (int64_t)loop.size();
    if (n == 0) return;
    std::vector<float> gain(loop.size(), 1.0f);
    const int64_t dip = (int64_t)(0.004 * sample_rate);
    const int64_t span = (int64_t)(recover * sample_rate);
    for (int64_t h : hits) {
        for (int64_t j = -dip; j < span; ++j) {
            double g;
            if (j < 0) {
                g = 1.0 - depth * (double)(j + dip) / dip;
            } else {
                double u = (double)j / span;
                g = 1.0 - depth * (1.0 - u * u * (3.0 - 2.0 * u));
            }
            size_t at = (size_t)((((h + j) % n) + n) % n);
            gain[at] = std::min(gain[at], (float)g);
        }
    }
    for (size_t i = 0; i < loop.size(); ++i) loop[i] *= gain[i];
}

} // namespace music
