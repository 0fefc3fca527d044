#include "tools/pack_tempo.h"

#include <aubio/aubio.h>
#include <math.h>

#include <algorithm>

namespace {

// About 5.8 ms per frame (128 samples at 22050 Hz), a power of two for the FFT.
uint32_t envelope_hop(uint32_t rate) {
    uint32_t hop = 16;
    while (hop < 4096 && fabs(log2(hop * 2.0 * 172.0 / rate)) < fabs(log2(hop * 172.0 / rate))) hop *= 2;
    return hop;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + (ptrdiff_t)(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// The value between frames, 0 outside.
double at(const std::vector<float>& e, double frame) {
    if (frame < 0 || frame > (double)e.size() - 1) return 0;
    size_t i = (size_t)frame;
    double a = frame - (double)i;
    return i + 1 < e.size() ? e[i] + (e[i + 1] - e[i]) * a : e[i];
}

// The largest value within `reach` frames of `frame`.
double peak_near(const std::vector<float>& e, double frame, double reach) {
    long from = std::max(0L, (long)ceil(frame - reach)), to = std::min((long)e.size() - 1, (long)floor(frame + reach));
    double m = 0;
    for (long i = from; i <= to; ++i) m = std::max(m, (double)e[(size_t)i]);
    return m;
}

// Less its mean over about a second around each frame, negatives dropped, then scaled to a
// spread of 1: steady flux (noise, a sustained roar) gives nothing, attacks stand out.
void detrend(std::vector<float>& v, double frame_rate) {
    const long half = std::max(1L, lround(0.5 * frame_rate));
    std::vector<double> prefix(v.size() + 1, 0.0);
    for (size_t i = 0; i < v.size(); ++i) prefix[i + 1] = prefix[i] + v[i];
    std::vector<float> out(v.size());
    double sum = 0, sum2 = 0;
    for (long i = 0; i < (long)v.size(); ++i) {
        long from = std::max(0L, i - half), to = std::min((long)v.size(), i + half + 1);
        double mean = (prefix[(size_t)to] - prefix[(size_t)from]) / (double)(to - from);
        double d = std::max(0.0, (double)v[(size_t)i] - mean);
        out[(size_t)i] = (float)d;
        sum += d;
        sum2 += d * d;
    }
    double n = std::max<double>(1, (double)v.size());
    double sd = sqrt(std::max(0.0, sum2 / n - (sum / n) * (sum / n)));
    for (float& x : out) x = sd > 1e-9 ? (float)(x / sd) : 0.0f;
    v.swap(out);
}

// Normalised autocorrelation of the envelope (mean removed), lags 0..max_lag.
std::vector<double> autocorrelation(const std::vector<float>& e, size_t max_lag) {
    const size_t n = e.size();
    std::vector<double> a(max_lag + 1, 0.0);
    if (n < 2) return a;
    double mean = 0;
    for (float v : e) mean += v;
    mean /= (double)n;
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i) x[i] = e[i] - mean;
    for (size_t l = 0; l <= max_lag && l < n; ++l) {
        double s = 0;
        for (size_t i = 0; i + l < n; ++i) s += x[i] * x[i + l];
        a[l] = s / (double)(n - l);
    }
    double zero = a[0] > 0 ? a[0] : 1;
    for (double& v : a) v /= zero;
    return a;
}

double lag_value(const std::vector<double>& a, double lag) {
    if (lag < 0 || lag >= (double)a.size() - 1) return 0;
    size_t i = (size_t)lag;
    double f = lag - (double)i;
    return a[i] + (a[i + 1] - a[i]) * f;
}

// How strongly the envelope repeats with a period of `lag` frames and its multiples.
double comb(const std::vector<double>& a, double lag) {
    double s = 0;
    for (int k = 1; k <= 4; ++k) s += lag_value(a, k * lag);
    return s / 4.0;
}

// A listener's leaning: most music is tapped between about 70 and 180 beats per minute.
double tempo_prior(double bpm) {
    double octaves = log2(bpm / 120.0);
    return exp(-0.5 * (octaves / 0.6) * (octaves / 0.6));
}

// The period near `lag` (within `reach` of it, as a fraction) where the comb peaks.
double comb_peak(const std::vector<double>& a, double lag, double reach, double* value) {
    double best = lag, best_v = -1e9;
    for (double f = -reach; f <= reach + 1e-12; f += 0.001) {
        double v = comb(a, lag * (1 + f));
        if (v > best_v) {
            best_v = v;
            best = lag * (1 + f);
        }
    }
    *value = best_v;
    return best;
}

// Sum of the envelope on a grid of `period` frames through `phase`.
double grid_sum(const std::vector<float>& e, double period, double phase) {
    double s = 0;
    double t = fmod(phase, period);
    if (t < 0) t += period;
    for (; t < (double)e.size() - 1; t += period) s += at(e, t);
    return s;
}

// The phase (frames, 0..period) of the grid that collects most of the envelope.
double best_phase(const std::vector<float>& e, double period) {
    double best = 0, best_v = -1;
    for (double ph = 0; ph < period; ph += 0.5) {
        double v = grid_sum(e, period, ph);
        if (v > best_v) {
            best_v = v;
            best = ph;
        }
    }
    return best;
}

// Mean of the band's peaks at the grid points of one parity (0, 1) or at all (-1), and at the
// points halfway between.
double mean_on_grid(const std::vector<float>& e, double period, double phase, int parity, double shift = 0) {
    double s = 0;
    int n = 0;
    long k = 0;
    for (double t = fmod(phase, period) + shift * period; t < (double)e.size() - 1; t += period, ++k) {
        if (parity >= 0 && (k & 1) != parity) continue;
        s += peak_near(e, t, 2);
        ++n;
    }
    return n ? s / n : 0;
}

std::vector<float> smoothed(const std::vector<float>& e) {
    std::vector<float> out(e.size(), 0.0f);
    const float w[5] = {1, 2, 3, 2, 1};
    for (size_t i = 0; i < e.size(); ++i) {
        double s = 0, ws = 0;
        for (int j = -2; j <= 2; ++j) {
            long k = (long)i + j;
            if (k < 0 || k >= (long)e.size()) continue;
            s += w[j + 2] * e[(size_t)k];
            ws += w[j + 2];
        }
        out[i] = (float)(s / ws);
    }
    return out;
}

// The strong onsets of an envelope: its peaks (the largest within 50 ms) that reach the
// 60th percentile of the peaks, in frames, with their heights.
struct onset_peaks {
    std::vector<double> frame;
    std::vector<double> weight;
};

onset_peaks strong_onsets(const std::vector<float>& e, double frame_rate) {
    onset_peaks out;
    const long reach = std::max(1L, lround(0.05 * frame_rate));
    std::vector<double> heights;
    for (long i = 1; i + 1 < (long)e.size(); ++i) {
        if (!(e[(size_t)i] > 0) || e[(size_t)i] < e[(size_t)i - 1] || e[(size_t)i] < e[(size_t)i + 1]) continue;
        bool top = true;
        for (long j = std::max(0L, i - reach); j <= std::min((long)e.size() - 1, i + reach) && top; ++j)
            if (e[(size_t)j] > e[(size_t)i] || (e[(size_t)j] == e[(size_t)i] && j < i)) top = false;
        if (!top) continue;
        out.frame.push_back((double)i);
        out.weight.push_back(e[(size_t)i]);
    }
    if (out.frame.empty()) return out;
    heights = out.weight;
    size_t k = heights.size() * 6 / 10;
    std::nth_element(heights.begin(), heights.begin() + (ptrdiff_t)k, heights.end());
    const double floor = heights[k];
    onset_peaks strong;
    for (size_t i = 0; i < out.frame.size(); ++i)
        if (out.weight[i] >= floor) {
            strong.frame.push_back(out.frame[i]);
            strong.weight.push_back(out.weight[i]);
        }
    return strong;
}

// The share of the onsets' weight that a grid of `lag` frames catches (within 40 ms, less
// further off), stretch by stretch of about 8 seconds, each with the phase that catches most
// (so that a slight error in the lag does not add up over the song).
double on_grid_share(const onset_peaks& peaks, double lag, double frame_rate) {
    if (peaks.frame.size() < 4) return 0;
    const double tol = std::min(0.04 * frame_rate, 0.12 * lag);
    const double stretch = std::max(lag * 4, 8.0 * frame_rate);
    double caught_all = 0, weight_all = 0;
    for (size_t from = 0; from < peaks.frame.size();) {
        const double start = peaks.frame[from];
        size_t to = from;
        while (to < peaks.frame.size() && peaks.frame[to] < start + stretch) weight_all += peaks.weight[to++];
        double best = 0;
        for (double ph = 0; ph < lag; ph += 1.0) {
            double caught = 0;
            for (size_t i = from; i < to; ++i) {
                double x = (peaks.frame[i] - start - ph) / lag;
                double d = fabs(x - nearbyint(x)) * lag;
                if (d < tol) caught += peaks.weight[i] * (1.0 - d / tol);
            }
            best = std::max(best, caught);
        }
        caught_all += best;
        from = to;
    }
    return weight_all > 0 ? caught_all / weight_all : 0;
}

} // namespace

onset_envelope onset_strength(const float* samples, size_t count, uint32_t rate) {
    onset_envelope e;
    const uint32_t hop = envelope_hop(rate), win = 8 * hop;
    e.frame_rate = (double)rate / hop;
    // Frame j's window ends at sample (j + 1) hop. The log flux of an attack is largest a
    // little after the attack enters the window; measured on clicks, that is 1.5 hops after
    // the window's end passes it.
    e.first = (hop - 1.5 * hop) / rate;
    aubio_pvoc_t* pv = new_aubio_pvoc(win, hop);
    cvec_t* spectrum = new_cvec(win);
    fvec_t* in = new_fvec(hop);
    const uint32_t bins = win / 2 + 1;
    const uint32_t low_top = std::min(bins, (uint32_t)ceil(200.0 * win / rate));
    const uint32_t mid_top = std::min(bins, (uint32_t)ceil(2500.0 * win / rate));
    std::vector<float> prev(bins, 0.0f), cur(bins);
    const size_t frames = count / hop + 1;
    e.low.reserve(frames);
    e.mid.reserve(frames);
    e.high.reserve(frames);
    e.level.reserve(frames);
    for (size_t j = 0; j < frames; ++j) {
        for (uint32_t k = 0; k < hop; ++k) {
            size_t i = j * hop + k;
            in->data[k] = i < count ? samples[i] : 0.0f;
        }
        aubio_pvoc_do(pv, in, spectrum);
        double f[3] = {0, 0, 0};
        for (uint32_t k = 0; k < bins; ++k) {
            cur[k] = log1pf(100.0f * spectrum->norm[k]);
            double d = cur[k] - prev[k];
            if (d > 0 && k > 0) f[k < low_top ? 0 : k < mid_top ? 1 : 2] += d;
        }
        prev.swap(cur);
        e.low.push_back((float)f[0]);
        e.mid.push_back((float)f[1]);
        e.high.push_back((float)f[2]);
        double power = 0;
        for (uint32_t k = 0; k < hop; ++k) power += (double)in->data[k] * in->data[k];
        e.level.push_back((float)sqrt(power / hop));
    }
    del_fvec(in);
    del_cvec(spectrum);
    del_aubio_pvoc(pv);
    // How sharp the sharpest rises are (the 99th percentile of the summed flux): a few units
    // for a drone, over a hundred for music with attacks at any level down to about -60 dBFS.
    {
        std::vector<float> sum(frames);
        for (size_t j = 0; j < frames; ++j) sum[j] = e.low[j] + e.mid[j] + e.high[j];
        size_t k = frames * 99 / 100;
        std::nth_element(sum.begin(), sum.begin() + (ptrdiff_t)k, sum.end());
        e.sharpest = sum[k];
    }
    // (Frame 0 keeps its flux from silence: music that starts on the first sample starts with
    // an onset there.)
    detrend(e.low, e.frame_rate);
    detrend(e.mid, e.frame_rate);
    detrend(e.high, e.frame_rate);
    e.all.resize(frames);
    for (size_t j = 0; j < frames; ++j) e.all[j] = e.low[j] + e.mid[j] + e.high[j];
    return e;
}

std::vector<double> envelope_onsets(const onset_envelope& env) {
    std::vector<double> times;
    const long reach = std::max(1L, lround(0.05 * env.frame_rate));
    const std::vector<float>& e = env.all;
    for (long i = 0; i < (long)e.size(); ++i) {
        if (e[(size_t)i] < 2.0f) continue;
        bool top = true;
        for (long j = std::max(0L, i - reach); j <= std::min((long)e.size() - 1, i + reach) && top; ++j)
            if (e[(size_t)j] > e[(size_t)i] || (e[(size_t)j] == e[(size_t)i] && j < i)) top = false;
        if (top) times.push_back(env.time((double)i));
    }
    return times;
}

double grid_drift(const onset_envelope& env, double bpm, double origin, int* windows) {
    *windows = 0;
    if (!(bpm > 0) || env.size() < 4) return 0;
    const double period = 60.0 / bpm * env.frame_rate;
    // What a listener taps along to: the kick and the snare, not the hi-hats, arpeggios or
    // pads between them.
    std::vector<float> drums(env.size());
    for (size_t i = 0; i < env.size(); ++i) drums[i] = 2.0f * env.low[i] + env.mid[i];
    const std::vector<float> e = smoothed(drums);
    const double start = env.frame(origin);
    const double end = (double)e.size();
    const int beats = 16;
    double worst = 0;
    for (double from = start; from + beats * period <= end; from += beats / 2 * period) {
        // The stretch folded onto one beat: where its onsets gather, on the beats and (half as
        // much) halfway between them, so that swung notes just before each beat do not count
        // as the beat.
        auto fold = [&](double o) {
            double v = 0;
            for (int k = 0; k < beats; ++k)
                v += at(e, from + (k + o) * period) + 0.5 * at(e, from + (k + o + 0.5) * period);
            return v;
        };
        double top = 0, mean = 0, best = -1, best_o = 0;
        for (int k = -32; k < 32; ++k) {
            const double o = k / 64.0, v = fold(o);
            mean += v;
            top = std::max(top, v);
            if (fabs(o) <= grid_drift_reach + 1e-9 && v > best) {
                best = v;
                best_o = o;
            }
        }
        mean /= 64.0;
        // Only a clear pulse counts: a peak well above the stretch's average over the beat.
        if (top < 1.6 * mean || top < (double)beats / 2) continue;
        // A stretch whose strongest kicks and snares fall between the beats (a syncopated
        // figure, a fill on the sixteenths) says nothing about the grid.
        if (best < 0.8 * top) continue;
        ++*windows;
        // A grid point that gathers nearly as much as the peak is on the beat (a broad peak,
        // or two close ones, as with flams and swung notes).
        if (fold(0) >= 0.85 * best) best_o = 0;
        worst = std::max(worst, fabs(best_o));
    }
    return worst;
}

tempo_estimate estimate_tempo(const onset_envelope& env, double given_bpm, double given_origin, double min_bpm,
                              double max_bpm) {
    tempo_estimate out;
    const double fr = env.frame_rate;
    if ((double)env.size() < shortest_tempo_seconds * fr) return out;
    if (env.sharpest < min_sharpest_onset && !(given_bpm > 0)) return out;
    const size_t max_lag = std::min(env.size() - 1, (size_t)ceil(4.2 * 60.0 / min_bpm * fr));
    std::vector<double> a = autocorrelation(env.all, max_lag);

    double period = 0; // frames
    if (given_bpm > 0) {
        period = 60.0 / given_bpm * fr;
        out.clarity = std::max(0.0, comb(a, period));
    } else {
        // The strongest periodicity, leaning towards the usual tapping range.
        double best = 0, best_score = -1e9;
        for (double bpm = min_bpm; bpm <= max_bpm; bpm *= 1.002) {
            double lag = 60.0 / bpm * fr;
            double s = comb(a, lag) * tempo_prior(bpm);
            if (s > best_score) {
                best_score = s;
                best = lag;
            }
        }
        double v = 0;
        double p0 = comb_peak(a, best, 0.01, &v);
        // Octaves and the 3:2 of triple feels, each at its own peak, judged with the prior.
        struct candidate {
            double lag, value, score;
        };
        std::vector<candidate> cands;
        cands.reserve(16);
        for (double m : {1.0, 2.0, 0.5, 1.5, 2.0 / 3.0}) {
            double lag = p0 * m;
            double bpm = 60.0 * fr / lag;
            if (bpm < min_bpm * 0.98 || bpm > max_bpm * 1.02) continue;
            double value = 0;
            lag = comb_peak(a, lag, 0.02, &value);
            double score = value * tempo_prior(60.0 * fr / lag) * (m == 1.5 || (m < 0.9 && m > 0.6) ? 0.9 : 1.0);
            cands.push_back({lag, value, score});
        }
        const candidate* pick = &cands[0];
        for (const candidate& c : cands)
            if (c.score > pick->score) pick = &c;
        // A tempo at 3:2 or 4:3 of the pick (or the other way round) can repeat in the envelope
        // nearly as well: a dotted-eighth figure (3 sixteenths) over a beat of 4, or a triplet
        // pulse grouped in twos or threes. The drums decide: a grid that catches clearly more
        // of the strong onsets of the kick band and of the hi-hat band (where a bass line or
        // an arpeggio plays less) is the music's beat. It must catch at least half of them,
        // unless the envelope also repeats more strongly at it than at the pick: then only the
        // leaning towards the usual tapping range had kept the pick, and both cues outweigh it.
        {
            const onset_peaks kicks = strong_onsets(smoothed(env.low), fr);
            const onset_peaks hats = strong_onsets(smoothed(env.high), fr);
            auto drum_share = [&](double lag) {
                double k = on_grid_share(kicks, lag, fr), h = on_grid_share(hats, lag, fr);
                return 0.5 * (k + h);
            };
            const double pick_share = drum_share(pick->lag);
            const candidate* better = pick;
            double better_share = pick_share;
            for (double m : {1.5, 2.0 / 3.0, 4.0 / 3.0, 0.75}) {
                double value = 0;
                double lag = comb_peak(a, pick->lag * m, 0.02, &value);
                double bpm = 60.0 * fr / lag;
                if (bpm < min_bpm || bpm > max_bpm) continue;
                double share = drum_share(lag);
                if (value > 0.3 * pick->value && tempo_prior(bpm) > 0.3 && (share >= 0.5 || value > pick->value) &&
                    share > 1.5 * better_share) {
                    cands.push_back({lag, value, 0});
                    better = &cands.back();
                    better_share = share;
                }
            }
            pick = better;
        }
        period = pick->lag;
        out.clarity = std::max(0.0, pick->value);

        // The drums decide between octaves: a beat that alternates strong and weak kicks and
        // snares (hi-hats between) is at twice the music's tempo; a slow beat whose half beats
        // hit as hard in the kick and snare bands as its beats is at half of it.
        double ph = best_phase(env.all, period);
        double bpm = 60.0 * fr / period;
        double low_even = mean_on_grid(env.low, period, ph, 0), low_odd = mean_on_grid(env.low, period, ph, 1);
        double mid_even = mean_on_grid(env.mid, period, ph, 0), mid_odd = mean_on_grid(env.mid, period, ph, 1);
        // One parity without kick and without snare (the hi-hats between the real beats).
        bool alternate = (low_odd < 0.5 * low_even && mid_odd < 0.6 * mid_even) ||
                         (low_even < 0.5 * low_odd && mid_even < 0.6 * mid_odd);
        double on_low = mean_on_grid(env.low, period, ph, -1), half_low = mean_on_grid(env.low, period, ph, -1, 0.5);
        double on_mid = mean_on_grid(env.mid, period, ph, -1), half_mid = mean_on_grid(env.mid, period, ph, -1, 0.5);
        // The beats are the half of the grid where kick and snare are stronger.
        if (half_low + half_mid > on_low + on_mid) {
            std::swap(on_low, half_low);
            std::swap(on_mid, half_mid);
        }
        // Kick and snare as strong a third and two thirds of the way between grid points as on
        // them, and weak halfway: the grid is at 2:3 of the music's beat (its points fall on
        // beats and between beats by turns, so everything folds onto thirds). A triplet feel
        // at the right tempo keeps its beats clearly stronger than the triplets between.
        std::vector<float> drums(env.size());
        for (size_t i = 0; i < env.size(); ++i) drums[i] = env.low[i] + env.mid[i];
        double at0 = mean_on_grid(drums, period, ph, -1), at3 = mean_on_grid(drums, period, ph, -1, 1.0 / 3),
               at6 = mean_on_grid(drums, period, ph, -1, 2.0 / 3), at_half = mean_on_grid(drums, period, ph, -1, 0.5);
        // A slow grid whose own beats come strong and weak by turns in the kick and snare bands
        // (a bar accented on its first and third beats, or a backbeat) is kept, even with busy
        // half beats: in a song twice as fast its points fall on every other beat, where the
        // bar's kick and snare come back alike; and a half-time feel there is tapped slow too.
        auto turns = [](double even, double odd) {
            double top = std::max(even, odd);
            return top > 0 ? std::min(even, odd) / top : 1.0;
        };
        const bool slow_accents = 0.5 * (turns(low_even, low_odd) + turns(mid_even, mid_odd)) < 2.0 / 3.0;
        if (bpm * 1.5 <= 210 && std::min(at3, at6) >= 0.8 * at0 && at_half < 0.6 * std::min(at3, at6)) {
            double value = 0;
            period = comb_peak(a, period / 1.5, 0.02, &value);
        } else if (bpm * 2 <= 210 && half_low + half_mid >= 0.8 * (on_low + on_mid) && !slow_accents) {
            double value = 0;
            period = comb_peak(a, period / 2, 0.02, &value);
        } else if (bpm / 2 >= min_bpm && bpm > 125 && alternate) {
            double value = 0;
            period = comb_peak(a, period * 2, 0.02, &value);
        }
    }
    if (out.clarity < min_pulse_clarity && !(given_bpm > 0)) return out;

    // The grid: a straight line of beats fitted to the whole song's onsets, first coarsely over
    // tempo and phase, then finely around the best.
    // Kick and snare weigh more than the hi-hats, whose swung or pushed notes would pull the
    // grid off the beat.
    std::vector<float> weighted(env.size());
    for (size_t i = 0; i < env.size(); ++i) weighted[i] = 2.0f * env.low[i] + env.mid[i] + 0.5f * env.high[i];
    const std::vector<float> e = smoothed(weighted);
    const bool fixed_tempo = given_bpm > 0, fixed_phase = given_origin >= 0;
    const double given_phase = fixed_phase ? env.frame(given_origin) : 0;
    double best_p = period, best_ph = fixed_phase ? given_phase : 0, best_v = -1;
    auto search = [&](double p_from, double p_to, double p_step, double ph_from, double ph_to, double ph_step) {
        for (double p = p_from; p <= p_to + 1e-12; p += p_step) {
            double lo = fixed_phase ? given_phase : ph_from, hi = fixed_phase ? given_phase : ph_to;
            for (double ph = lo; ph <= hi + 1e-12; ph += ph_step) {
                double v = grid_sum(e, p, ph);
                if (v > best_v) {
                    best_v = v;
                    best_p = p;
                    best_ph = ph;
                }
            }
        }
    };
    if (fixed_tempo) {
        search(period, period, 1, 0, period, 0.25);
        double c = best_ph;
        search(period, period, 1, c - 0.3, c + 0.3, 0.02);
    } else {
        search(period * 0.985, period * 1.015, period * 0.0005, 0, period, 1.0);
        double cp = best_p, cph = best_ph;
        search(cp - period * 0.0006, cp + period * 0.0006, period * 0.00002, cph - 1.5, cph + 1.5, 0.1);
    }
    period = best_p;
    double phase = best_ph;
    // Swung notes just before the beats can outweigh the beats themselves (in a shuffle the
    // late sixteenth before each beat, hats and bass together): within 3/16 of a beat of the
    // fitted phase, the phase whose beats and half beats together are clearly strongest is
    // the beat.
    if (!fixed_phase) {
        auto straight = [&](double ph) {
            return mean_on_grid(weighted, period, ph, -1) + 0.5 * mean_on_grid(weighted, period, ph, -1, 0.5);
        };
        const double here = straight(phase);
        double best_s = here, best_o = 0;
        for (double o = -3.0 / 16; o <= 3.0 / 16 + 1e-9; o += 1.0 / 64) {
            double v = straight(phase + o * period);
            if (v > best_s) {
                best_s = v;
                best_o = o;
            }
        }
        if (best_s > 1.25 * here) phase += best_o * period;
    }

    // The beats are where the kick and snare strike, not the hi-hats between them.
    if (!fixed_phase) {
        std::vector<float> drums(env.size());
        for (size_t i = 0; i < env.size(); ++i) drums[i] = env.low[i] + env.mid[i];
        double on = mean_on_grid(drums, period, phase, -1), off = mean_on_grid(drums, period, phase, -1, 0.5);
        if (off > 1.3 * on) phase += period / 2;
    }
    out.bpm = 60.0 * fr / period;

    if (fixed_phase) {
        out.origin = given_origin;
    } else {
        // The first beat: the first grid point with an onset about as strong as the song's beats.
        std::vector<double> strengths;
        double first = fmod(phase, period);
        if (first < 0) first += period;
        // A grid point a hair before the first frame still counts.
        if (first - period > -0.02 * fr) first -= period;
        std::vector<double> levels;
        for (double t = first; t < (double)e.size() - 1; t += period) {
            strengths.push_back(peak_near(env.all, t, 3));
            levels.push_back(peak_near(env.level, t + 0.25 * period, 0.25 * period));
        }
        // A quiet intro's notes rise as sharply as the band's, but not as loud: weigh each
        // onset by the power of the music around it, against the song's usual level.
        double usual = median(levels);
        for (size_t k = 0; k < strengths.size(); ++k)
            if (usual > 0) strengths[k] *= std::min(1.0, (levels[k] / usual) * (levels[k] / usual));
        double typical = median(strengths);
        size_t k = 0;
        while (k < strengths.size() && strengths[k] < 0.5 * typical) ++k;
        if (k == strengths.size()) k = 0;
        out.origin = std::max(0.0, env.time(first + (double)k * period));
    }
    out.drift = grid_drift(env, out.bpm, out.origin, &out.grid_windows);
    return out;
}
