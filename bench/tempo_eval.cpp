// tempo_eval: how `tavrin pack` finds tempo, first beat and mood on music nobody here wrote
// and on songs made in the styles where detectors fail. Prints one table; not a test.
//
//   tempo_eval [--music DIR] [--truth FILE] [--synthetic] [--real] [--only TEXT] [--sections]
//
// Real songs come from free-music Debian packages that bench/fetch_eval_music.sh unpacks into
// DIR (default ~/.cache/tavrin-eval/music); bench/tempo_truth.tsv lists each song with the
// tempo established for it without this tool. Synthetic songs (data/music/eval_songs.*) and the
// default show's tracks know their own tempo and first beat.
//
// Columns: song, truth bpm, found bpm, ok (within 4 %, or the song refused), first beat found
// (and its error against the truth where known), grid drift in beats, the mood point and the CPU
// time of the analysis. Drift is measured against the known beats for synthetic songs and
// against the note chart's beats for the songs that have one ("c", kind "chart"); for other real
// ones ("r") against reference beats found here without pack's code: a dynamic-programming beat
// tracker at the truth tempo over aubio's spectral-flux onset function, which lets each beat
// fall where the music puts it. It is the largest offset of the grid from the reference beats,
// as the median over any 16 of them in a row that lie on onsets; beside it, up to half a beat
// of the reference, pack's own figure ("p", the fit its summary reports: see grid_drift) and
// the same largest offset against the beats of aubio's beat tracker ("a", a second opinion
// with its own onsets, tempo and phase; "-" where it tracked another tempo).
// Songs without a reference show pack's figure alone ("m").
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/music/eval_songs.h"
#include "data/music/music.h"
#include "data/music/synth.h"
#include "tools/pack_analysis.h"
#include "tools/pack_audio.h"
#include "tools/pack_tempo.h"

namespace {

double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + t.tv_nsec * 1e-9;
}

struct row {
    std::string name, kind;
    double truth = 0;
    double truth_first = -1;
    bool refused = false;
    beat_grid grid;
    double first_error_ms = NAN;
    double drift = NAN;
    double measured_drift = 0;
    double reference_drift = NAN; // against the reference beats (real songs at the right tempo)
    double reference_slide = NAN; // the same, up to half a beat
    int reference_windows = 0;    // stretches of 16 reference beats that it was measured over
    double tracker_drift = NAN;   // the same against aubio's beat tracker, where it keeps our tempo
    bool drift_known = false;
    float mood_x = 0, mood_y = 0;
    track_analysis measures;
    float composed_x = -1, composed_y = -1;
    double seconds = 0, cpu = 0;
};

const uint32_t rate = 22050;

// ---- reference beats, independent of pack's beat finder ----

const uint32_t flux_hop = 128, flux_window = 1024;

// Block j of `hop` samples of s into `in`, zeros past the end.
void fill_block(const std::vector<float>& s, size_t j, uint32_t hop, fvec_t* in) {
    for (uint32_t k = 0; k < hop; ++k) {
        size_t i = j * hop + k;
        in->data[k] = i < s.size() ? s[i] : 0.0f;
    }
}

// aubio's spectral flux, less its mean over about a second, negatives dropped, spread 1.
std::vector<double> flux_envelope(const std::vector<float>& s) {
    aubio_pvoc_t* pv = new_aubio_pvoc(flux_window, flux_hop);
    aubio_specdesc_t* sd = new_aubio_specdesc((char_t*)"specflux", flux_window);
    cvec_t* spectrum = new_cvec(flux_window);
    fvec_t* in = new_fvec(flux_hop);
    fvec_t* out = new_fvec(1);
    std::vector<double> e;
    for (size_t j = 0; j * flux_hop < s.size(); ++j) {
        fill_block(s, j, flux_hop, in);
        aubio_pvoc_do(pv, in, spectrum);
        aubio_specdesc_do(sd, spectrum, out);
        e.push_back(out->data[0]);
    }
    del_fvec(out);
    del_fvec(in);
    del_cvec(spectrum);
    del_aubio_specdesc(sd);
    del_aubio_pvoc(pv);
    const long half = (long)(0.5 * rate / flux_hop);
    std::vector<double> prefix(e.size() + 1, 0.0), d(e.size());
    for (size_t i = 0; i < e.size(); ++i) prefix[i + 1] = prefix[i] + e[i];
    double sum = 0, sum2 = 0;
    for (long i = 0; i < (long)e.size(); ++i) {
        long a = std::max(0L, i - half), b = std::min((long)e.size(), i + half + 1);
        d[(size_t)i] = std::max(0.0, e[(size_t)i] - (prefix[(size_t)b] - prefix[(size_t)a]) / (double)(b - a));
        sum += d[(size_t)i];
        sum2 += d[(size_t)i] * d[(size_t)i];
    }
    double n = std::max<double>(1, (double)d.size()), sd_ = sqrt(std::max(1e-18, sum2 / n - (sum / n) * (sum / n)));
    for (double& v : d) v /= sd_;
    return d;
}

