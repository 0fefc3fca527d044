// The Linux platform layer: X11 window, GLX context, clock, ALSA output on a writer thread,
// input and exit. It talks to the system only; the player's sequence lives in player/player.h.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Window and context. Opens the display named by DISPLAY, makes a borderless override-redirect
// window of the default screen's size with a double-buffered RGBA visual and a 24-bit depth
// buffer, grabs the keyboard, makes a direct GLX context current and takes the clock epoch.
// Returns 0, or 1 without a display or a suitable visual. Sets *width and *height.
int linux_open_window(int32_t* width, int32_t* height);

// GL entry point by name through glXGetProcAddress; null when the name is unknown or when the
// context does not offer OpenGL 3.3 (libglvnd hands out dispatch stubs for any name, so only
// the context's version tells whether the newer functions really exist).
void* linux_gl_proc(const char* name);

// Seconds since the clock epoch of linux_open_window.
float linux_now_seconds();

// Wall clock, for a seed taken from the clock.
void linux_wall_clock(uint32_t* seconds, uint32_t* microseconds);

// Up to `capacity` bytes of /proc/self/cmdline; 0 when it cannot be read.
size_t linux_read_cmdline(char* bytes, size_t capacity);

// Plays `frames` mono signed 16-bit samples at `sample_rate` on ALSA's "default" device from a
// writer thread. Gives up silently when libasound.so.2, a function of it or the device is
// missing. The samples must stay readable until the process ends.
void linux_start_audio(const int16_t* pcm, uint32_t frames, uint32_t sample_rate);

// What the show time is derived from.
struct linux_audio_clock {
    bool running;            // the writer thread was started
    float start;             // linux_now_seconds() right after it was started
    uint32_t frames_written; // handed to ALSA so far
    uint32_t frames_total;
};
linux_audio_clock linux_audio_position();

// Takes the pending window events; false when a key or mouse button was pressed.
bool linux_poll_events();

// Shows the finished frame.
void linux_present();

// Starts a thread that runs `job` with a GLX context sharing the player's objects, current on a
// small window of the player's visual that is never shown (`failed` instead when it cannot be
// made current). False when no thread was started. The join waits for the thread.
bool linux_start_gl_worker(void (*job)(), void (*failed)());
void linux_join_gl_worker();

// Ends the process at once with `status`, without releasing anything.
[[noreturn]] void linux_exit(int status);
