// `tavrin render`: a show drawn offscreen (EGL) by the player's own start-up and frame code,
// written as PNG frames or, through the ffmpeg program, as a video with the show's music.
// Linux tool only. The command line is read here (tools/render.cpp); the two jobs are
// tools/render_frames.cpp (PNG frames) and tools/render_video.cpp (a video).
#pragma once
#include <signal.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/offscreen_show.h"

extern const char* const render_usage;

struct render_options {
    show_options show;          // SEED, payload and size
    std::vector<double> at;     // PNG frames: show times in seconds
    int fps = 30;
    double from = 0;
    double to = -1;             // below 0: the end of the music
    std::string output;
    bool video = false;         // output ends in .mp4, .mkv or .webm
    bool quiet = false;
};

// Parses the arguments that follow "render". *help is set (and true returned) for --help.
bool parse_render_args(int argc, char** argv, render_options* out, bool* help, std::string* error);

// The whole command; returns the exit status (0, 1 for a failure, 2 for bad usage).
int run_render(int argc, char** argv);

// --- Shared by the two jobs ---

// Set by SIGINT or SIGTERM: the job stops, removes what it wrote and exits 130.
extern volatile sig_atomic_t render_interrupted;

// Prints "tavrin render: MESSAGE" and returns `status`.
int render_error(const std::string& message, int status = 1);

// The last show time the player draws.
double show_end();

// The jobs, once the show has started; each returns the exit status.
int render_pngs(const render_options& o);
int render_video(const render_options& o, const std::string& ffmpeg);
