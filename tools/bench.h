// `tavrin bench`: how fast this machine draws a show. Every frame of the show at a fixed step of
// show time is drawn offscreen with the player's own start-up and frame code and timed; prints
// frame statistics, the median time of each kind of pass, the start-up time to the first frame
// and the GL renderer. Linux tool only.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

extern const char* const bench_usage;

#include "tools/offscreen_show.h"

struct bench_options {
    show_options show;   // SEED (default 42), the payload as `tavrin render` finds it, the size
    double step = 0.1;   // seconds of show time between frames
    bool json = false;
};

// Parses the arguments that follow "bench". *help is set (and true returned) for --help.
bool parse_bench_args(int argc, char** argv, bench_options* out, bool* help, std::string* error);

// Frame statistics over a list of frame times in milliseconds (any order).
struct frame_stats {
    int frames = 0;
    double median_ms = 0, p90_ms = 0, max_ms = 0;
    int over_16_7 = 0, over_33 = 0;
};
frame_stats summarise_frames(std::vector<double> ms);

// The whole command; returns the exit status (0, 1 for a failure, 2 for bad usage).
int run_bench(int argc, char** argv);
