// music_gen: renders the default show's tracks as WAV files and lists them in a manifest.
//
//   music_gen OUT_DIR [--report]
//
// Writes OUT_DIR/<file>.wav for every track (mono, 16-bit, 22050 Hz: the 64-beat loop, beat 0
// at sample 0, then the tail) and OUT_DIR/tracks.tsv, one line per track:
//   file <TAB> bpm <TAB> mood_x <TAB> mood_y <TAB> loop_beats <TAB> title
// With --report it also prints each track's peak and RMS level.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <sndfile.h>

#include <string>

#include "data/music/music.h"
#include "data/music/synth.h"

namespace {

bool write_wav(const std::string& path, const std::vector<int16_t>& pcm) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = music::sample_rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        fprintf(stderr, "music_gen: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    sf_count_t written = sf_write_short(f, pcm.data(), (sf_count_t)pcm.size());
    bool ok = written == (sf_count_t)pcm.size();
    if (sf_close(f) != 0) ok = false;
    if (!ok) fprintf(stderr, "music_gen: short write to %s\n", path.c_str());
    return ok;
}

double dbfs(double v) { return v > 0 ? 20.0 * log10(v) : -999.0; }

} // namespace

int main(int argc, char** argv) {
    const char* out_dir = nullptr;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--report"))
            report = true;
        else if (argv[i][0] == '-' || out_dir) {
            fprintf(stderr, "usage: music_gen OUT_DIR [--report]\n");
            return 2;
        } else
            out_dir = argv[i];
    }
    if (!out_dir) {
        fprintf(stderr, "usage: music_gen OUT_DIR [--report]\n");
        return 2;
    }
    const std::string dir = out_dir;
    std::string manifest;
    for (int t = 0; t < music::track_count(); ++t) {
        const music::track_info& info = music::track_at(t);
        music::rendering r = music::render_track(t);
        if (!write_wav(dir + "/" + info.file, r.pcm)) return 1;
        char line[512];
        snprintf(line, sizeof line, "%s\t%d\t%.2f\t%.2f\t%d\t%s\n", info.file, info.bpm, info.mood_x, info.mood_y,
                 music::loop_beats, info.title);
        manifest += line;
        if (report) {
            const size_t loop = (size_t)music::loop_samples(t);
            double peak = 0, sum = 0;
            for (size_t i = 0; i < loop; ++i) {
                double v = r.pcm[i] / 32768.0;
                peak = fmax(peak, fabs(v));
                sum += v * v;
            }
            printf("%-16s %3d bpm  %-52s peak %6.2f dBFS  RMS %6.2f dBFS  loop %zu samples\n", info.title, info.bpm,
                   info.character, dbfs(peak), dbfs(sqrt(sum / (double)loop)), loop);
        }
    }
    const std::string path = dir + "/tracks.tsv";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(manifest.data(), 1, manifest.size(), f) != manifest.size() || fclose(f) != 0) {
        fprintf(stderr, "music_gen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