// Seconds from an onset to the frame where its flux peaks, measured on a click.
double flux_latency() {
    std::vector<float> click(rate * 2, 0.0f);
    const size_t at = rate;
    for (size_t i = 0; i < 64; ++i) click[at + i] = (float)(0.8 * exp(-(double)i / 12.0) * ((i & 1) ? -1 : 1));
    std::vector<double> e = flux_envelope(click);
    size_t peak = (size_t)(std::max_element(e.begin(), e.end()) - e.begin());
    return (double)(peak * flux_hop) / rate - (double)at / rate;
}

// Beat times (seconds) by dynamic programming: each beat is an onset strength plus the best
// earlier beat, less a penalty that grows with the log of how far the gap is from `bpm`'s
// period (Ellis' beat tracker).
std::vector<double> reference_beats(const std::vector<double>& o, double bpm, double latency) {
    const double fps = (double)rate / flux_hop, p = 60.0 / bpm * fps;
    const long lo = (long)floor(p / 2), hi = (long)ceil(p * 2);
    const double tightness = 100;
    std::vector<double> score(o.size());
    std::vector<long> back(o.size(), -1);
    for (long i = 0; i < (long)o.size(); ++i) {
        double best = 0;
        long from = -1;
        for (long j = i - hi; j <= i - lo; ++j) {
            if (j < 0) continue;
            double l = log((double)(i - j) / p);
            double v = score[(size_t)j] - tightness * l * l;
            if (v > best) {
                best = v;
                from = j;
            }
        }
        score[(size_t)i] = o[(size_t)i] + best;
        back[(size_t)i] = from;
    }
    long end = (long)o.size() - 1;
    for (long i = std::max(0L, (long)o.size() - (long)ceil(p)); i < (long)o.size(); ++i)
        if (score[(size_t)i] > score[(size_t)end]) end = i;
    std::vector<double> beats;
    for (long i = end; i >= 0; i = back[(size_t)i]) beats.push_back((double)(i * (long)flux_hop) / rate - latency);
    std::reverse(beats.begin(), beats.end());
    return beats;
}

// Beat times from aubio's own beat tracker (aubio_tempo, which pack does not use): a second
// opinion on where the beats fall, with its own onset function, tempo and phase.
std::vector<double> tracker_beats(const std::vector<float>& s) {
    const uint32_t window = 1024, hop = 256;
    aubio_tempo_t* tracker = new_aubio_tempo((char_t*)"default", window, hop, rate);
    fvec_t* in = new_fvec(hop);
    fvec_t* out = new_fvec(1);
    std::vector<double> beats;
    for (size_t j = 0; j * hop < s.size(); ++j) {
        fill_block(s, j, hop, in);
        aubio_tempo_do(tracker, in, out);
        if (out->data[0] != 0) beats.push_back(aubio_tempo_get_last_s(tracker));
    }
    del_fvec(out);
    del_fvec(in);
    del_aubio_tempo(tracker);
    return beats;
}

// The tempo of a list of beats: 60 over their median gap (0 with fewer than two).
double beats_bpm(const std::vector<double>& beats) {
    std::vector<double> gaps;
    for (size_t i = 1; i < beats.size(); ++i) gaps.push_back(beats[i] - beats[i - 1]);
    if (gaps.empty()) return 0;
    std::nth_element(gaps.begin(), gaps.begin() + (ptrdiff_t)(gaps.size() / 2), gaps.end());
    return 60.0 / gaps[gaps.size() / 2];
}

