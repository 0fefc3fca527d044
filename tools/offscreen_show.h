// What `tavrin render` and `tavrin bench` share: the options that choose a show and its size,
// finding and checking its payload, and starting it offscreen with the player's own start-up
// sequence (platform/offscreen/). Linux tools only.
#pragma once
#include <stdint.h>

#include <functional>
#include <string>

struct show_options {
    uint32_t seed = 0;
    bool seed_given = false;
    std::string payload;     // empty: found as find_payload does
    bool no_payload = false; // --no-payload: the silent show
    int width = 1280, height = 720;
};

// Takes one of a command's own options, `arg`; `value` fetches the argument that follows it
// (false when there is none). Returns 1 when taken, 0 when `arg` is not one of them, -1 when it
// is wrong (with *error set).
using own_option = std::function<int(const std::string& arg, const std::function<bool(std::string*)>& value,
                                     std::string* error)>;

// Parses a drawing command's arguments: SEED, --payload FILE, --no-payload, --size WxH and
// --help here, the rest through `own`; anything else that starts with '-' is refused, naming
// `command` for its --help. *help is set (and true returned) for --help.
bool parse_show_args(int argc, char** argv, const char* command, const own_option& own, show_options* show,
                     bool* help, std::string* error);

// The payload as `tavrin describe` finds it, checked to be a readable regular file that carries
// one (never waiting on a FIFO). *path is empty for the silent show; *origin says how it was
// found. False with *error when the file is unusable.
bool open_show_payload(const show_options& show, std::string* path, std::string* origin, std::string* error);

// The player's start-up sequence, offscreen, at the chosen size. False with *error when no
// offscreen context could be made.
bool start_offscreen_show(const show_options& show, const std::string& payload_path, std::string* error);
// Stops what the start-up left running besides the frames (the thread that readies the
// programs) and waits for it; nothing when no show was started. Before the process ends.
void finish_offscreen_show();
