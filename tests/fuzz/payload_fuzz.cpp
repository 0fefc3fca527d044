// Fuzz target: the input is a whole file that may end with a show payload.
//
// For each input:
//  - the in-memory loader (Windows rules) with the full length and with a short read whose
//    length comes from the input, each followed by whole start-ups for a few seeds (the
//    load_payload hook publishes the input), the checks of every record, a track choice aimed
//    at each of the first records, and the per-frame reads at show times from far negative to
//    huge, forwards and backwards;
//  - the decoding of the chosen track (the MP3 decoder and the loop building) in the first of
//    those start-ups, with the record limits checked on every chosen record; records whose PCM
//    buffer would be larger than fuzz_pcm_budget are checked but not decoded, so that an
//    execution stays quick (the limits are what keep them below a few hundred MB);
//  - for a quarter of the inputs, the file loader (Linux rules) and the inspect tool on a memfd
//    holding the same bytes, compared with each other and with the in-memory loader.
// Beyond the sanitizers, CHECK aborts when the loaders or checks contradict each other or a
// per-frame value leaves its range.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "audio/decode.h"
#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/le_bytes.h"
#include "core/payload.h"
#include "core/rng.h"
#include "core/show.h"
#include "player/startup.h"
#include "looks/palette.h"
#include "platform/payload_file.h"
#include "tools/inspect.h"

#define CHECK(cond)                                                                   \
    do {                                                                              \
        if (!(cond)) {                                                                \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            abort();                                                                  \
        }                                                                             \
    } while (0)

