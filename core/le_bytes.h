// Little-endian numbers in byte buffers: the payload, its trailer and every file format the
// tools read or write (WAV, PE headers) store their fields this way, whatever the machine's
// own byte order.
#pragma once
#include <stdint.h>
#include <string.h>

inline uint32_t read_u32_le(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline float read_f32_le(const uint8_t* p) {
    uint32_t bits = read_u32_le(p);
    float f;
    memcpy(&f, &bits, 4);
    return f;
}

inline void write_u32_le(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
}

inline void write_f32_le(uint8_t* p, float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    write_u32_le(p, bits);
}
