#include "tools/pack_analysis.h"

#include <aubio/aubio.h>
#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "tools/pack_tempo.h"

namespace {

// aubio's analysis step: a power of two near 11.6 ms (256 samples at 22050 Hz).
uint32_t analysis_hop(uint32_t rate) {
    double target = rate / 86.0;
    uint32_t hop = 32;
    while (hop * 2 <= 4096 && fabs(log2(hop * 2.0 / target)) < fabs(log2(hop / target))) hop *= 2;
    return hop;
}

double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

uint8_t level_byte(double v) { return (uint8_t)lround(clamp01(v) * 255.0); }

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    size_t k = (size_t)((double)(v.size() - 1) * p + 0.5);
    std::nth_element(v.begin(), v.begin() + (ptrdiff_t)k, v.end());
    return v[k];
}

double power_db(double power) { return 10.0 * log10(power + 1e-12); }

// Runs `step` over the signal in aubio's hops, the last one padded with zeros.
template <typename Step>
void for_each_hop(const float* s, size_t n, uint32_t hop, Step step) {
    fvec_t* in = new_fvec(hop);
    for (size_t at = 0; at < n; at += hop) {
        for (uint32_t k = 0; k < hop; ++k) in->data[k] = at + k < n ? s[at + k] : 0.0f;
        step(in);
    }
    del_fvec(in);
}

// Onset times in seconds (aubio_onset), no two closer than minioi seconds, of sounds that
// reach -70 dBFS.
std::vector<double> detect_onsets(const float* s, size_t n, uint32_t rate, const char* method, double minioi) {
    const uint32_t hop = analysis_hop(rate);
    std::vector<double> times;
    aubio_onset_t* o = new_aubio_onset(method, 4 * hop, hop, rate);
    if (!o) return times;
    aubio_onset_set_minioi_s(o, (smpl_t)minioi);
    // aubio confirms an onset a few hops after it and drops it when that later hop is silent,
    // which loses a short sound before digital silence (and the last one of the file). So its
    // silence gate is off, the input rides on a constant far below hearing (which no onset
    // function sees), and the level is checked at the onset itself instead.
    aubio_onset_set_silence(o, -1000);
    const float floor_level = 1e-7f;
    fvec_t* in = new_fvec(hop);
    fvec_t* found = new_fvec(1);
    const size_t end = n + 16 * (size_t)hop; // hops after the end let the last onsets be confirmed
    for (size_t at = 0; at < end; at += hop) {
        for (uint32_t k = 0; k < hop; ++k) in->data[k] = floor_level + (at + k < n ? s[at + k] : 0.0f);
        aubio_onset_do(o, in, found);
        if (found->data[0] == 0) continue;
        double t = aubio_onset_get_last_s(o);
        size_t from = (size_t)std::max(0.0, (t - 0.01) * rate), to = std::min(n, (size_t)std::max(0.0, (t + 0.08) * rate));
        float peak = 0;
        for (size_t i = from; i < to; ++i) peak = std::max(peak, fabsf(s[i]));
        if (peak >= 3.2e-4f) times.push_back(t);
    }
    del_fvec(found);
    del_fvec(in);
    del_aubio_onset(o);
    return times;
}

// The signal through a second-order Butterworth section run forward and backward (no phase
// shift, so onsets keep their times).
std::vector<float> band_filtered(const float* s, size_t n, uint32_t rate, bool high, double hz) {
    // Audio EQ cookbook coefficients, Q = 1/sqrt(2).
    double w = 2.0 * M_PI * hz / rate, cw = cos(w), alpha = sin(w) / (2.0 * M_SQRT1_2);
    double a0 = 1 + alpha;
    double b0 = high ? (1 + cw) / 2 : (1 - cw) / 2;
    double b1 = high ? -(1 + cw) : 1 - cw;
    aubio_filter_t* f = new_aubio_filter_biquad(b0 / a0, b1 / a0, b0 / a0, -2 * cw / a0, (1 - alpha) / a0);
    fvec_t* v = new_fvec((uint_t)n);
    fvec_t* tmp = new_fvec((uint_t)n);
    std::copy(s, s + n, v->data);
    aubio_filter_do_filtfilt(f, v, tmp);
    std::vector<float> out(v->data, v->data + n);
    del_fvec(tmp);
    del_fvec(v);
    del_aubio_filter(f);
    return out;
}

// Mean power per step of `hop` samples.
std::vector<double> power_envelope(const float* s, size_t n, size_t hop) {
    std::vector<double> env((n + hop - 1) / hop, 0.0);
    for (size_t j = 0; j < env.size(); ++j) {
        size_t end = std::min(n, (j + 1) * hop);
        double sum = 0;
        for (size_t i = j * hop; i < end; ++i) sum += (double)s[i] * s[i];
        env[j] = sum / (double)(end - j * hop);
    }
    return env;
}

