// Writes the payload files that the cross-build comparison (compare_describe.sh) runs both
// builds of the tool over: none.bin, one.bin, seven.bin and refused.bin (fixture_payloads.h,
// the files the describe tests pin) and, with real MP3 streams (libmp3lame, mono CBR, no Xing/Info frame), each decoded by the
// build's own decoder:
//   mp3-tail.bin       one track whose stream runs 2 s past the loop: more than the Linux
//                      decoder keeps (one second past the loop)
//   mp3-crossfade.bin  one track with 500 samples after the loop and the delay: short joins
//   mp3-short.bin      one track (no ID3 tag) whose loop is longer than the stream: shortened
//   mp3-rates.bin      other rates and bit rates (32 kbit/s at 22050 Hz, MPEG-1 at 44100 Hz with
//                      a long tail), and a loop of 999 samples, refused after decoding
// usage: make_payloads DIR
#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "audio/decode.h"
#include "fixture_payloads.h"
#include "mp3_fixture.h"
#include "payload_fixture.h"

namespace {

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        perror(path.c_str());
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fclose(f) == 0 && ok;
    if (!ok) perror(path.c_str());
    return ok;
}

// A track whose stream is `seconds` of music at `rate` Hz and `kbps` kbit/s. loop_samples
// is `loop` samples, or (with `tail`) what leaves `tail` samples after the loop and the
// decoder delay of the frames written; the nominal show is `repeats` loops, not a whole
// number, so that the decoded show_length (whole loops) differs from it.
struct mp3_shape {
    float mood_x, mood_y;
    int rate, kbps;
    bool tag;
    float seconds;
    int64_t loop, tail;
    float repeats;
};

bool mp3_track(const mp3_shape& s, fixture_track* t) {
    encoded_mp3 e = encode_mp3(music_like_samples((uint32_t)(s.seconds * (float)s.rate), s.rate), s.rate, s.kbps, s.tag);
    if (e.frames == 0) {
        fprintf(stderr, "make_payloads: libmp3lame wrote no frames at %d Hz, %d kbit/s\n", s.rate, s.kbps);
        return false;
    }
    const int64_t per_frame = s.rate > 24000 ? 1152 : 576;
    int64_t loop = s.loop;
    if (s.tail >= 0) loop = (int64_t)e.frames * per_frame - decoder_delay - s.tail;
    *t = make_fixture_track(s.mood_x, s.mood_y);
    track_record& r = t->record;
    r.sample_rate = (uint32_t)s.rate;
    r.mp3_kbps = (uint32_t)s.kbps;
    r.loop_samples = (uint32_t)loop;
    r.loop_length = (float)loop / (float)s.rate;
    r.show_length = r.loop_length * s.repeats;
    t->mp3 = e.bytes;
    return true;
}

bool mp3_payload(const std::string& path, const std::vector<mp3_shape>& shapes, const std::vector<uint8_t>& prefix) {
    std::vector<fixture_track> tracks(shapes.size());
    for (size_t k = 0; k < shapes.size(); ++k)
        if (!mp3_track(shapes[k], &tracks[k])) return false;
    return write_file(path, build_file(build_payload(tracks), prefix));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_payloads DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<uint8_t> prefix = fixture_image_prefix();
    bool ok = true;
    for (const char* name : {"none.bin", "one.bin", "seven.bin", "refused.bin"})
        ok = ok && write_file(dir + "/" + name, fixture_payload_file(name));

    // mood_x, mood_y, rate, kbps, tag, seconds, loop, tail (-1: none asked), repeats
    ok = ok && mp3_payload(dir + "/mp3-tail.bin", {{0.5f, 0.5f, 22050, 24, true, 3.0f, 20000, -1, 3.2f}}, prefix) &&
         mp3_payload(dir + "/mp3-crossfade.bin", {{0.5f, 0.5f, 22050, 24, true, 1.5f, 0, 500, 2.2f}}, prefix) &&
         mp3_payload(dir + "/mp3-short.bin", {{0.5f, 0.5f, 22050, 24, false, 1.0f, 40000, -1, 4.0f}}, prefix) &&
         mp3_payload(dir + "/mp3-rates.bin",
                     {{0.2f, 0.2f, 22050, 32, true, 1.0f, 10000, -1, 1.8f},
                      {0.8f, 0.8f, 44100, 64, true, 2.5f, 30000, -1, 3.3f},
                      {0.5f, 0.5f, 22050, 24, true, 0.5f, 999, -1, 1.0f}},
                     prefix);
    return ok ? 0 : 1;
}
