// The player's entry sequence and frame loop, shared by every build. A build plugs in two
// tables, each filled once: its platform services (window, GL entry points, seed, payload,
// decoder, audio, input, clock, presenting: platform/linux, platform/win, platform/offscreen)
// and the renderer, which every build shares (render/renderer.h). The sequence itself draws and
// calls the system only through them.
#pragma once
#include <stdint.h>

struct startup_hooks;

// The start-up sequence, in order: open the window, resolve the GL entry points, the early GL
// set-up (what does not depend on the seed), the seeded choices (player/startup.h: seeding,
// payload, palette, track, decoding, plans, patterns, ornaments, sprites), the late GL set-up
// (cover and post programs, initial GL state, projection), then start the audio.

// What a build's platform layer offers the sequence.
struct platform_services {
    int (*open_window)(int32_t* width, int32_t* height); // first: 0, or the exit status
    bool (*resolve_gl)();                                 // false when an entry point is missing
    uint32_t (*seed_value)();                             // seeding: the command line's seed, or the clock's
    void (*load_payload)();                               // the choices' payload load
    void (*decode_track)();                               // decoding (only with a chosen track)
    void (*start_audio)(const int16_t* pcm, uint32_t frames, uint32_t sample_rate); // last
    bool (*poll_events)();                                // each frame first: false on a stop request
    float (*show_time)();                                 // each frame: the show time
    void (*present)();                                    // each frame last
    // Whether the cover's fractal glows through in the show's closing seconds: the Linux and
    // offscreen players let it, the Windows player does not.
    bool closing_glow;
    // Optional (null: none). Starts a thread with a GL context that shares the player's objects
    // and a framebuffer of the frames' formats bound, which runs `job`, or `failed` when its
    // context cannot be made current; false when no thread was started. The join waits for it.
    bool (*start_gl_worker)(void (*job)(), void (*failed)());
    void (*join_gl_worker)();
};

// What the sequence draws with: the GL set-up around the seeded choices and the frame.
struct renderer {
    void (*init_early)();                      // early GL set-up: programs, figure mesh, index textures
    void (*fill_startup_hooks)(startup_hooks*); // pattern upload, figure lookups, ornaments, sprites
    void (*init_late)(int32_t width, int32_t height); // late GL set-up
    void (*draw_frame)(int32_t width, int32_t height);
    void (*set_closing_glow)(bool on); // before the start-up: the build's closing-glow rule
    // The programs made ready on a worker thread (render/program_worker.h), where the platform
    // offers one: announced for the frame size, the worker's job, its failure, and the request
    // to stop.
    void (*expect_worker)(int32_t width, int32_t height);
    void (*worker_job)();
    void (*worker_failed)();
    void (*stop_worker)();
};

// Screen size once the window is open (1920 x 1080 until then).
extern int32_t screen_width;
extern int32_t screen_height;
// Frames presented so far.
extern uint32_t frames_presented;

enum : int {
    player_status_ok = 0,           // stop request or end of the show
    player_status_no_window = 1,    // no display or no suitable visual (the platform's status)
    player_status_no_entry_point = 2,
};

// The whole start-up sequence, then the frame loop until a stop request or the end of the show.
// Returns the exit status; the caller ends the process with it.
int run_player(const platform_services& platform, const renderer& drawing);

// The two halves of run_player, for a caller that sets the show time itself (the offscreen
// renderer): the start-up sequence, returning 0 or the exit status of a failed platform step;
// and one frame at show time t (audio values, direction, drawing, present). poll_events and
// show_time are not called.
int player_start(const platform_services& platform, const renderer& drawing);
// Ends what the start-up began besides the frames: asks the worker thread to stop and waits for
// it. run_player calls it before returning; a caller of player_start calls it when done.
void player_finish(const platform_services& platform, const renderer& drawing);
void player_frame(const platform_services& platform, const renderer& drawing, float t);
// Starts the worker thread that player_start prepared, unless it has started already; the
// second frame starts it otherwise. For a caller that wants every program ready before drawing.
void player_start_worker(const platform_services& platform, const renderer& drawing);