struct envelope {
    std::vector<double> power;
    double step; // seconds per entry
    double peak_after(double t, double seconds) const {
        if (power.empty()) return 0;
        long from = std::max(0L, (long)floor(t / step));
        long to = std::min((long)power.size() - 1, (long)floor((t + seconds) / step));
        double m = 0;
        for (long j = from; j <= to; ++j) m = std::max(m, power[(size_t)j]);
        return sqrt(m);
    }
};

struct pulse {
    double time;
    double amplitude;
};

// Pulses at onsets, their amplitude the band's peak level just after the onset.
std::vector<pulse> onset_pulses(const std::vector<double>& onsets, const envelope& env) {
    std::vector<pulse> p;
    for (double t : onsets) p.push_back({t, env.peak_after(t, 0.08)});
    return p;
}

// One pulse per grid beat: the strongest onset within a fifth of a beat of it.
std::vector<pulse> beat_pulses(const std::vector<pulse>& onsets, double first_beat, double period, double end) {
    std::vector<pulse> out;
    double k0 = ceil((0.0 - first_beat) / period - 0.2);
    for (double k = k0;; k += 1) {
        double g = first_beat + k * period;
        if (g > end + 0.2 * period) break;
        const pulse* best = nullptr;
        for (const pulse& o : onsets)
            if (fabs(o.time - g) <= 0.2 * period && (!best || o.amplitude > best->amplitude)) best = &o;
        if (best) out.push_back(*best);
    }
    return out;
}

size_t pulses_between(const std::vector<pulse>& p, double from, double to) {
    size_t n = 0;
    for (const pulse& q : p) n += q.time >= from && q.time < to;
    return n;
}

// Scales amplitudes so that the loud ones of the loop reach 1 (the 90th percentile).
void normalise_pulses(std::vector<pulse>& p, double from, double to) {
    std::vector<double> a;
    for (const pulse& q : p)
        if (q.time >= from && q.time < to) a.push_back(q.amplitude);
    if (a.empty())
        for (const pulse& q : p) a.push_back(q.amplitude);
    double ref = percentile(a, 0.9);
    for (pulse& q : p) q.amplitude = ref > 1e-9 ? std::min(1.0, q.amplitude / ref) : 0.0;
}

// Draws decaying pulses into one channel of the feature frames (the largest value wins). A
// pulse peaks at the frame nearest to it and decays by e^(-decay) per second.
void draw_pulses(std::vector<double>& channel, const std::vector<pulse>& pulses, double first_frame, double frame_step,
                 double decay) {
    for (const pulse& p : pulses) {
        long i = (long)ceil((p.time - first_frame) / frame_step - 0.5);
        for (i = std::max(i, 0L); i < (long)channel.size(); ++i) {
            double dt = std::max(0.0, first_frame + (double)i * frame_step - p.time);
            double v = p.amplitude * exp(-decay * dt);
            if (v < 0.5 / 255.0) break;
            channel[(size_t)i] = std::max(channel[(size_t)i], v);
        }
    }
}

// Levels in dB mapped to 0..1 over their own range (between two percentiles), centred on 0.5;
// a range narrower than `span` dB is not stretched: its levels stay near the middle.
std::vector<double> spread_levels(const std::vector<double>& db, double lo_pct, double hi_pct, double span) {
    double lo = percentile(db, lo_pct), hi = percentile(db, hi_pct);
    double range = hi - lo;
    double mid = (lo + hi) / 2;
    double s = std::max(range, span);
    std::vector<double> out;
    for (double v : db) out.push_back(clamp01(0.5 + (v - mid) / s));
    return out;
}

} // namespace

// Halves round to even: 22050 / 20 = 1102.5 gives 1102.
uint32_t feature_hop(uint32_t rate) { return (uint32_t)nearbyint(rate / 20.0); }

float feature_rate(uint32_t rate) { return (float)rate / (float)feature_hop(rate); }

