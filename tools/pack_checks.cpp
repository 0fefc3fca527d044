#include "tools/pack_checks.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "core/le_bytes.h"
#include "core/payload.h"
#include "platform/payload_file.h"

namespace {

// The mark XOR 0x5a: the plain bytes must not stand in this executable.
const uint8_t encoded_mark[] = {0x25, 0x2e, 0x3b, 0x2c, 0x28, 0x33, 0x34, 0x7a, 0x2a, 0x36, 0x3b,
                                0x23, 0x3f, 0x28, 0x7a, 0x3f, 0x22, 0x3f, 0x39, 0x2f, 0x2e, 0x3b,
                                0x38, 0x36, 0x3f, 0x5a, 0x99, 0xc5, 0x47, 0xd4, 0x08, 0x5d};
volatile uint8_t mark_key = 0x5a; // volatile: the compiler must not fold the plain bytes in

} // namespace

std::string player_mark_bytes() {
    std::string m(sizeof encoded_mark, '\0');
    const uint8_t key = mark_key;
    for (size_t i = 0; i < sizeof encoded_mark; ++i) m[i] = (char)(encoded_mark[i] ^ key);
    return m;
}

bool is_player_image(const uint8_t* data, size_t size, std::string* why) {
    bool elf = size >= 4 && memcmp(data, "\x7f" "ELF", 4) == 0;
    bool pe = false;
    if (size >= 0x40 && data[0] == 'M' && data[1] == 'Z') {
        uint32_t at = read_u32_le(data + 0x3c); // e_lfanew: where the PE header stands
        pe = (uint64_t)at + 4 <= size && memcmp(data + at, "PE\0\0", 4) == 0;
    }
    if (!elf && !pe) {
        *why = "it is not an executable (no ELF or PE header)";
        return false;
    }
    const std::string text = player_mark_bytes();
    const std::vector<uint8_t> mark(text.begin(), text.end()); // compared as bytes, not signed chars
    const uint8_t* end = data + size;
    if (std::search(data, end, std::boyer_moore_horspool_searcher(mark.begin(), mark.end())) == end) {
        *why = std::string("it is ") + (elf ? "an ELF" : "a PE") +
               " executable but not the tavrin player (it lacks the player's mark)";
        return false;
    }
    return true;
}

bool check_append_target(const std::string& path, std::string* why) {
    const char* reason = nullptr;
    FILE* f = open_regular_file(path.c_str(), &reason);
    if (!f) {
        *why = "cannot read " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    std::vector<uint8_t> data;
    uint8_t block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) data.insert(data.end(), block, block + n);
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed) {
        *why = "cannot read " + path + ": " + strerror(errno);
        return false;
    }
    std::string not_player;
    if (!is_player_image(data.data(), data.size(), &not_player)) {
        *why = "--append-to " + path + ": " + not_player;
        return false;
    }
    return true;
}

bool input_is_regular_file(const std::string& path, std::string* why) {
    const char* reason = nullptr;
    FILE* f = open_regular_file(path.c_str(), &reason);
    if (!f) {
        *why = "cannot read " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    fclose(f);
    return true;
}

std::string truncated_input_warning(const std::string& path) {
    FILE* f = open_regular_file(path.c_str());
    if (!f) return "";
    std::string warning;
    uint8_t head[12];
    long long length = -1;
    if (fseeko(f, 0, SEEK_END) == 0) length = ftello(f);
    if (length >= 12 && fseeko(f, 0, SEEK_SET) == 0 && fread(head, 1, 12, f) == 12 &&
        memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WAVE", 4) == 0) {
        // Walk the chunks up to "data"; a chunk is an 8-byte header and its even-padded body.
        long long at = 12;
        uint8_t chunk[8];
        while (at + 8 <= length && fseeko(f, at, SEEK_SET) == 0 && fread(chunk, 1, 8, f) == 8) {
            uint32_t n = read_u32_le(chunk + 4);
            if (memcmp(chunk, "data", 4) == 0) {
                long long held = length - at - 8;
                // 0xFFFFFFFF is what streaming writers put when they cannot know the length.
                if (n != 0xFFFFFFFFu && (long long)n > held)
                    warning = path + " is truncated: its WAV header promises " + std::to_string(n) +
                              " bytes of audio but the file holds " + std::to_string(held) +
                              "; packing the audio that is there";
                break;
            }
            at += 8 + (long long)n + (n & 1);
        }
    }
    fclose(f);
    return warning;
}
