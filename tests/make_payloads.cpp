// Writes the payload files that the cross-build comparison (compare_describe.sh) runs both
// builds of the tool over:
//   none.bin     an executable-like file without a trailer
//   one.bin      one track
//   seven.bin    seven tracks spread over the mood square, with varied tempos, origins, loops,
//                feature rates and energy lists
//   refused.bin  a playable track beside two refused records (a tempo that is not a number with
//                awkward floats in the other fields, and an energy list past the payload)
// and, with real MP3 streams (libmp3lame, mono CBR, no Xing/Info frame), each decoded by the
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

// Something in front of the payload, as the executable image would be.
std::vector<uint8_t> image_prefix() {
    std::vector<uint8_t> b(1000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = (uint8_t)(i * 31 + 7);
    b[0] = 0x7f, b[1] = 'E', b[2] = 'L', b[3] = 'F';
    return b;
}

struct track_shape {
    float mood_x, mood_y;
    float bpm, origin, show_length, loop_length, feature_rate;
    std::vector<uint8_t> energy;
};

fixture_track shaped_track(const track_shape& s) {
    fixture_track t = make_fixture_track(s.mood_x, s.mood_y);
    t.record.tempo_bpm = s.bpm;
    t.record.beat_origin = s.origin;
    t.record.show_length = s.show_length;
    t.record.loop_length = s.loop_length;
    t.record.feature_rate = s.feature_rate;
    t.energy = s.energy;
    return t;
}

std::vector<uint8_t> ramp(int n, int from, int to) {
    std::vector<uint8_t> e(n);
    for (int i = 0; i < n; ++i) e[i] = (uint8_t)(from + (to - from) * i / (n > 1 ? n - 1 : 1));
    return e;
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
    const std::vector<uint8_t> prefix = image_prefix();

    const track_shape shapes[7] = {
        {0.05f, 0.08f, 84.0f, 0.0f, 137.142857f, 45.7142868f, 20.0091f, {30, 35, 40, 45, 50, 40, 30, 20}},
        {0.95f, 0.1f, 174.0f, 0.172f, 88.2758636f, 0.0f, 21.5332031f,
         {200, 230, 255, 250, 180, 220, 240, 255, 210, 190, 230, 250}},
        {0.1f, 0.93f, 100.5f, 0.5f, 95.5223846f, 47.7611923f, 43.0664062f, {10, 250}},
        {0.9f, 0.9f, 140.0f, 0.0857f, 109.714287f, 54.8571434f, 20.0091f, {128}},
        {0.5f, 0.5f, 125.0f, 0.0f, 92.16f, 30.72f, 20.0091f, {40, 120, 200, 90}},
        {0.3f, 0.65f, 92.3f, 1.25f, 180.0f, 0.0f, 10.7666016f, ramp(40, 0, 255)},
        {0.7f, 0.35f, 160.0f, 0.02f, 60.0f, 12.0f, 20.0091f, ramp(16, 250, 60)},
    };
    std::vector<fixture_track> seven;
    for (const auto& s : shapes) seven.push_back(shaped_track(s));

    std::vector<fixture_track> refused = {make_fixture_track(0.5f, 0.5f), make_fixture_track(0.0f, 0.1f),
                                          make_fixture_track(0.6f, 0.9f)};
    track_record& odd = refused[1].record;
    odd.tempo_bpm = NAN;
    odd.beat_origin = -0.0f;
    odd.show_length = 1e-5f;
    odd.mood_x = 1e-40f; // subnormal
    odd.feature_rate = 3.40282347e38f;
    odd.loop_length = 1e-45f;
    std::vector<uint8_t> refused_payload = build_payload(refused);
    put_u32(refused_payload, 4 + 64 * 2 + 40, 0x7fffffffu); // track 2: energy_count past the payload

    bool ok = write_file(dir + "/none.bin", prefix) &&
              write_file(dir + "/one.bin", build_file(build_payload({make_fixture_track(0.4f, 0.6f)}), prefix)) &&
              write_file(dir + "/seven.bin", build_file(build_payload(seven), prefix)) &&
              write_file(dir + "/refused.bin", build_file(refused_payload, prefix));

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
