#include "tools/pack.h"

#include "tools/cli.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/show.h"
#include "platform/payload_file.h"
#include "tools/media_out.h"
#include "tools/pack_checks.h"
#include "tools/pack_tempo.h"

const char* const pack_usage =
    "usage: tavrin pack [OPTIONS] [TRACK OPTIONS] INPUT... (-o OUT | --append-to EXE -o OUT)\n"
    "\n"
    "Packs audio files (what libsndfile reads: WAV, FLAC, Ogg, MP3, ...; other formats such\n"
    "as M4A/AAC, Opus or tracker modules through the ffmpeg program) into a show payload,\n"
    "one track per INPUT: resampled and mixed to mono, tempo and first beat found from the\n"
    "onsets of the whole song (the tempo a listener taps, its beat grid fitted to the song),\n"
    "encoded to MP3 with LAME, analysed for the pictures (beat, loudness and hi-hat levels,\n"
    "the energy of every 16 beats, a mood point).\n"
    "\n"
    "Output:\n"
    "  -o, --output OUT     the file to write; it is replaced only when everything succeeded.\n"
    "                       Alone, OUT holds the payload and its trailer (for TAVRIN_SELF).\n"
    "                       It is written as OUT.partial-XXXXXX beside OUT and renamed; one\n"
    "                       left by a killed run is removed by the next run to the same OUT\n"
    "  --append-to EXE      OUT becomes a copy of the player EXE (the Linux or Windows player,\n"
    "                       nothing else) with the payload appended, executable; a payload EXE\n"
    "                       already carries is replaced\n"
    "  --rate HZ            sample rate of the show (default 22050; an MP3 rate: 8000, 11025,\n"
    "                       12000, 16000, 22050, 24000, 32000, 44100, 48000)\n"
    "  --kbps N             MP3 bit rate, constant (default 48 up to 24000 Hz, 96 above)\n"
    "  -q, --quiet          no progress bar and no summary on stderr\n"
    "\n"
    "Track options apply to the next INPUT only (with a single INPUT they may also follow it):\n"
    "  --title TEXT         the title in the stream's ID3 tag (default: the file name)\n"
    "  --bpm BPM            the tempo, 40..300, instead of detecting it\n"
    "  --beat-origin SEC    seconds into the file of the first beat, instead of detecting it\n"
    "  --loop START:BEATS   cut a loop of BEATS beats that starts at beat START (counted from\n"
    "                       the first beat); the file must go on for 1024 samples after it,\n"
    "                       for the crossfade between repetitions. Without --loop the whole\n"
    "                       file is one loop, played once\n"
    "  --repeats N          how many times the loop plays (default 1; needs --loop)\n"
    "  --mood X,Y           the mood point, each 0..1 (X calm..lively, Y bright..dark),\n"
    "                       instead of the one measured\n"
    "\n"
    "Examples: tavrin pack song.wav --bpm 120 -o show.tavrin\n"
    "          tavrin pack --loop 8:64 --repeats 3 song.flac --bpm 96 other.wav -o show.tavrin\n"
    "          (the loop is song.flac's, the tempo other.wav's)\n";

namespace {

bool parse_number(const char* text, double* out) { return text && ::parse_number(std::string(text), out); }

bool parse_whole(const char* text, long lo, long hi, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    *out = (int)v;
    return true;
}

// Seconds in messages: "12.500 s".
std::string seconds_s(double s) { return seconds_text(s) + " s"; }

} // namespace