// The grid's largest offset, in beats, from the reference beats: over each 16 of them in a row
// (from the grid's first beat on) that are clearly the beat, the median offset. Clearly the
// beat: the onsets at them are strong (median above the envelope's spread) and stronger by a
// quarter than those halfway and a quarter of the way between them (where the onsets are as
// strong off the beats, the tracker's choice of phase says nothing).
double drift_from_reference(const std::vector<double>& o, const std::vector<double>& beats, double latency,
                            double bpm, double origin, int* windows, double* slide) {
    const double fps = (double)rate / flux_hop;
    auto strength_at = [&](double t) {
        long f = lround((t + latency) * fps);
        double m = 0;
        for (long j = f - 2; j <= f + 2; ++j)
            if (j >= 0 && j < (long)o.size()) m = std::max(m, o[(size_t)j]);
        return m;
    };
    std::vector<double> offset, strength, between;
    for (size_t i = 0; i + 1 < beats.size(); ++i) {
        const double b = beats[i], gap = beats[i + 1] - b;
        if (b < origin - 30.0 / bpm) continue;
        double x = (b - origin) * bpm / 60.0;
        offset.push_back(x - nearbyint(x));
        strength.push_back(strength_at(b));
        between.push_back(std::max({strength_at(b + 0.25 * gap), strength_at(b + 0.5 * gap), strength_at(b + 0.75 * gap)}));
    }
    double worst = 0;
    *windows = 0;
    *slide = 0;
    const size_t n = 16;
    for (size_t k = 0; k + n <= offset.size(); k += n / 2) {
        double on = 0, off = 0;
        std::vector<double> st(strength.begin() + (ptrdiff_t)k, strength.begin() + (ptrdiff_t)(k + n));
        for (size_t i = k; i < k + n; ++i) {
            on += strength[i];
            off += between[i];
        }
        std::nth_element(st.begin(), st.begin() + n / 2, st.end());
        if (st[n / 2] < 1.0 || on < 1.25 * off) continue;
        ++*windows;
        // The median on the circle of offsets: unwrapped around their mean direction.
        double c = 0, sn = 0;
        for (size_t i = k; i < k + n; ++i) {
            c += cos(2 * M_PI * offset[i]);
            sn += sin(2 * M_PI * offset[i]);
        }
        double centre = atan2(sn, c) / (2 * M_PI);
        std::vector<double> u;
        for (size_t i = k; i < k + n; ++i) u.push_back(centre + remainder(offset[i] - centre, 1.0));
        std::nth_element(u.begin(), u.begin() + n / 2, u.end());
        const double x = fabs(remainder(u[n / 2], 1.0));
        worst = std::max(worst, x);
        *slide = std::max(*slide, std::min(x, fabs(0.5 - x)));
    }
    return worst;
}

// Where a band's onsets gather in [from, to), folded onto the grid's beat: the mean phase in
// beats (-0.5..0.5, 0 on the beat) of the frames above 1.5 (weighted by their square), how
// concentrated they are (0..1), and the shares of their weight within 0.06 beat of the beats
// and of the points halfway.
struct band_fold {
    double phase = 0, focus = 0, on = 0, half = 0;
};

band_fold fold_band(const std::vector<float>& e, const onset_envelope& env, double bpm, double origin, double from,
                    double to) {
    band_fold f;
    double c = 0, s = 0, w = 0;
    const long a = std::max(0L, (long)env.frame(from)), b = std::min((long)e.size(), (long)env.frame(to));
    for (long i = a; i < b; ++i) {
        if (e[(size_t)i] < 1.5f) continue;
        const double x = (env.time((double)i) - origin) * bpm / 60.0, ph = x - floor(x), v = (double)e[(size_t)i] * e[(size_t)i];
        c += v * cos(2 * M_PI * ph);
        s += v * sin(2 * M_PI * ph);
        w += v;
        if (ph < 0.06 || ph > 0.94) f.on += v;
        if (fabs(ph - 0.5) < 0.06) f.half += v;
    }
    if (w > 0) {
        f.phase = atan2(s, c) / (2 * M_PI);
        f.focus = sqrt(c * c + s * s) / w;
        f.on /= w;
        f.half /= w;
    }
    return f;
}

