// The Windows platform layer: Win32 window, WGL context, GL entry points, the performance-
// counter clock, waveOut playing the whole PCM buffer from one header, input and exit. It talks
// to the system only; the player's sequence lives in player/player.h.
//
// The player runs without the C runtime's start-up code (its entry point is win_entry in
// main.cpp), so nothing here may rely on global constructors, thread-safe statics or atexit.
#pragma once
#include <stdint.h>

// Window and context over the primary screen: class and title "tavrin", WS_POPUP, a
// double-buffered RGBA pixel format with 24 depth bits, a WGL context made current and the
// cursor hidden. Any failure ends the process at once with status 0, showing nothing.
// Sets *width and *height; returns 0.
int win_open_window(int32_t* width, int32_t* height);

// GL entry point by name: wglGetProcAddress, else opengl32.dll's export; null when neither has it.
void* win_gl_proc(const char* name);

// Seconds since the first call (the clock epoch), from the performance counter.
float win_now_seconds();

// The seed: the command line's last number, else one from the tick count and the counter.
uint32_t win_seed_value();

// Loads the payload from the running module's own file (read sharing allowed), with the
// Windows rules: the size read as 32 bits, a short read of the payload accepted.
void win_load_show_payload();

// Plays `frames` mono signed 16-bit samples at `sample_rate` on the default wave device, all
// from one header; gives up silently when the device cannot be opened or does not take the
// buffer. The samples must stay readable until the process ends.
void win_start_audio(const int16_t* pcm, uint32_t frames, uint32_t sample_rate);

// The wave device's position in samples; false while no audio plays or when the query fails
// or answers in another unit.
bool win_audio_position(uint32_t* samples);

// Takes the pending window messages; false once a key, a mouse button, closing or destroying
// the window asked the show to stop.
bool win_poll_events();

// Shows the finished frame.
void win_present();

// Stops and closes the wave device if it plays, then ends the process with status 0.
[[noreturn]] void win_exit();