std::string title_from_path(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

bool parse_pack_args(int argc, char** argv, pack_options* out, bool* help, std::string* error) {
    *out = pack_options{};
    *help = false;
    pack_track_options next;
    bool next_used = false; // a track option waits for its INPUT
    bool repeats_given = false;
    std::vector<std::string> next_names, first_names; // the track options given, for a lone INPUT
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&](const char* what) {
            if (!value) *error = a + " needs " + what;
            return value != nullptr;
        };
        if (a == "--help" || a == "-h") {
            *help = true;
            return true;
        } else if (a == "-o" || a == "--output") {
            if (!need("a file name")) return false;
            out->output = argv[++i];
        } else if (a == "--append-to") {
            if (!need("an executable")) return false;
            out->append_to = argv[++i];
        } else if (a == "--rate") {
            int rate = 0;
            if (!need("a sample rate")) return false;
            if (!parse_whole(argv[++i], 1, 1000000, &rate) || !mp3_rate_supported((uint32_t)rate)) {
                *error = std::string("--rate ") + argv[i] +
                         ": not an MP3 sample rate (8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000)";
                return false;
            }
            out->rate = (uint32_t)rate;
        } else if (a == "--kbps") {
            int kbps = 0;
            if (!need("a bit rate")) return false;
            if (!parse_whole(argv[++i], 1, 1000, &kbps)) {
                *error = std::string("--kbps ") + argv[i] + ": not a bit rate in kbit/s";
                return false;
            }
            out->kbps = (uint32_t)kbps;
        } else if (a == "-q" || a == "--quiet") {
            out->quiet = true;
        } else if (a == "--title") {
            if (!need("a text")) return false;
            next.title = argv[++i];
            next_used = true;
            next_names.push_back(a);
        } else if (a == "--bpm") {
            if (!need("a tempo")) return false;
            if (!parse_number(argv[++i], &next.bpm) || next.bpm < min_bpm || next.bpm > max_bpm) {
                *error = std::string("--bpm ") + argv[i] + ": the tempo must be a number from 40 to 300";
                return false;
            }
            next_used = true;
            next_names.push_back(a);
        } else if (a == "--beat-origin") {
            if (!need("seconds")) return false;
            if (!parse_number(argv[++i], &next.beat_origin) || next.beat_origin < 0) {
                *error = std::string("--beat-origin ") + argv[i] + ": must be seconds, 0 or more";
                return false;
            }
            next_used = true;
            next_names.push_back(a);
        } else if (a == "--loop") {
            if (!need("START:BEATS")) return false;
            std::string v = argv[++i];
            size_t colon = v.find(':');
            if (colon == std::string::npos ||
                !parse_whole(v.substr(0, colon).c_str(), 0, 1000000, &next.loop_start) ||
                !parse_whole(v.substr(colon + 1).c_str(), 1, 1000000, &next.loop_beats)) {
                *error = "--loop " + v + ": must be START:BEATS, a first beat (0 or more) and a number of beats (1 or more)";
                return false;
            }
            next.loop = true;
            next_used = true;
            next_names.push_back(a);
        } else if (a == "--repeats") {
            if (!need("a count")) return false;
            if (!parse_whole(argv[++i], 1, 10000, &next.repeats)) {
                *error = std::string("--repeats ") + argv[i] + ": must be a whole number from 1 to 10000";
                return false;
            }
            repeats_given = true;
            next_used = true;
            next_names.push_back(a);
        } else if (a == "--mood") {
            if (!need("X,Y")) return false;
            std::string v = argv[++i];
            size_t comma = v.find(',');
            double x = -1, y = -1;
            if (comma == std::string::npos || !parse_number(v.substr(0, comma).c_str(), &x) ||
                !parse_number(v.substr(comma + 1).c_str(), &y) || x < 0 || x > 1 || y < 0 || y > 1) {
                *error = "--mood " + v + ": must be X,Y with both from 0 to 1";
                return false;
            }
            next.mood = true;
            next.mood_x = (float)x;
            next.mood_y = (float)y;
            next_used = true;
            next_names.push_back(a);
        } else if (a.size() > 1 && a[0] == '-') {
            *error = "unknown option " + a + " (see tavrin pack --help)";
            return false;
        } else {
            if (repeats_given && !next.loop) {
                *error = "--repeats for " + a + " needs --loop: a whole file plays once";
                return false;
            }
            next.path = a;
            out->tracks.push_back(next);
            if (out->tracks.size() == 1) first_names = next_names;
            next = pack_track_options{};
            next_names.clear();
            next_used = repeats_given = false;
        }
    }
    if (next_used && out->tracks.size() == 1) {
        // `tavrin pack song.wav --bpm 120 -o show`: with one INPUT its options may follow it.
        pack_track_options& t = out->tracks[0];
        for (const std::string& name : next_names) {
            if (std::find(first_names.begin(), first_names.end(), name) != first_names.end()) {
                *error = name + " given both before and after " + t.path;
                return false;
            }
            if (name == "--title") t.title = next.title;
            if (name == "--bpm") t.bpm = next.bpm;
            if (name == "--beat-origin") t.beat_origin = next.beat_origin;
            if (name == "--loop") {
                t.loop = true;
                t.loop_start = next.loop_start;
                t.loop_beats = next.loop_beats;
            }
            if (name == "--repeats") t.repeats = next.repeats;
            if (name == "--mood") {
                t.mood = true;
                t.mood_x = next.mood_x;
                t.mood_y = next.mood_y;
            }
        }
        if (t.repeats > 1 && !t.loop) {
            *error = "--repeats for " + t.path + " needs --loop: a whole file plays once";
            return false;
        }
    } else if (next_used) {
        *error = "track options after the last INPUT: with several INPUTs each file's options go before it "
                 "(see tavrin pack --help)";
        return false;
    }
    if (out->tracks.empty()) {
        *error = "no INPUT file (see tavrin pack --help)";
        return false;
    }
    if (out->output.empty()) {
        *error = "no output: give -o OUT (see tavrin pack --help)";
        return false;
    }
    if (out->kbps == 0) out->kbps = default_mp3_kbps(out->rate);
    if (!mp3_kbps_supported(out->rate, out->kbps)) {
        *error = "--kbps " + std::to_string(out->kbps) + ": MP3 has no such bit rate at " + std::to_string(out->rate) +
                 " Hz (" + (out->rate >= 32000 ? "32..320" : "8..160") + " kbit/s in the standard steps)";
        return false;
    }
    return true;
}