// Stretch by stretch of 16 beats: the level, where the kick (below 200 Hz), middle and hi-hat
// (above 2.5 kHz) bands' onsets gather on the found grid, and the reference beats' offset
// from it. Tells a grid that is off the beat (kick away from 0) from a reference that follows
// off-beats (kick at 0, reference near 0.5).
void print_sections(const std::vector<float>& s, const row& r, const std::vector<double>& beats) {
    const onset_envelope env = onset_strength(s.data(), s.size(), rate);
    const double span = 16 * 60.0 / r.grid.bpm;
    printf("  %7s %6s | %-22s | %-11s | %-11s | %s\n", "from s", "dB", "kick phase focus on half", "mid", "hats",
           "reference");
    for (double from = 0; from < r.seconds; from += span) {
        const double to = from + span;
        const size_t a = (size_t)(from * rate), b = std::min(s.size(), (size_t)(to * rate));
        double power = 0;
        for (size_t i = a; i < b; ++i) power += (double)s[i] * s[i];
        const double db = 10 * log10(power / (double)std::max<size_t>(1, b - a) + 1e-12);
        const band_fold k = fold_band(env.low, env, r.grid.bpm, r.grid.origin, from, to);
        const band_fold m = fold_band(env.mid, env, r.grid.bpm, r.grid.origin, from, to);
        const band_fold h = fold_band(env.high, env, r.grid.bpm, r.grid.origin, from, to);
        double c = 0, sn = 0;
        int n = 0;
        for (double t : beats)
            if (t >= from && t < to) {
                const double x = (t - r.grid.origin) * r.grid.bpm / 60.0;
                c += cos(2 * M_PI * x);
                sn += sin(2 * M_PI * x);
                ++n;
            }
        printf("  %7.1f %6.1f | %+5.2f %4.2f %4.2f %4.2f    | %+5.2f %4.2f | %+5.2f %4.2f | %+5.2f %4.2f\n", from, db,
               k.phase, k.focus, k.on, k.half, m.phase, m.focus, h.phase, h.focus, atan2(sn, c) / (2 * M_PI),
               n ? sqrt(c * c + sn * sn) / n : 0.0);
    }
}

// The pack pipeline's analysis on samples at 22050 Hz: the whole file as one loop.
void analyse(row& r, const std::vector<float>& s) {
    double t0 = cpu_seconds();
    std::string error;
    r.seconds = (double)s.size() / rate;
    if (!find_beats(s.data(), s.size(), rate, 0, -1, &r.grid, &error)) {
        r.refused = true;
    } else {
        // Measured here rather than taken from the grid, so that any beat finder can be judged.
        int windows = 0;
        r.measured_drift = grid_drift(onset_strength(s.data(), s.size(), rate), r.grid.bpm, r.grid.origin, &windows);
        analysis_input in;
        in.samples = s.data();
        in.count = s.size();
        in.loop_start = 0;
        in.loop_samples = s.size();
        in.rate = rate;
        in.bpm = r.grid.bpm;
        in.beat_origin = r.grid.origin;
        track_analysis a = analyse_track(in);
        r.measures = a;
        r.mood_x = a.mood_x;
        r.mood_y = a.mood_y;
    }
    r.cpu = cpu_seconds() - t0;
}

// Known beats every 60/truth s from truth_first (and before it): the largest distance, in
// beats, of any of them from the found grid, over the whole song.
void known_drift(row& r) {
    if (r.refused || r.truth_first < 0) return;
    const double period = 60.0 / r.truth;
    double worst = 0;
    for (double t = fmod(r.truth_first, period); t < r.seconds; t += period) {
        double x = (t - r.grid.origin) * r.grid.bpm / 60.0;
        worst = std::max(worst, fabs(x - nearbyint(x)));
    }
    r.drift = worst;
    r.drift_known = true;
    // a chart's beat 0 is no first beat: its grid starts at 0 s whenever the music does
    if (r.kind != "chart") r.first_error_ms = (r.grid.origin - r.truth_first) * 1000.0;
}

bool tempo_ok(const row& r) { return !r.refused && r.truth > 0 && fabs(r.grid.bpm / r.truth - 1.0) <= 0.04; }