bool find_beats(const float* samples, size_t count, uint32_t rate, double given_bpm, double given_origin,
                beat_grid* out, std::string* error) {
    *out = beat_grid{};
    const bool have_bpm = given_bpm > 0, have_origin = given_origin >= 0;
    if (have_bpm && have_origin) {
        out->bpm = given_bpm;
        out->origin = given_origin;
        return true;
    }
    onset_envelope env = onset_strength(samples, count, rate);
    tempo_estimate t = estimate_tempo(env, given_bpm, given_origin, min_bpm, max_bpm);
    out->clarity = t.clarity;
    if (!(t.bpm > 0) && (double)env.size() < shortest_tempo_seconds * env.frame_rate) {
        // A clip too short for a grid: with its tempo given it starts on a beat
        if (have_bpm) {
            out->bpm = given_bpm;
            out->origin = 0;
            return true;
        }
        char text[96];
        snprintf(text, sizeof text, "too short to find a tempo in (%.2f s; it takes %.0f s or more)",
                 (double)count / rate, shortest_tempo_seconds);
        *error = std::string(text) + "; give the tempo with --bpm";
        return false;
    }
    if (!(t.bpm > 0)) {
        char text[64];
        snprintf(text, sizeof text, "%.3f", t.clarity);
        *error = std::string("no steady beat found (the sound repeats at no tempo from 40 to 300 bpm; pulse ") + text +
                 "); give the tempo with --bpm";
        return false;
    }
    out->bpm = t.bpm;
    out->origin = t.origin;
    out->drift = t.drift;
    out->grid_windows = t.grid_windows;
    return true;
}

void mood_point(double bpm, const track_analysis& a, float* mood_x, float* mood_y) {
    // Ranges set on a varied set of real songs (bench/tempo_eval) so that their points spread
    // over the square instead of crowding its middle.
    const double tempo = clamp01((bpm - 70.0) / 80.0);
    const double density = clamp01(log2(std::max(a.onsets_per_second, 0.25) / 3.5) / log2(9.0 / 3.5));
    const double loud = clamp01((a.loudness_db + 26.0) / 16.0);
    const double steady = clamp01((20.0 - a.dynamics_db) / 16.0);
    const double lively = 0.3 * tempo + 0.3 * density + 0.2 * loud + 0.2 * steady;
    *mood_x = (float)clamp01((lively - 0.3) / 0.6);
    const double low_centroid = clamp01(log(3000.0 / std::max(a.centroid_hz, 1.0)) / log(3000.0 / 900.0));
    const double little_air = clamp01(log(0.06 / std::max(a.high_share, 1e-6)) / log(0.06 / 0.002));
    *mood_y = (float)clamp01(0.5 * low_centroid + 0.5 * little_air);
}

