// `tavrin render`: a show drawn offscreen (EGL) by the player's own start-up and frame code,
// written as PNG frames or, through the ffmpeg program, as a video with the show's music.
// Linux tool only.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

extern const char* const render_usage;

struct render_options {
    uint32_t seed = 0;
    std::string payload;        // empty: found as find_payload does
    bool no_payload = false;    // --no-payload: the silent show
    int width = 1280, height = 720;
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
