// Show payload: the trailer at the end of a file, the payload buffer and its track table.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum : uint32_t {
    payload_trailer_size = 12,
    track_record_size = 64,
};
extern const char payload_magic[8]; // "TAVRINJ1"

struct track_record {
    float tempo_bpm;
    float beat_origin;
    float show_length;
    float mood_x;
    float mood_y;
    float feature_rate;
    float loop_length;
    uint32_t feature_offset;
    uint32_t feature_count;
    uint32_t energy_offset;
    uint32_t energy_count;
    uint32_t mp3_offset;
    uint32_t mp3_length;
    uint32_t sample_rate;
    uint32_t loop_samples;
    uint32_t mp3_kbps;
};

// What a record may ask for. No real song lies beyond these, and without them a few edited bytes
// could make the player allocate gigabytes of PCM or play for weeks: a record that asks for
// more is refused like one whose blocks do not fit (track_record_problem).
enum : uint32_t {
    longest_show_seconds = 3600, // the show and the repeated loop: at most one hour
    // One loop: at most half an hour, so that the decoded stream and the PCM buffer, which
    // exist side by side while the loop is built, stay within one hour of samples together.
    longest_loop_seconds = 1800,
    lowest_sample_rate = 8000,   // the MPEG audio rates, 8000 to 48000 Hz
    highest_sample_rate = 48000,
    // The most PCM frames any playable record gives: one hour at the highest rate (346 MB).
    most_show_frames = longest_show_seconds * highest_sample_rate,
};

// Process-wide payload state, published by the loaders.
extern uint8_t* payload;        // null when no payload was read
extern uint32_t payload_bytes;  // bytes of the payload actually in the buffer
extern int32_t track_count;     // usable records; 0 when anything failed

// Record k, read in place from the buffer (little-endian fields). Requires k < track_count.
track_record read_track_record(const uint8_t* payload_buffer, int k);

// Whether a record's three blocks lie within `bytes` (sums made without overflow).
bool track_blocks_fit(const track_record& r, uint32_t bytes);

// What the 12-byte trailer of a file of `file_length` bytes says. *stored_size is the size it
// names, set whenever the magic is there (a tool reports it even when it is out of range).
enum trailer_verdict {
    trailer_fine,
    trailer_no_magic,  // the file does not end with "TAVRINJ1"
    trailer_bad_size,  // payload_size is not above 4 and below the file's length
};
trailer_verdict read_payload_trailer(const uint8_t trailer[12], uint64_t file_length, uint32_t* stored_size);

// Checks the 12-byte trailer of a file of `file_length` bytes; stores payload_size on success.
bool check_payload_trailer(const uint8_t trailer[12], uint64_t file_length, uint32_t* payload_size);

// What the track table at the start of `bytes` payload bytes says: *declared is the signed
// count at offset 0 (-1 when fewer than 4 bytes were read).
enum table_verdict {
    table_fine,
    table_negative_count,
    table_too_big, // the records do not fit in the bytes read
};
table_verdict read_track_table(const uint8_t* buffer, uint32_t bytes, int32_t* declared);

// Last step of loading: `bytes_read` bytes are in `buffer` (which becomes the payload).
// Sets payload_bytes and track_count from the signed count at offset 0.
void publish_payload(uint8_t* buffer, uint32_t bytes_read);

// Resets the loader's state before a load: no chosen track, no tracks.
void payload_loader_start();

// Reading a payload from a named file, and the Linux player's own file: platform/payload_file.h
// and platform/linux/linux_rules.h.

// Loads with the Windows rules from a file held in memory: the size is taken as 32 bits and
// the payload read may deliver fewer bytes than asked (`deliverable` caps what a read returns).
void load_show_payload_bytes(const uint8_t* file, uint64_t file_length, uint64_t deliverable);
// Frees the buffer and resets the state (tools and tests; the player never frees it).
void release_show_payload();
