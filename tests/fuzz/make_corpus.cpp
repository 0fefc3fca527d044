// Writes the fuzzer's seed corpus into a directory: valid files and files broken in the ways a
// loader has to survive (counts, trailer sizes, records whose blocks reach past the payload,
// record values outside the usual ranges), and files whose records point at real, truncated and
// garbage MP3 streams, small enough that the fuzz target decodes them.
//
// The fuzz target takes the short-read length from the first four bytes of a file, so a few
// files carry a prefix whose first word cuts the payload at a chosen place.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "mp3_fixture.h"
#include "payload_fixture.h"

namespace {

using bytes = std::vector<uint8_t>;

std::vector<fixture_track> tracks(int n) {
    std::vector<fixture_track> t;
    for (int k = 0; k < n; ++k) t.push_back(make_fixture_track(0.1f + 0.13f * k, 0.9f - 0.11f * k));
    return t;
}

// A short executable-like prefix: an ELF-looking header padded to `length` bytes.
bytes exe_prefix(size_t length) {
    bytes p = {0x7f, 'E', 'L', 'F', 2, 1, 1, 0};
    p.resize(length, 0x90);
    return p;
}

// A prefix whose first word makes the fuzz target's short read end `cut` bytes into the payload.
bytes cutting_prefix(size_t length, uint32_t cut) {
    bytes p = exe_prefix(length);
    put_u32(p, 0, (uint32_t)length + cut);
    return p;
}

// A file with `payload` and a trailer that claims `payload_size` bytes.
bytes with_size(const bytes& payload, uint32_t payload_size, const bytes& prefix = {}) {
    bytes f = prefix;
    f.insert(f.end(), payload.begin(), payload.end());
    bytes t = trailer_bytes(payload_size);
    f.insert(f.end(), t.begin(), t.end());
    return f;
}

// One track whose record gets changed by `edit` (offsets already filled in).
template <class Edit>
bytes one_track_edited(Edit edit) {
    bytes p = build_payload(tracks(1));
    edit(p);
    return build_file(p);
}

const size_t record0 = 4; // offset of record 0 in the payload

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::pair<std::string, bytes>> files;
    auto add = [&](const char* name, bytes b) { files.emplace_back(name, std::move(b)); };

    const bytes one = build_payload(tracks(1));
    const bytes seven = build_payload(tracks(7));

    add("one_track", build_file(one));
    add("seven_tracks", build_file(seven));
    add("seven_tracks_prefix", build_file(seven, exe_prefix(64)));
    add("zero_tracks", build_file(bytes(8, 0)));
    add("zero_tracks_prefix", build_file(bytes(8, 0), exe_prefix(16)));

    bytes negative = seven;
    put_u32(negative, 0, 0xFFFFFFFFu);
    add("count_minus_one", build_file(negative));
    put_u32(negative, 0, 0x80000000u);
    add("count_int_min", build_file(negative));
    bytes large = one;
    put_u32(large, 0, 0x04000001u); // x 64 wraps to 64 in 32 bits
    add("count_wraps", build_file(large));
    put_u32(large, 0, 2);
    add("count_past_table", build_file(large));

    bytes bad_magic = build_file(seven);
    bad_magic.back() = '2';
    add("bad_magic", bad_magic);

    // payload_size at and around its limits (4 < size < file length).
    const uint32_t file_size = (uint32_t)(one.size() + 12);
    add("size_0", with_size(one, 0));
    add("size_4", with_size(one, 4));
    add("size_5", with_size(bytes(5, 0), 5));
    add("size_past_payload", with_size(one, file_size - 11));
    add("size_file_minus_1", with_size(one, file_size - 1));
    add("size_file", with_size(one, file_size));
    add("size_max", with_size(one, 0xFFFFFFFFu));
    add("trailer_only", trailer_bytes(5));
    add("trailer_and_byte", with_size(bytes(1, 0), 5));

    // Records whose blocks reach past the payload, one block at a time.
    add("features_past_end", one_track_edited([](bytes& p) { put_u32(p, record0 + 32, (uint32_t)p.size()); }));
    add("energy_past_end", one_track_edited([](bytes& p) { put_u32(p, record0 + 36, (uint32_t)p.size() - 2); }));
    add("mp3_past_end", one_track_edited([](bytes& p) { put_u32(p, record0 + 48, (uint32_t)p.size()); }));
    add("energy_offset_wraps", one_track_edited([](bytes& p) {
            put_u32(p, record0 + 36, 0xFFFFFFF0u);
            put_u32(p, record0 + 40, 0x20u);
        }));
    add("features_count_wraps", one_track_edited([](bytes& p) { put_u32(p, record0 + 32, 0x40000001u); }));
    bytes seven_bad = seven;
    put_u32(seven_bad, record0 + 3 * 64 + 44, (uint32_t)seven.size()); // track 3's MP3 starts at the end
    add("seven_one_past_end", build_file(seven_bad, exe_prefix(32)));