bool pack_track(const pack_track_options& t, uint32_t rate, uint32_t kbps, packed_track* out, std::string* error,
                const progress_fn& progress) {
    auto stage = [&](double from, double to) {
        return progress_fn([=](double f) {
            if (progress) progress(from + (to - from) * f);
        });
    };
    const std::string& path = t.path;
    *out = packed_track{};
    out->title = t.title.empty() ? title_from_path(path) : t.title;

    std::vector<float> raw;
    uint32_t file_rate = 0;
    if (!read_audio_mono(path, &raw, &file_rate, error)) return false;
    stage(0, 0.05)(1);
    if (raw.empty()) {
        *error = path + ": the file holds no audio";
        return false;
    }
    std::vector<float> s;
    if (!resample_audio(raw, file_rate, rate, &s, error, stage(0.05, 0.4))) return false;
    raw = std::vector<float>();
    const size_t n = s.size();
    out->input_samples = n;

    float peak = 0;
    for (float v : s) peak = std::max(peak, fabsf(v));
    if (peak < 0.001f) {
        *error = path + ": the file is silent (no sample above -60 dBFS)";
        return false;
    }
    if (n < 1000) {
        *error = path + ": too short, " + std::to_string(n) + " samples at " + std::to_string(rate) +
                 " Hz; a loop needs at least 1000";
        return false;
    }

    if (!find_beats(s.data(), n, rate, t.bpm, t.beat_origin, &out->grid, error)) {
        *error = path + ": " + *error;
        return false;
    }
    stage(0.4, 0.5)(1);
    const beat_grid& g = out->grid;
    if (!(g.bpm >= min_bpm && g.bpm <= max_bpm)) {
        char text[64];
        snprintf(text, sizeof text, "%.2f", g.bpm);
        *error = path + ": the tempo found, " + text +
                 " bpm, is outside 40..300 bpm; give the right one with --bpm";
        return false;
    }
    const double seconds = (double)n / rate;
    if (g.origin >= seconds) {
        *error = path + ": the first beat, at " + seconds_s(g.origin) + ", lies past the end of the file (" +
                 seconds_s(seconds) + ")";
        return false;
    }

    // What loops: the whole file, or whole beats of it followed by a tail for the crossfade.
    const double period = 60.0 / g.bpm;
    const size_t tail_needed = 1024;
    size_t start = 0, loop = n, tail = tail_needed;
    double origin = g.origin;
    std::vector<float> stream;
    if (!t.loop) {
        stream = s;
        stream.resize(n + tail, 0.0f); // silence after the end: the stream always has its tail
    } else {
        double start_seconds = g.origin + t.loop_start * period;
        start = (size_t)llround(start_seconds * rate);
        loop = (size_t)llround(t.loop_beats * period * rate);
        if (loop < 1000) {
            *error = path + ": the loop of " + std::to_string(t.loop_beats) + " beats is " + std::to_string(loop) +
                     " samples, too short; a loop needs at least 1000";
            return false;
        }
        if (start + loop + tail_needed > n) {
            *error = path + ": the loop (beats " + std::to_string(t.loop_start) + " to " +
                     std::to_string(t.loop_start + t.loop_beats) + ", " + seconds_s(start_seconds) + " to " +
                     seconds_s(start_seconds + t.loop_beats * period) +
                     " with the 1024-sample tail) runs past the end of the file at " + seconds_s(seconds);
            return false;
        }
        tail = std::min<size_t>(n - start - loop, 2048);
        stream.assign(s.begin() + (ptrdiff_t)start, s.begin() + (ptrdiff_t)(start + loop + tail));
        origin = 0; // the loop starts on a beat
    }
    out->loop_start = start;
    const int repeats = t.loop ? t.repeats : 1;
    if ((uint64_t)loop > (uint64_t)longest_loop_seconds * rate) {
        *error = path + ": the loop is " + seconds_s((double)loop / rate) +
                 " long; the player plays loops of at most half an hour (cut one with --loop)";
        return false;
    }
    if ((uint64_t)loop * (uint64_t)repeats > (uint64_t)longest_show_seconds * rate) {
        *error = path + ": " + std::to_string(repeats) + " repetitions of " + std::to_string(loop) +
                 " samples play longer than one hour, the longest show the player plays";
        return false;
    }
    s = std::vector<float>();

    track_record& r = out->track.record;
    if (!encode_mp3(stream.data(), stream.size(), rate, kbps, out->title, &out->track.mp3, error, stage(0.5, 0.85))) {
        *error = path + ": " + *error;
        return false;
    }

    // The analysis hears what the player plays: the decoded stream, its delay dropped.
    std::vector<float> decoded;
    if (!decode_mp3_floats(out->track.mp3, stream.size(), &decoded, error)) {
        *error = path + ": " + *error;
        return false;
    }
    stage(0.85, 0.9)(1);
    // Before the loop plays its own end (when it repeats) or silence.
    size_t before = std::min<size_t>(loop, 4 * (size_t)rate);
    std::vector<float> heard(before, 0.0f);
    if (repeats > 1)
        heard.assign(decoded.begin() + mp3_decoder_delay + (ptrdiff_t)(loop - before),
                     decoded.begin() + mp3_decoder_delay + (ptrdiff_t)loop);
    heard.insert(heard.end(), decoded.begin() + mp3_decoder_delay,
                 decoded.begin() + mp3_decoder_delay + (ptrdiff_t)(loop + tail));
    decoded = std::vector<float>();
    analysis_input in;
    in.samples = heard.data();
    in.count = heard.size();
    in.loop_start = before;
    in.loop_samples = loop;
    in.rate = rate;
    in.bpm = g.bpm;
    in.beat_origin = origin;
    out->analysis = analyse_track(in);
    stage(0.9, 1.0)(1);

    const double loop_seconds = (double)loop / rate;
    r.tempo_bpm = (float)g.bpm;
    r.beat_origin = (float)origin;
    r.loop_length = (float)loop_seconds;
    r.show_length = (float)(loop_seconds * repeats);
    r.mood_x = t.mood ? t.mood_x : out->analysis.mood_x;
    r.mood_y = t.mood ? t.mood_y : out->analysis.mood_y;
    r.feature_rate = feature_rate(rate);
    r.sample_rate = rate;
    r.loop_samples = (uint32_t)loop;
    r.mp3_kbps = kbps;
    out->track.features = out->analysis.features;
    out->track.energy = out->analysis.energy;
    // The blocks are placed later; the values must already be what the player accepts.
    if (const char* problem = track_record_problem(r, 0xFFFFFFFFu)) {
        *error = path + ": the player would refuse the track: " + problem;
        return false;
    }
    return true;
}

