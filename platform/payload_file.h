// Reading a show payload from a named file, for the players that read one (Linux, offscreen)
// and for the tools, in both builds. The payload's parsing and checks are the core's
// (core/payload.h); this is only the file side.
#pragma once
#include <stdint.h>
#include <stdio.h>

// Opens `path` for reading only when it is a regular file, without ever waiting on it: a FIFO
// (whose open would block until a writer comes), a device, a socket or a folder is refused.
// Null when refused or not openable; *why (optional) then says why in a few words.
FILE* open_regular_file(const char* path, const char** why = nullptr);

// Where reading a file's payload stopped. The loader below and `tavrin inspect` read alike;
// the loader only keeps the payload or none, the tool says what went wrong.
enum payload_read_outcome {
    payload_read_ok,
    payload_read_cannot_open,  // `why` says why
    payload_read_no_length,    // the file's length could not be found
    payload_read_too_short,    // 12 bytes or fewer: no room for the trailer and a payload
    payload_read_no_trailer,   // the last 12 bytes could not be read
    payload_read_no_magic,     // the file does not end with the trailer's magic
    payload_read_bad_size,     // the trailer's payload_size does not fit the file
    payload_read_no_memory,
    payload_read_short,        // fewer payload bytes than the trailer names (`got`)
};

struct payload_file_read {
    payload_read_outcome outcome = payload_read_cannot_open;
    const char* why = nullptr;
    uint64_t file_size = 0;
    uint32_t payload_size = 0; // as the trailer names it, once its magic was found
    // malloc'd, payload_size bytes, `got` of them read; the caller frees it (set for
    // payload_read_ok and payload_read_short only).
    uint8_t* buffer = nullptr;
    uint32_t got = 0;
};

// Reads the payload of a named regular file: its trailer checked, its payload bytes read whole.
payload_file_read read_payload_file(const char* path);

// Loads with the Linux rules from a named file (size > 12, a full read of the payload).
void load_show_payload_file(const char* path);
