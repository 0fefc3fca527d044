#include "platform/linux/linux_rules.h"

#include <stdlib.h>
#include <string.h>

#include "platform/payload_file.h"

static uint32_t strtoul_low32(const char* text) {
    // strtoul saturates at ULONG_MAX (64 bits here, 32 on Windows); read it as 64-bit
    // everywhere so both builds keep the same low 32 bits.
    return (uint32_t)strtoull(text, nullptr, 10);
}

bool seed_from_args_linux(int argc, const char* const* argv, uint32_t* value) {
    const char* found = nullptr;
    for (int i = 1; i < argc; ++i)
        if (argv[i] && argv[i][0] >= '0' && argv[i][0] <= '9') found = argv[i];
    if (!found) return false;
    *value = strtoul_low32(found);
    return true;
}

bool seed_from_cmdline_linux(const char* bytes, size_t length, uint32_t* value) {
    // Arguments are NUL-terminated; a last one without its NUL (cut at the read limit)
    // is copied so that strtoull stops inside the buffer.
    char last[4096];
    const char* found = nullptr;
    size_t found_len = 0;
    size_t pos = 0;
    int index = 0;
    while (pos < length) {
        size_t end = pos;
        while (end < length && bytes[end] != '\0') ++end;
        if (index > 0 && bytes[pos] >= '0' && bytes[pos] <= '9') {
            found = bytes + pos;
            found_len = end - pos;
        }
        ++index;
        pos = end + 1;
    }
    if (!found) return false;
    if (found_len >= sizeof last) found_len = sizeof last - 1;
    memcpy(last, found, found_len);
    last[found_len] = '\0';
    *value = strtoul_low32(last);
    return true;
}

uint32_t clock_seed_linux(uint32_t seconds, uint32_t microseconds) {
    return seconds * 0x9E3779B1u ^ microseconds;
}

const char* linux_payload_path(const char* tavrin_self) {
    return tavrin_self && tavrin_self[0] ? tavrin_self : "/proc/self/exe";
}

void load_show_payload() { load_show_payload_file(linux_payload_path(getenv("TAVRIN_SELF"))); }

float show_time_linux(bool audio_running, float now, float audio_start, uint32_t frames_written,
                      uint32_t frames_total, float show_length) {
    if (!audio_running) return now;
    float t = now - audio_start - 0.1f;
    if (frames_written >= frames_total && t > show_length) return show_length + 1.0f;
    return t > 0.0f ? t : 0.0f;
}
