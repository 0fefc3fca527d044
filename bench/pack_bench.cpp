// Time to pack one minute of input audio with `tavrin pack`'s pipeline: reading, resampling
// (libsamplerate, best quality), beat finding, MP3 encoding, decoding and analysis. One
// iteration is one minute of audio, so the time per iteration is the time per minute.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include "pack_fixture.h"
#include "tools/pack.h"

namespace {

// One minute of a click track in a temporary file, as a user's file might come.
struct minute_file {
    temp_path file;
    minute_file(uint32_t rate, int channels, int format, const char* suffix) : file(suffix) {
        click_track t;
        t.bpm = 126;
        t.first = 0.5;
        t.seconds = 60;
        t.rate = rate;
        t.channels = channels;
        t.gain_from = 0.3;
        write_click_file(file.path, t, format);
    }
};

void pack_minute(benchmark::State& state, uint32_t rate, int channels, int format, const char* suffix, bool loop) {
    minute_file input(rate, channels, format, suffix);
    pack_track_options o;
    o.path = input.file.path;
    if (loop) {
        o.loop = true;
        o.loop_start = 8;
        o.loop_beats = 64;
        o.repeats = 3;
    }
    for (auto _ : state) {
        packed_track p;
        std::string error;
        if (!pack_track(o, 22050, 48, &p, &error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(p.track.mp3.data());
    }
}

// A CD-quality stereo FLAC, the whole file one loop; the same with a 64-beat loop cut out;
// a file already at the show's rate (no resampling).
void BM_PackMinute_Flac44kStereo(benchmark::State& s) { pack_minute(s, 44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ".flac", false); }
void BM_PackMinute_Flac44kStereoLoop(benchmark::State& s) { pack_minute(s, 44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ".flac", true); }
void BM_PackMinute_Wav22kMono(benchmark::State& s) { pack_minute(s, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, ".wav", false); }

} // namespace

BENCHMARK(BM_PackMinute_Flac44kStereo)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(BM_PackMinute_Flac44kStereoLoop)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(BM_PackMinute_Wav22kMono)->Unit(benchmark::kSecond)->Iterations(2);

BENCHMARK_MAIN();