namespace {

const uint8_t* input_file = nullptr;
uint64_t input_length = 0;
uint64_t input_deliverable = 0;

void publish_input() {
    release_show_payload();
    load_show_payload_bytes(input_file, input_length, input_deliverable);
}

uint32_t fnv1a(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

volatile uint32_t sink;

// Every record of the published table: the checks agree, and a playable record's blocks can
// be read at both ends.
void check_records() {
    CHECK(track_count >= 0);
    if (track_count > 0) {
        CHECK(payload != nullptr);
        CHECK((uint64_t)track_count * track_record_size + 4 <= payload_bytes);
    }
    for (int k = 0; k < track_count; ++k) {
        track_record r = read_track_record(payload, k);
        const char* problem = track_record_problem(r, payload_bytes);
        bool fit = track_blocks_fit(r, payload_bytes);
        CHECK(track_record_playable(r, payload_bytes) == (problem == nullptr));
        if (!fit) CHECK(problem != nullptr);
        if (!fit) continue;
        uint32_t s = 0;
        if (r.feature_count) s += payload[r.feature_offset] + payload[r.feature_offset + 4ull * r.feature_count - 1];
        if (r.energy_count) s += payload[r.energy_offset] + payload[r.energy_offset + (uint64_t)r.energy_count - 1];
        if (r.mp3_length) s += payload[r.mp3_offset] + payload[r.mp3_offset + (uint64_t)r.mp3_length - 1];
        sink = s;
    }
}

void check_chosen() {
    if (chosen_track < 0) return;
    CHECK(chosen_track < track_count);
    track_record r = read_track_record(payload, chosen_track);
    CHECK(track_record_playable(r, payload_bytes));
    CHECK(show.features == payload + r.feature_offset && show.feature_count == r.feature_count);
    CHECK(show.energy == payload + r.energy_offset && show.energy_count == r.energy_count);
    // A playable record never leaves the plans and the beat clock dividing by a zero beat rate.
    CHECK(show.beats_per_second > 0.0f && isfinite(show.beats_per_second));
}

bool in_unit(float v) { return v >= 0.0f && v <= 1.0f; }

// Show times from far before the start to far past the end, then a few going back.
void run_frames() {
    const float length = show.show_length;
    const float loop = show.loop_length;
    const float origin = show.beat_origin;
    const float step = show.feature_rate > 0.0f ? 1.0f / show.feature_rate : 0.05f;
    const float times[] = {
        -INFINITY, -1.0e30f, -3.5f, -0.0f, 0.0f, 0.016f, step, origin, 0.5f * loop, loop - step, loop,
        1.5f * loop, 0.5f * length, length - 0.01f, length, length + 0.5f, 2.0f * length, 1.0e6f,
        1.0e30f, INFINITY, NAN, 0.5f * length, 1.0f, 0.0f, -1.0f,
    };
    for (float t : times) {
        update_audio_features(t);
        update_cue(t);
        (void)show_over(t);
        CHECK(cue.current_entry >= 0);
        CHECK(cue.current_entry < (plan_count > 0 ? plan_count : 1));
        CHECK(in_unit(cue.energy));
        CHECK(in_unit(cue.entry_progress));
        CHECK(in_unit(cue.eased_progress));
        // 16 itself comes out when a tiny negative remainder is moved up by 16.
        CHECK((cue.dance_phase >= 0.0f && cue.dance_phase <= 16.0f) || isnan(cue.dance_phase));
        if (show.features && show.feature_count >= 2)
            for (float v : audio.AU) CHECK(in_unit(v));
    }
}

// PCM frames (and decoded samples) up to which a chosen track is decoded: 2 MB of samples.
const uint64_t fuzz_pcm_budget = 1u << 20;
// Only the first start-up of each pass decodes: the others choose among the same records.
bool decode_this_startup = false;

// The decoding step of start-up, behind the record limits: no playable record asks for more
// than one hour of PCM, and what is decoded keeps to what the record asked for.
void fuzz_decode_track() {
    if (chosen_track < 0) return;
    const track_record r = read_track_record(payload, chosen_track);
    CHECK(r.sample_rate >= lowest_sample_rate && r.sample_rate <= highest_sample_rate);
    CHECK(r.show_length <= (float)longest_show_seconds && r.loop_length <= (float)longest_loop_seconds);
    CHECK(r.loop_samples <= (uint64_t)longest_loop_seconds * r.sample_rate);
    const uint64_t repeats = loop_repetitions(r.show_length, r.loop_length);
    CHECK(repeats * r.loop_samples <= (uint64_t)longest_show_seconds * r.sample_rate);
    if (!decode_this_startup || repeats * r.loop_samples > fuzz_pcm_budget ||
        (uint64_t)r.sample_rate + r.loop_samples > fuzz_pcm_budget)
        return;
    const float nominal = show.show_length;
    decode_track();
    if (!pcm_buffer) {
        CHECK(frames_total == 0);
        CHECK(memcmp(&show.show_length, &nominal, 4) == 0);
        return;
    }
    CHECK(frames_total >= shortest_loop && frames_total <= repeats * r.loop_samples);
    CHECK(frames_total % repeats == 0);
    CHECK(pcm_buffer[0] == 0 && pcm_buffer[frames_total - 1] == 0); // faded in and out
    CHECK(show.show_length > 0.0f && show.show_length <= (float)longest_show_seconds);
    uint32_t s = 0;
    for (uint32_t k = 0; k < frames_total; k += 997) s += (uint16_t)pcm_buffer[k];
    sink = s;
}

// Whole start-ups over the published input, then a choice aimed at each of the first records.
void exercise_show(uint32_t input_hash) {
    const uint32_t seeds[] = {1u, 1234567u, input_hash};
    startup_hooks hooks{};
    hooks.load_payload = publish_input;
    hooks.decode_track = fuzz_decode_track;
    for (uint32_t seed : seeds) {
        reset_show_state();
        decode_this_startup = seed == seeds[0];
        run_startup_choices(seed, hooks);
        CHECK(plan_count >= 0 && plan_count <= plan_capacity);
        check_records();
        check_chosen();
        run_frames();
        release_pcm_buffer();
    }
    const int aimed = track_count < 8 ? track_count : 8;
    for (int k = 0; k < aimed; ++k) {
        track_record r = read_track_record(payload, k);
        MOOD[0] = r.mood_x;
        MOOD[1] = r.mood_y;
        reset_show_values();
        reset_plans();
        reset_cue();
        choose_track(MOOD[0], MOOD[1]);
        check_chosen();
        build_show_plan(MOOD[0]);
        build_phrase_plan(startup.pattern_exists);
        run_frames();
    }
}

// A memfd (or a temporary file) that holds the current input for the file loaders.
struct input_path {
    int fd = -1;
    std::string path;
    input_path() {
        fd = memfd_create("tavrin-payload-fuzz", 0);
        if (fd >= 0) {
            path = "/proc/self/fd/" + std::to_string(fd);
        } else {
            const char* dir = getenv("TMPDIR");
            std::string name = std::string(dir ? dir : "/tmp") + "/tavrin-payload-fuzz-XXXXXX";
            fd = mkstemp(name.data());
            if (fd >= 0) {
                unlink(name.c_str()); // reachable through /proc/self/fd while open
                path = "/proc/self/fd/" + std::to_string(fd);
            }
        }
        if (fd < 0) {
            perror("payload_fuzz: no memfd or temporary file");
            abort();
        }
    }
    void write(const uint8_t* data, size_t size) {
        CHECK(ftruncate(fd, 0) == 0);
        size_t done = 0;
        while (done < size) {
            ssize_t n = pwrite(fd, data + done, size - done, (off_t)done);
            CHECK(n > 0);
            done += (size_t)n;
        }
    }
};

void exercise_file_loaders(const uint8_t* data, size_t size) {
    static input_path file;
    file.write(data, size);

    // The in-memory loader with everything delivered, as the reference.
    reset_show_state();
    release_show_payload();
    load_show_payload_bytes(data, size, size);
    const int32_t bytes_tracks = track_count;
    const uint32_t bytes_read = payload_bytes;
    std::string bytes_copy(payload ? (const char*)payload : "", payload ? payload_bytes : 0);
    release_show_payload();

    load_show_payload_file(file.path.c_str());
    check_records();
    const inspection in = inspect_payload(file.path);
    (void)inspection_text(in, file.path);
    (void)inspection_json(in);

    // Linux rules need more than 12 bytes; otherwise a full read gives both loaders the same bytes.
    CHECK(track_count == (size > 12 ? bytes_tracks : 0));
    if (payload_bytes > 0 && size > 12) {
        CHECK(payload_bytes == bytes_read);
        CHECK(memcmp(payload, bytes_copy.data(), payload_bytes) == 0);
    }
    CHECK(in.file_size == size);
    if (in.ok) {
        CHECK(in.track_count == track_count);
        CHECK(in.payload_size == payload_bytes);
        CHECK(in.tracks.size() == (size_t)track_count);
        for (const inspected_track& t : in.tracks) {
            track_record r = read_track_record(payload, t.index);
            CHECK(t.blocks_fit == track_blocks_fit(r, payload_bytes));
            CHECK(t.playable == track_record_playable(r, payload_bytes));
        }
    } else {
        CHECK(track_count == 0);
        CHECK(!in.error.empty());
    }
    release_show_payload();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t h = fnv1a(data, size);
    input_file = data;
    input_length = size;

    // Everything delivered, then a short read whose length the input's first bytes give.
    input_deliverable = size;
    exercise_show(h);
    uint32_t cut = 0;
    if (size >= 4) cut = read_u32_le(data);
    input_deliverable = cut % (size + 1);
    exercise_show(h);
    release_show_payload();

    if ((h & 3) == 0) exercise_file_loaders(data, size);
    return 0;
}