    // Record values outside the usual ranges.
    add("tempo_zero", one_track_edited([](bytes& p) { put_f32(p, record0 + 0, 0.0f); }));
    add("tempo_nan", one_track_edited([](bytes& p) { put_f32(p, record0 + 0, NAN); }));
    add("tempo_tiny", one_track_edited([](bytes& p) { put_f32(p, record0 + 0, 1.0e-44f); }));
    add("tempo_huge", one_track_edited([](bytes& p) { put_f32(p, record0 + 0, 3.0e38f); }));
    add("origin_late", one_track_edited([](bytes& p) { put_f32(p, record0 + 4, 1.0e-7f); }));
    add("show_length_negative", one_track_edited([](bytes& p) { put_f32(p, record0 + 8, -5.0f); }));
    add("show_length_huge", one_track_edited([](bytes& p) { put_f32(p, record0 + 8, 1.0e30f); }));
    add("feature_rate_tiny", one_track_edited([](bytes& p) { put_f32(p, record0 + 20, 1.0e-40f); }));
    add("loop_zero", one_track_edited([](bytes& p) { put_f32(p, record0 + 24, 0.0f); }));
    add("loop_negative", one_track_edited([](bytes& p) { put_f32(p, record0 + 24, -1.0f); }));
    add("one_feature_frame", one_track_edited([](bytes& p) { put_u32(p, record0 + 32, 1); }));
    add("no_energy", one_track_edited([](bytes& p) { put_u32(p, record0 + 40, 0); }));
    add("sample_rate_zero", one_track_edited([](bytes& p) { put_u32(p, record0 + 52, 0); }));

    // Real MP3 streams, a few loops of a few thousand samples, so that the fuzz target decodes
    // them: MPEG-2 at 22050 Hz, MPEG-1 at 44100 Hz, MPEG-2.5 at 8000 Hz; cut short; garbage.
    auto mp3_track = [](const bytes& mp3, uint32_t rate, uint32_t loop_samples, float loops) {
        fixture_track t = make_fixture_track(0.4f, 0.6f);
        track_record& r = t.record;
        r.sample_rate = rate;
        r.loop_samples = loop_samples;
        r.loop_length = (float)loop_samples / (float)rate;
        r.show_length = loops * r.loop_length;
        r.tempo_bpm = 120.0f;
        r.feature_rate = 20.0f;
        t.features.resize(8 * 4);
        t.mp3 = mp3;
        return t;
    };
    const bytes mp3_22050 = encode_mp3(music_like_samples(6000, 22050), 22050, 24).bytes;
    const bytes mp3_44100 = encode_mp3(music_like_samples(6000, 44100), 44100, 64, false).bytes;
    const bytes mp3_8000 = encode_mp3(music_like_samples(4000, 8000), 8000, 8, false).bytes;
    add("mp3_real", build_file(build_payload({mp3_track(mp3_22050, 22050, 3000, 3.0f)})));
    add("mp3_real_once", build_file(build_payload({mp3_track(mp3_22050, 22050, 4000, 0.3f)})));
    add("mp3_44100", build_file(build_payload({mp3_track(mp3_44100, 44100, 3500, 2.5f)})));
    add("mp3_8000", build_file(build_payload({mp3_track(mp3_8000, 8000, 2000, 4.0f)})));
    add("mp3_three", build_file(build_payload({mp3_track(mp3_22050, 22050, 3000, 2.0f),
                                               mp3_track(mp3_44100, 44100, 3000, 1.0f),
                                               mp3_track(mp3_8000, 8000, 1500, 3.0f)}),
                                exe_prefix(32)));
    add("mp3_truncated", build_file(build_payload({mp3_track(
                             bytes(mp3_22050.begin(), mp3_22050.begin() + (ptrdiff_t)mp3_22050.size() / 2), 22050,
                             3000, 3.0f)})));
    add("mp3_tag_only", build_file(build_payload({mp3_track(id3v2_tag("only"), 22050, 3000, 2.0f)})));
    bytes syncs;
    for (int i = 0; i < 60; ++i) syncs.insert(syncs.end(), {0xFF, 0xF3, 0x44, 0xC4, 0x00, 0x11, 0x22});
    add("mp3_garbage_syncs", build_file(build_payload({mp3_track(syncs, 22050, 3000, 2.0f)})));
    bytes flipped = mp3_22050;
    for (size_t i = 60; i < flipped.size(); i += 53) flipped[i] ^= 0x5A;
    add("mp3_flipped", build_file(build_payload({mp3_track(flipped, 22050, 3000, 2.0f)})));
    // At the limits: the loop repeated to exactly one hour (accepted, checked, too large to
    // decode in the fuzz target), one sample more, and the 100-byte edit that once asked for
    // four gigabytes.
    add("mp3_one_hour", build_file(build_payload({mp3_track(mp3_22050, 22050, 2205, 36000.0f)})));
    add("mp3_hour_and_a_loop", build_file(build_payload({mp3_track(mp3_22050, 22050, 2205, 36001.0f)})));
    fixture_track hostile = mp3_track(mp3_22050, 22050, 5000, 1.0f);
    hostile.record.show_length = 400.0f;
    hostile.record.loop_length = 0.001f;
    add("mp3_four_gigabytes", build_file(build_payload({hostile})));

    // Short reads (in-memory loader): inside the table, inside the first block, just short of the end.
    add("cut_in_table", build_file(seven, cutting_prefix(16, 4 + 64 * 3)));
    add("cut_after_table", build_file(seven, cutting_prefix(16, 4 + 64 * 7 + 10)));
    add("cut_before_end", build_file(seven, cutting_prefix(16, (uint32_t)seven.size() - 1)));

    int failed = 0;
    for (const auto& [name, b] : files) {
        std::string path = dir + "/" + name + ".bin";
        FILE* f = fopen(path.c_str(), "wb");
        if (!f || fwrite(b.data(), 1, b.size(), f) != b.size()) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failed;
        }
        if (f && fclose(f) != 0) ++failed;
    }
    if (failed) return 1;
    printf("%zu seed files in %s\n", files.size(), dir.c_str());
    return 0;
}