void print_row(const row& r) {
    char first[48] = "", drift[48] = "", mood[48] = "";
    if (!r.refused) {
        if (r.drift_known && !std::isnan(r.first_error_ms))
            snprintf(first, sizeof first, "%7.3f (%+5.0f ms)", r.grid.origin, r.first_error_ms);
        else
            snprintf(first, sizeof first, "%7.3f", r.grid.origin);
        if (r.drift_known)
            snprintf(drift, sizeof drift, r.kind == "chart" ? "%5.3f c" : "%5.3f", r.drift);
        else if (!std::isnan(r.reference_drift) && !std::isnan(r.tracker_drift))
            snprintf(drift, sizeof drift, "%5.3f r%-3d %5.3f p%5.3f a%5.3f", r.reference_drift, r.reference_windows,
                     r.reference_slide, r.measured_drift, r.tracker_drift);
        else if (!std::isnan(r.reference_drift))
            snprintf(drift, sizeof drift, "%5.3f r%-3d %5.3f p%5.3f a -", r.reference_drift, r.reference_windows,
                     r.reference_slide, r.measured_drift);
        else
            snprintf(drift, sizeof drift, "%5.3f m", r.measured_drift);
        if (r.composed_x >= 0)
            snprintf(mood, sizeof mood, "%.2f,%.2f (made %.2f,%.2f)", r.mood_x, r.mood_y, r.composed_x, r.composed_y);
        else
            snprintf(mood, sizeof mood, "%.2f,%.2f", r.mood_x, r.mood_y);
    }
    char found[32];
    if (r.refused)
        snprintf(found, sizeof found, "refused");
    else
        snprintf(found, sizeof found, "%7.2f", r.grid.bpm);
    const track_analysis& m = r.measures;
    printf("%-34.34s %-5s %6.1f %8s %-4s %-20s %-31s %-26s %5.0f s %5.2f s  %5.1f/s %6.1f dB %5.1f dB %6.0f Hz %5.3f\n",
           r.name.c_str(), r.kind.c_str(), r.truth, found,
           r.truth <= 0 ? (r.refused ? "MISS" : "-") : tempo_ok(r) ? "ok" : "MISS", first, drift, mood, r.seconds, r.cpu,
           m.onsets_per_second, m.loudness_db, m.dynamics_db, m.centroid_hz, m.high_share);
    fflush(stdout);
}

