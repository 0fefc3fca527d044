#include "tools/inspect.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sstream>

#include "core/show.h"
#include "platform/payload_file.h"
#include "tools/describe.h"

inspection inspect_payload(const std::string& path, record_decoder decoder) {
    inspection in;
    // The file is read as the player's loader reads it; only a regular file, opened without
    // waiting: a FIFO would block until a writer came.
    payload_file_read r = read_payload_file(path.c_str());
    struct buffer_owner {
        uint8_t* p;
        ~buffer_owner() { free(p); }
    } owner{r.buffer};
    in.file_size = r.file_size;
    in.payload_size = r.payload_size;
    const uint32_t size = r.payload_size;
    switch (r.outcome) {
    case payload_read_ok: break;
    case payload_read_cannot_open:
        in.error = "cannot open " + path + ": " + (r.why ? r.why : "unknown error");
        return in;
    case payload_read_no_length: in.error = "cannot read the size of " + path; return in;
    case payload_read_too_short:
        in.error = "no payload: the file has " + std::to_string(in.file_size) +
                   " bytes, too short for the 12-byte trailer and a payload";
        return in;
    case payload_read_no_trailer: in.error = "cannot read the last 12 bytes"; return in;
    case payload_read_no_magic:
        in.error = "no payload: the file does not end with the \"TAVRINJ1\" trailer";
        return in;
    case payload_read_bad_size:
        in.error = "bad trailer: payload_size " + std::to_string(in.payload_size) +
                   " must be above 4 and below the file size " + std::to_string(in.file_size);
        return in;
    case payload_read_no_memory:
        in.error = "no memory for " + std::to_string(size) + " payload bytes";
        return in;
    case payload_read_short:
        in.error = "short read: " + std::to_string(r.got) + " of " + std::to_string(size) + " payload bytes";
        return in;
    }
    const uint8_t* buf = r.buffer;
    int32_t n = 0;
    table_verdict table = read_track_table(buf, size, &n);
    in.declared_tracks = n;
    if (table == table_negative_count) {
        in.error = "bad track table: track_count is negative (" + std::to_string(n) + ")";
        return in;
    }
    if (table == table_too_big) {
        in.error = "bad track table: " + std::to_string(n) + " records of 64 bytes do not fit in " +
                   std::to_string(size) + " payload bytes";
        return in;
    }
    in.ok = true;
    in.track_count = n;
    in.decoding = decoder != nullptr;
    for (int k = 0; k < n; ++k) {
        inspected_track t;
        t.index = k;
        t.record = read_track_record(buf, k);
        t.blocks_fit = track_blocks_fit(t.record, size);
        const char* problem = track_record_problem(t.record, size);
        t.problem = problem ? problem : "";
        t.playable = t.problem.empty();
        if (t.playable && decoder) {
            track_decode d;
            decoder(buf, size, t.record, &d);
            t.decoded = true;
            t.decode_outcome = d.outcome;
            t.decoded_samples = d.decoded_samples;
            t.frames_total = d.loop.frames_total;
            t.decoded_show_length = d.loop.show_length;
            free(d.loop.pcm);
        }
        in.tracks.push_back(t);
    }
    return in;
}

// Why a decoded track gives no PCM buffer.
static const char* decode_problem(int outcome) {
    switch (outcome) {
    case decode_ok: return "";
    case decode_failed: return "the MP3 stream could not be decoded";
    case loop_too_short:
        return "the loop is shorter than 1000 samples (loop_samples below 1000, or fewer than 2105 samples decoded)";
    case loop_bad_timing: return "loop_length is not above 0, so there is no number of repetitions";
    case loop_too_long: return "the repeated loop would be longer than 172800000 samples (one hour at 48000 Hz)";
    case pcm_no_memory: return "no memory for the PCM buffer";
    }
    return "unknown";
}

#define RECORD_FIELDS(X)                                                                                     \
    X(tempo_bpm, f) X(beat_origin, f) X(show_length, f) X(mood_x, f) X(mood_y, f) X(feature_rate, f)          \
        X(loop_length, f) X(feature_offset, u) X(feature_count, u) X(energy_offset, u) X(energy_count, u)    \
            X(mp3_offset, u) X(mp3_length, u) X(sample_rate, u) X(loop_samples, u) X(mp3_kbps, u)

static std::string field_text(float v) { return json_float(v); }
static std::string field_text(uint32_t v) { return std::to_string(v); }

std::string inspection_text(const inspection& in, const std::string& path) {
    std::ostringstream o;
    o << path << ": " << in.file_size << " bytes\n";
    o << "trailer: payload_size " << in.payload_size << ", magic \"TAVRINJ1\"\n";
    o << "payload: " << in.payload_size << " bytes at offset " << (in.file_size - 12 - in.payload_size)
      << ", " << in.track_count << " track record" << (in.track_count == 1 ? "" : "s") << "\n";
    int usable = 0;
    for (const auto& t : in.tracks) {
        o << "\ntrack " << t.index << ":\n";
#define PRINT_FIELD(name, kind) o << "  " #name ": " << field_text(t.record.name) << "\n";
        RECORD_FIELDS(PRINT_FIELD)
#undef PRINT_FIELD
        o << "  blocks fit: " << (t.blocks_fit ? "yes" : "no") << "\n";
        o << "  usable: " << (t.playable ? "yes" : "no, " + t.problem) << "\n";
        if (t.decoded) {
            o << "  decoded_samples: " << t.decoded_samples << "\n";
            if (t.decode_outcome == decode_ok)
                o << "  frames_total: " << t.frames_total << "\n  decoded_show_length: "
                  << json_float(t.decoded_show_length) << "\n";
            else
                o << "  no PCM buffer: " << decode_problem(t.decode_outcome) << "; the show runs silently for "
                  << json_float(t.record.show_length) << " s\n";
        }
        if (t.playable) ++usable;
    }
    o << "\nverdict: ";
    if (in.track_count == 0)
        o << "no tracks; the player runs a silent 16-second show on the clock\n";
    else
        o << usable << " of " << in.track_count
          << " tracks usable; a seed that chooses an unusable track gives a silent show on the clock\n";
    return o.str();
}

std::string inspection_json(const inspection& in) {
    std::ostringstream o;
    o << "{\"file_size\": " << in.file_size << ", \"payload_size\": " << in.payload_size
      << ", \"track_count\": " << in.track_count << ", \"tracks\": [";

    for (size_t i = 0; i < in.tracks.size(); ++i) {
        const auto& t = in.tracks[i];
        o << (i ? ",\n  " : "\n  ") << "{\"index\": " << t.index;
#define JSON_FIELD(name, kind) o << ", \"" #name "\": " << field_text(t.record.name);
        RECORD_FIELDS(JSON_FIELD)
#undef JSON_FIELD
        o << ", \"blocks_fit\": " << (t.blocks_fit ? "true" : "false")
          << ", \"usable\": " << (t.playable ? "true" : "false");
        if (in.decoding) {
            bool ok = t.decoded && t.decode_outcome == decode_ok;
            o << ", \"decoded_samples\": " << (t.decoded ? std::to_string(t.decoded_samples) : "null")
              << ", \"frames_total\": " << (t.decoded ? std::to_string(t.frames_total) : "null")
              << ", \"decoded_show_length\": " << (ok ? json_float(t.decoded_show_length) : "null")
              << ", \"decode_problem\": ";
            if (t.decoded && !ok)
                o << '"' << decode_problem(t.decode_outcome) << '"';
            else
                o << "null";
        }
        o << "}";
    }
    o << "]}\n";
    return o.str();
}
