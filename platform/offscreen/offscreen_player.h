// The player without a window: the same start-up sequence and frame code as player-linux
// (player/player.h), drawing into the offscreen framebuffer of egl_context.h at a chosen size,
// with the show time set by the caller and the frames read back instead of shown.
#pragma once
#include <stdint.h>

enum : int {
    offscreen_ok = 0,
    offscreen_no_context = 1,     // no EGL display, config, GL 3.3 context or framebuffer
    offscreen_no_entry_point = 2, // a GL entry point is missing
};

// The player's start-up sequence for `seed` at width x height pixels. The payload is read from
// `payload_path` with the Linux player's rules; null means no payload (the silent default
// show). Its audio start does not play the PCM buffer: it stays in pcm_buffer / frames_total
// (audio/decode.h) at offscreen_sample_rate() for the caller. Returns an offscreen_ status;
// *why (if given) then says what failed. Runs once per process.
int offscreen_start(uint32_t seed, const char* payload_path, int32_t width, int32_t height, const char** why);

// The show's programs go to a worker thread with a context of its own (see
// render/program_worker.h), which builds them and draws each once, so that no frame waits for
// the driver's compiler. The second frame starts it; this starts it if no frame has, and waits
// until it is done (measurements and tests that want every program ready before a timed frame).
void offscreen_wait_for_programs();
// Asks the worker to stop after the program it is on and waits for it. Call before the process
// ends: a worker still compiling while the driver's libraries tear themselves down crashes.
void offscreen_finish();

// The sample rate of the PCM buffer; 0 when the show had nothing to play.
uint32_t offscreen_sample_rate();

// One frame at show time t, exactly as the player's frame loop draws it (audio values,
// direction, passes), into the framebuffer. Frames carry state from one to the next as the
// player's do (the current plan entry, the echo memory of the post effect).
void offscreen_frame(float t);

// Forgets the echo memory, so that the next echo starts from the picture it is drawn on, as
// it does at the start of an echo phrase.
void offscreen_reset_echo();

// A frame on its own, independent of the frames drawn before it: the echo memory is forgotten
// and, when t plays an echo, the second of frames before t (at `fps`, none before 0) is drawn
// first, so the trail looks as it does in playback. Returns how many frames were drawn.
int32_t offscreen_frame_alone(float t, int32_t fps);

// Draws the following frames at a new size (the framebuffer and the screen size change; the
// projection keeps its start-up value). The player never resizes: this is for measurements.
void offscreen_set_size(int32_t width, int32_t height);

// The finished frame as width x height RGB bytes (3 per pixel), top row first.
void offscreen_read_rgb(uint8_t* out);
// The same bytes in GL's own order, bottom row first (no flip: for consumers that flip).
void offscreen_read_rgb_bottom_up(uint8_t* out);