bool write_show_file(const std::string& path, const std::string& append_to, std::vector<payload_track>& tracks,
                     std::string* error) {
    std::vector<uint8_t> bytes;
    if (!build_payload_bytes(tracks, &bytes, error)) return false;
    uint8_t trailer[payload_trailer_size];
    payload_trailer((uint32_t)bytes.size(), trailer);
    std::vector<uint8_t> image;
    mode_t mask = umask(0);
    umask(mask);
    unsigned mode = 0666 & ~mask;
    if (!append_to.empty()) {
        const char* why = "";
        FILE* f = open_regular_file(append_to.c_str(), &why); // never waits on a FIFO
        struct stat st;
        if (!f || fstat(fileno(f), &st) != 0) {
            *error = "cannot read " + append_to + ": " + (f ? strerror(errno) : why);
            if (f) fclose(f);
            return false;
        }
        image.resize((size_t)st.st_size);
        size_t got = image.empty() ? 0 : fread(image.data(), 1, image.size(), f);
        fclose(f);
        if (got != image.size()) {
            *error = "cannot read " + append_to + ": short read";
            return false;
        }
        std::string not_player;
        if (!is_player_image(image.data(), image.size(), &not_player)) {
            *error = "--append-to " + append_to + ": " + not_player;
            return false;
        }
        image.resize((size_t)executable_image_length(image.data(), image.size()));
        // The player's own permissions, and the run bit wherever the umask allows it.
        mode = (st.st_mode & 0777) | (0111 & ~mask);
    }
    return write_file_replacing(path,
                                {{image.data(), image.size()}, {bytes.data(), bytes.size()}, {trailer, sizeof trailer}},
                                mode, error);
}

