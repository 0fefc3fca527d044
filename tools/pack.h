// `tavrin pack`: users' audio files to a show payload (Linux tool).
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/pack_analysis.h"
#include "tools/pack_audio.h"
#include "tools/payload_writer.h"

extern const char* const pack_usage;

// What to do with one input file (the track options that stood before it).
struct pack_track_options {
    std::string path;
    std::string title;        // empty: the file name without folder and extension
    double bpm = 0;           // 0: detect
    double beat_origin = -1;  // below 0: detect
    bool loop = false;        // false: the whole file is one loop, played once
    int loop_start = 0;       // first beat of the loop, counted from the first beat
    int loop_beats = 0;
    int repeats = 1;
    bool mood = false;        // true: mood_x, mood_y given
    float mood_x = 0, mood_y = 0;
};

struct pack_options {
    std::vector<pack_track_options> tracks;
    uint32_t rate = 22050;
    uint32_t kbps = 0; // 0: default_mp3_kbps(rate)
    std::string output;
    std::string append_to; // empty: write a bare payload file
    bool quiet = false;
};

// Parses the arguments that follow "pack". *help is set (and true returned) for --help.
bool parse_pack_args(int argc, char** argv, pack_options* out, bool* help, std::string* error);

// The title a file gets without --title.
std::string title_from_path(const std::string& path);

// One packed track and what was found on the way.
struct packed_track {
    payload_track track;
    std::string title;
    beat_grid grid;            // tempo and first beat of the whole file
    size_t input_samples = 0;  // after resampling
    size_t loop_start = 0;     // first sample of the loop in the resampled file
    track_analysis analysis;
};

// Reads, resamples, finds the beat, cuts the loop, encodes and analyses one file. False with
// the reason when the file cannot be used.
bool pack_track(const pack_track_options& t, uint32_t rate, uint32_t kbps, packed_track* out, std::string* error,
                const progress_fn& progress = nullptr);

// The output file: the payload and its trailer, after the executable image of `append_to`
// when given (its own payload, if any, left out). `path` is replaced only when all went well.
bool write_show_file(const std::string& path, const std::string& append_to, std::vector<payload_track>& tracks,
                     std::string* error);

// The whole command; returns the exit status (0, 1 for bad input or failure, 2 for bad usage).
int run_pack(int argc, char** argv);
