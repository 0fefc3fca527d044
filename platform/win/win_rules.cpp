#include "platform/win/win_rules.h"

bool seed_from_command_line_win(const char* command_line, uint32_t* value) {
    if (!command_line) return false;
    const char* start = nullptr;
    for (const char* p = command_line; p[0]; ++p)
        if (p[0] == ' ' && p[1] >= '0' && p[1] <= '9') start = p + 1;
    if (!start) return false;
    uint32_t v = 0;
    for (const char* p = start; *p >= '0' && *p <= '9'; ++p) v = v * 10u + (uint32_t)(*p - '0');
    *value = v;
    return true;
}

uint32_t clock_seed_win(uint32_t tick_count, uint64_t performance_counter) {
    return tick_count * 0x9E3779B1u ^ (uint32_t)performance_counter;
}

float show_time_win(bool position_in_samples, uint32_t position, uint32_t frames_total, uint32_t sample_rate,
                    float show_length, float now) {
    if (!position_in_samples || sample_rate == 0) return now;
    if ((uint64_t)position + 1 >= frames_total) return show_length + 1.0f;
    return (float)position / (float)sample_rate;
}