track_analysis analyse_track(const analysis_input& in) {
    track_analysis a;
    const uint32_t rate = in.rate;
    const double period = 60.0 / in.bpm;
    const double loop_from = (double)in.loop_start / rate;
    const double loop_to = (double)(in.loop_start + in.loop_samples) / rate;
    const double loop_seconds = loop_to - loop_from;
    const double end = (double)in.count / rate;
    const double first_beat = loop_from + in.beat_origin;
    const double loop_beats = loop_seconds / period;

    const size_t env_hop = analysis_hop(rate) / 2;
    const double env_step = (double)env_hop / rate;
    std::vector<float> low = band_filtered(in.samples, in.count, rate, false, 150.0);
    std::vector<float> high = band_filtered(in.samples, in.count, rate, true, std::min(5000.0, 0.3 * rate));
    envelope full_env{power_envelope(in.samples, in.count, env_hop), env_step};
    envelope low_env{power_envelope(low.data(), low.size(), env_hop), env_step};
    envelope high_env{power_envelope(high.data(), high.size(), env_hop), env_step};

    std::vector<double> full_onsets = detect_onsets(in.samples, in.count, rate, "hfc", 0.02);
    std::vector<pulse> full_pulses = onset_pulses(full_onsets, full_env);

    // x: the low band's onsets on the beats; the whole band's when the low band has next to none.
    std::vector<pulse> x = beat_pulses(
        onset_pulses(detect_onsets(low.data(), low.size(), rate, "energy", 0.25 * period), low_env), first_beat,
        period, end);
    if ((double)pulses_between(x, loop_from, loop_to) < 0.25 * loop_beats)
        x = beat_pulses(full_pulses, first_beat, period, end);
    normalise_pulses(x, loop_from, loop_to);

    // z: the high band's onsets (hi-hats, half beats); the whole band's when it has too few.
    std::vector<pulse> z =
        onset_pulses(detect_onsets(high.data(), high.size(), rate, "hfc", 0.1 * period), high_env);
    if ((double)pulses_between(z, loop_from, loop_to) < 0.5 * loop_beats) z = full_pulses;
    normalise_pulses(z, loop_from, loop_to);

    const uint32_t hop = feature_hop(rate);
    const size_t frames = std::max<size_t>(2, (in.loop_samples + hop - 1) / hop);
    const double frame_step = (double)hop / rate;
    std::vector<double> xs(frames, 0.0), zs(frames, 0.0);
    draw_pulses(xs, x, loop_from, frame_step, 4.0 / period);
    draw_pulses(zs, z, loop_from, frame_step, 12.0 / period);

    // y: the power smoothed over two beats, in dB, spread over the loop's own range.
    const std::vector<double>& power = full_env.power;
    long half = std::max(1L, lround(period / env_step));
    std::vector<double> prefix(power.size() + 1, 0.0);
    for (size_t j = 0; j < power.size(); ++j) prefix[j + 1] = prefix[j] + power[j];
    auto smoothed_db = [&](double t) {
        long j = (long)floor(t / env_step);
        long from = std::max(0L, j - half), to = std::min((long)power.size(), j + half + 1);
        if (to <= from) return power_db(0);
        return power_db((prefix[(size_t)to] - prefix[(size_t)from]) / (double)(to - from));
    };
    std::vector<double> y_db;
    for (size_t i = 0; i < frames; ++i) y_db.push_back(smoothed_db(loop_from + (double)i * frame_step));
    std::vector<double> ys = spread_levels(y_db, 0.05, 0.95, 12.0);

    a.features.resize(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        a.features[i * 4 + 0] = level_byte(xs[i]);
        a.features[i * 4 + 1] = level_byte(ys[i]);
        a.features[i * 4 + 2] = level_byte(zs[i]);
        a.features[i * 4 + 3] = level_byte(xs[i] * xs[i]);
    }

    // Energy: mean power of each 16 beats of the loop from beat_origin.
    auto mean_power = [&](double from, double to) {
        long j0 = std::max(0L, (long)floor(from / env_step)), j1 = std::min((long)power.size(), (long)ceil(to / env_step));
        if (j1 <= j0) return 0.0;
        return (prefix[(size_t)j1] - prefix[(size_t)j0]) / (double)(j1 - j0);
    };
    // (A hundredth of a phrase left over is rounding of the loop to whole samples.)
    size_t phrases = (size_t)std::max(1.0, ceil((loop_seconds - in.beat_origin) / (16 * period) - 0.01));
    std::vector<double> phrase_db;
    for (size_t j = 0; j < phrases; ++j) {
        double from = std::max(loop_from, first_beat + (double)j * 16 * period);
        double to = std::min(loop_to, first_beat + (double)(j + 1) * 16 * period);
        if (j + 1 == phrases) to = loop_to;
        phrase_db.push_back(power_db(mean_power(from, to)));
    }
    double top = *std::max_element(phrase_db.begin(), phrase_db.end());
    double bottom = *std::min_element(phrase_db.begin(), phrase_db.end());
    double span = std::max(top - bottom, 12.0);
    for (double db : phrase_db) {
        double v = top - bottom >= 12.0 ? 0.1 + 0.9 * (db - bottom) / span : 0.55 + 0.9 * (db - (top + bottom) / 2) / span;
        a.energy.push_back(level_byte(v));
    }

    // Mood. Lively: a quick tempo, many onsets, loud and compressed; calm: slow, sparse, quiet
    // and with a wide range between soft and loud passages. Dark: the sound's weight low in
    // the spectrum, little above 4 kHz; bright: a high centroid, much air.
    a.loudness_db = power_db(mean_power(loop_from, loop_to));
    onset_envelope loop_env = onset_strength(in.samples + in.loop_start, in.loop_samples, rate);
    a.onsets_per_second = (double)envelope_onsets(loop_env).size() / loop_seconds;
    std::vector<double> short_term;
    for (double t = loop_from; t + 0.4 <= loop_to; t += 0.2) {
        double db = power_db(mean_power(t, t + 0.4));
        if (db > -70) short_term.push_back(db); // digital silence is no quiet passage
    }
    a.dynamics_db = short_term.empty() ? 0 : percentile(short_term, 0.95) - percentile(short_term, 0.1);

    const uint32_t fft = 4 * analysis_hop(rate);
    aubio_pvoc_t* pv = new_aubio_pvoc(fft, fft / 4);
    cvec_t* spectrum = new_cvec(fft);
    double weighted = 0, total = 0, energy = 0, high_energy = 0;
    const uint_t high_bin = (uint_t)ceil(4000.0 * fft / rate);
    for_each_hop(in.samples + in.loop_start, in.loop_samples, fft / 4, [&](fvec_t* hop_in) {
        aubio_pvoc_do(pv, hop_in, spectrum);
        for (uint_t b = 0; b < spectrum->length; ++b) {
            double m = spectrum->norm[b];
            weighted += (double)b * m;
            total += m;
            energy += m * m;
            if (b >= high_bin) high_energy += m * m;
        }
    });
    del_cvec(spectrum);
    del_aubio_pvoc(pv);
    a.centroid_hz = total > 0 ? weighted / total * rate / fft : rate / 4.0;
    a.high_share = energy > 0 ? high_energy / energy : 0;
    mood_point(in.bpm, a, &a.mood_x, &a.mood_y);
    return a;
}
