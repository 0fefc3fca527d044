// The Linux player's plain rules, apart from the system calls that feed them
// (platform/linux/linux_platform.h): where the seed comes from, which file holds the payload, and
// the show time. Compiled into every build, so that the tools (which take seeds and find
// payloads the same way) and the tests use and check them.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Seed text: the bytes of /proc/self/cmdline (NUL-separated, first argument skipped);
// the last argument that begins with a digit wins, read with strtoul in base 10. True and the
// value stored when a candidate exists.
bool seed_from_cmdline_linux(const char* bytes, size_t length, uint32_t* value);
// The same rule over an argument vector (argv[0] skipped).
bool seed_from_args_linux(int argc, const char* const* argv, uint32_t* value);
// The clock's seed when no argument qualifies.
uint32_t clock_seed_linux(uint32_t seconds, uint32_t microseconds);

// The file a Linux player reads: TAVRIN_SELF when set and not empty, else /proc/self/exe.
const char* linux_payload_path(const char* tavrin_self);

// The player's step: the Linux rules over linux_payload_path(getenv("TAVRIN_SELF")).
void load_show_payload();

// Linux show time. With audio running: now - audio_start - 0.1 (the output latency), held at 0
// before that, and show_length + 1 once every frame has been handed to the device and the
// time has passed show_length. Without audio: the clock itself.
float show_time_linux(bool audio_running, float now, float audio_start, uint32_t frames_written,
                      uint32_t frames_total, float show_length);