std::vector<float> to_floats(const std::vector<int16_t>& pcm) {
    std::vector<float> s(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) s[i] = pcm[i] / 32768.0f;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    const char* home = getenv("HOME");
    std::string music_dir = std::string(home ? home : ".") + "/.cache/tavrin-eval/music";
    std::string truth_file = std::string(TAVRIN_SOURCE_DIR) + "/bench/tempo_truth.tsv";
    bool synthetic = true, real = true, sections = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--music" && i + 1 < argc)
            music_dir = argv[++i];
        else if (a == "--truth" && i + 1 < argc)
            truth_file = argv[++i];
        else if (a == "--synthetic")
            real = false;
        else if (a == "--real")
            synthetic = false;
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--sections")
            sections = true;
        else {
            fprintf(stderr, "usage: tempo_eval [--music DIR] [--truth FILE] [--synthetic] [--real] [--only TEXT] "
                            "[--sections]\n");
            return 2;
        }
    }
    printf("%-34s %-5s %6s %8s %-4s %-20s %-31s %-26s %7s %7s  %7s %9s %8s %9s %5s\n", "song", "kind", "truth", "found",
           "", "first beat s", "drift", "mood x,y", "length", "cpu", "onsets", "level", "range", "centroid", ">4k");
    std::vector<row> rows;
    if (synthetic) {
        for (int k = 0; k < music::eval_song_count(); ++k) {
            if (!only.empty() && std::string(music::eval_song_name(k)).find(only) == std::string::npos) continue;
            music::eval_song e = music::render_eval_song(k);
            row r;
            r.name = e.name;
            r.kind = "synth";
            r.truth = e.bpm;
            r.truth_first = e.first_beat;
            analyse(r, to_floats(e.pcm));
            known_drift(r);
            print_row(r);
            rows.push_back(r);
        }
        for (int k = 0; k < music::track_count(); ++k) {
            const music::track_info& t = music::track_at(k);
            if (!only.empty() && std::string(t.file).find(only) == std::string::npos) continue;
            music::rendering m = music::render_track(k);
            // Three loops, as the show plays them.
            std::vector<int16_t> pcm;
            for (int rep = 0; rep < 3; ++rep)
                pcm.insert(pcm.end(), m.pcm.begin(), m.pcm.begin() + (ptrdiff_t)music::loop_samples(k));
            row r;
            r.name = t.file;
            r.kind = "show";
            r.truth = t.bpm;
            r.truth_first = 0;
            r.composed_x = t.mood_x;
            r.composed_y = t.mood_y;
            analyse(r, to_floats(pcm));
            known_drift(r);
            print_row(r);
            rows.push_back(r);
        }
    }
    if (real) {
        std::ifstream truth(truth_file);
        if (!truth) {
            fprintf(stderr, "tempo_eval: cannot read %s\n", truth_file.c_str());
            return 1;
        }
        std::string line;
        while (std::getline(truth, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string package, path, bpm, readings, kind, grid;
            std::getline(fields, package, '\t');
            std::getline(fields, path, '\t');
            std::getline(fields, bpm, '\t');
            std::getline(fields, readings, '\t');
            std::getline(fields, kind, '\t');
            std::getline(fields, grid, '\t');
            if (!only.empty() && path.find(only) == std::string::npos) continue;
            row r;
            r.name = path.substr(path.find_last_of('/') + 1);
            r.kind = "real";
            r.truth = atof(bpm.c_str());
            // a note chart's beats: every 60/truth s from 0 s
            if (grid == "chart") {
                r.kind = "chart";
                r.truth_first = 0;
            }
            std::vector<float> raw, s;
            uint32_t file_rate = 0;
            std::string error;
            std::string full = music_dir + "/" + package + "/" + path;
            if (!read_audio_mono(full, &raw, &file_rate, &error) || !resample_audio(raw, file_rate, rate, &s, &error)) {
                fprintf(stderr, "tempo_eval: %s (run bench/fetch_eval_music.sh)\n", error.c_str());
                continue;
            }
            analyse(r, s);
            if (r.kind == "chart") {
                if (tempo_ok(r)) known_drift(r);
            } else if (tempo_ok(r)) {
                std::vector<double> o = flux_envelope(s);
                static const double latency = flux_latency();
                r.reference_drift = drift_from_reference(o, reference_beats(o, r.truth, latency), latency, r.grid.bpm,
                                                         r.grid.origin,
                                                         &r.reference_windows, &r.reference_slide);
                const std::vector<double> tracked = tracker_beats(s);
                if (fabs(beats_bpm(tracked) / r.grid.bpm - 1.0) <= 0.04) {
                    int windows = 0;
                    double slide = 0;
                    r.tracker_drift =
                        drift_from_reference(o, tracked, latency, r.grid.bpm, r.grid.origin, &windows, &slide);
                }
            }
            print_row(r);
            if (sections && r.kind == "chart" && tempo_ok(r)) {
                std::vector<double> chart;
                for (double t = 0; t < r.seconds; t += 60.0 / r.truth) chart.push_back(t);
                print_sections(s, r, chart);
            } else if (sections && !std::isnan(r.reference_drift))
                print_sections(s, r, reference_beats(flux_envelope(s), r.truth, flux_latency()));
            rows.push_back(r);
        }
    }
    int ok = 0, refused = 0, drift_ok = 0, slide_ok = 0, pack_ok = 0, measured = 0, with_truth = 0;
    int tracked = 0, tracker_ok = 0, either_ok = 0; // right tempi that aubio's tracker followed
    double seconds = 0, cpu = 0;
    for (const row& r : rows) {
        ok += tempo_ok(r);
        with_truth += r.truth > 0;
        refused += r.refused;
        if (tempo_ok(r)) {
            ++measured;
            const bool reference = !r.drift_known && !std::isnan(r.reference_drift);
            const double d = r.drift_known ? r.drift : reference ? r.reference_drift : r.measured_drift;
            drift_ok += d < 0.125;
            slide_ok += (reference ? r.reference_slide : d) < 0.125;
            pack_ok += r.measured_drift < 0.125;
            if (!std::isnan(r.tracker_drift)) {
                ++tracked;
                tracker_ok += r.tracker_drift < 0.125;
                either_ok += r.tracker_drift < 0.125 || d < 0.125;
            }
        }
        seconds += r.seconds;
        cpu += r.cpu;
    }
    printf("\n%d songs, %d with a known tempo: %d within 4 %% of it (%.1f %%), %d refused, %d of %d right tempi with the "
           "grid within 1/8 beat (%d up to half a beat of the reference, %d by pack's own figure); analysis %.2f s CPU per minute of audio at "
           "22050 Hz\n",
           (int)rows.size(), with_truth, ok, with_truth ? 100.0 * ok / with_truth : 0.0, refused, drift_ok, measured,
           slide_ok, pack_ok, seconds > 0 ? cpu / seconds * 60.0 : 0.0);
    printf("aubio's beat tracker kept the tempo of %d of the real songs measured against the reference: the grid is "
           "within 1/8 beat of its beats on %d, and of its or the reference's on %d\n",
           tracked, tracker_ok, either_ok);
    return 0;
}