int run_pack(int argc, char** argv) {
    pack_options o;
    bool help = false;
    std::string error;
    if (!parse_pack_args(argc, argv, &o, &help, &error)) {
        fprintf(stderr, "tavrin pack: %s\n", error.c_str());
        return 2;
    }
    if (help) {
        fputs(pack_usage, stdout);
        return 0;
    }
    // The files are checked before the long work: a wrong --append-to or an input that is a
    // FIFO or a device ends here, not after every track was packed (or never).
    bool usable = o.append_to.empty() || check_append_target(o.append_to, &error);
    for (size_t k = 0; usable && k < o.tracks.size(); ++k) {
        const pack_track_options& t = o.tracks[k];
        if (!(usable = input_is_regular_file(t.path, &error))) break;
        std::string warning = truncated_input_warning(t.path);
        if (!warning.empty()) fprintf(stderr, "tavrin pack: warning: %s\n", warning.c_str());
    }
    if (!usable) {
        fprintf(stderr, "tavrin pack: %s\n", error.c_str());
        fprintf(stderr, "tavrin pack: nothing written; %s is unchanged\n", o.output.c_str());
        return 1;
    }
    progress_bar bar(!o.quiet, false);
    std::vector<payload_track> tracks;
    std::vector<std::string> summary;
    const size_t count = o.tracks.size();
    for (size_t k = 0; k < count; ++k) {
        const pack_track_options& t = o.tracks[k];
        std::string label = "track " + std::to_string(k + 1) + "/" + std::to_string(count) + " " + title_from_path(t.path);
        packed_track p;
        bool ok = pack_track(t, o.rate, o.kbps, &p, &error,
                             [&](double f) { bar.fraction(((double)k + f) / (double)count, label); });
        if (!ok) {
            bar.clear();
            fprintf(stderr, "tavrin pack: %s\n", error.c_str());
            fprintf(stderr, "tavrin pack: nothing written; %s is unchanged\n", o.output.c_str());
            return 1;
        }
        const track_record& r = p.track.record;
        char loop[128];
        if (t.loop)
            snprintf(loop, sizeof loop, "loop of %d beats from %.3f s (%u samples) x %d", t.loop_beats,
                     (double)p.loop_start / o.rate, r.loop_samples, t.repeats);
        else
            snprintf(loop, sizeof loop, "the whole %.2f s (%u samples) once", (double)r.loop_length, r.loop_samples);
        // How well the grid fits: the kick and snare never stray further from it than this,
        // over the stretches where they play on the beat.
        char fit[160] = "";
        if (p.grid.grid_windows > 0 && p.grid.drift >= grid_drift_reach - 1e-9)
            snprintf(fit, sizeof fit, " (grid off the kick and snare by %.2f beat or more in places; check the tempo or "
                                      "give it with --bpm)", grid_drift_reach);
        else if (p.grid.grid_windows > 0)
            snprintf(fit, sizeof fit, " (grid within %.2f beat of the kick and snare over %d stretches of 16 beats)",
                     p.grid.drift, p.grid.grid_windows);
        else if (!(t.bpm > 0 && t.beat_origin >= 0))
            snprintf(fit, sizeof fit, " (no stretch with a clear enough beat to check the grid)");
        char line[832];
        snprintf(line, sizeof line,
                 "track %zu \"%s\": %.2f bpm%s, first beat %.3f s%s, %s, mood %.2f,%.2f%s, %u feature frames, "
                 "%u energy levels, MP3 %u bytes at %u kbit/s\n",
                 k + 1, p.title.c_str(), r.tempo_bpm, t.bpm > 0 ? " (given)" : "", p.grid.origin, fit, loop,
                 (double)r.mood_x, (double)r.mood_y, t.mood ? " (given)" : "", (unsigned)(p.track.features.size() / 4),
                 (unsigned)p.track.energy.size(), (unsigned)p.track.mp3.size(), r.mp3_kbps);
        summary.push_back(line);
        tracks.push_back(std::move(p.track));
    }
    bar.fraction(1.0, "writing " + o.output);
    if (!write_show_file(o.output, o.append_to, tracks, &error)) {
        bar.clear();
        fprintf(stderr, "tavrin pack: %s\n", error.c_str());
        fprintf(stderr, "tavrin pack: nothing written; %s is unchanged\n", o.output.c_str());
        return 1;
    }
    bar.clear();
    if (!o.quiet) {
        for (const std::string& line : summary) fputs(line.c_str(), stderr);
        fprintf(stderr, "wrote %s\n", o.output.c_str());
    }
    return 0;
}
