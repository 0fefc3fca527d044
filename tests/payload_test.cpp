#include <gtest/gtest.h>

#include "core/payload.h"
#include "core/show.h"
#include "payload_fixture.h"
#include "platform/linux/linux_rules.h"
#include "platform/payload_file.h"

namespace {

struct Loaded {
    int32_t tracks;
    uint32_t bytes;
    bool has_buffer;
};

Loaded load_file(const std::vector<uint8_t>& file) {
    temp_file f(file);
    load_show_payload_file(f.path.c_str());
    Loaded l{track_count, payload_bytes, payload != nullptr};
    release_show_payload();
    return l;
}

std::vector<uint8_t> executable_image() { return std::vector<uint8_t>(300, 0x90); }

} // namespace

TEST(Payload, LoadsAShippedLayoutAndReadsRecordsInPlace) {
    fixture_track a = make_fixture_track(0.25f, 0.66f);
    fixture_track b = make_fixture_track(0.8f, 0.1f);
    b.record.tempo_bpm = 132.5f;
    std::vector<uint8_t> p = build_payload({a, b});
    temp_file f(build_file(p, executable_image()));
    chosen_track = 5;
    load_show_payload_file(f.path.c_str());
    EXPECT_EQ(chosen_track, -1);
    ASSERT_EQ(track_count, 2);
    EXPECT_EQ(payload_bytes, p.size());
    track_record r = read_track_record(payload, 1);
    EXPECT_EQ(r.tempo_bpm, 132.5f);
    EXPECT_EQ(r.mood_x, 0.8f);
    EXPECT_EQ(r.feature_offset % 4, 0u);
    EXPECT_EQ(r.feature_count, 614u);
    EXPECT_EQ(r.sample_rate, 22050u);
    EXPECT_EQ(r.mp3_kbps, 24u);
    EXPECT_TRUE(track_blocks_fit(r, payload_bytes));
    EXPECT_EQ(read_track_record(payload, 0).feature_offset, 4u + 2 * 64);
    release_show_payload();
}

TEST(Payload, RejectedFilesLeaveNoTracks) {
    std::vector<uint8_t> good = build_payload({make_fixture_track(0.5f, 0.5f)});
    auto with_size = [&](uint32_t size) {
        std::vector<uint8_t> f = build_file(good, executable_image());
        put_u32(f, f.size() - 12, size); // the trailer's payload_size
        return f;
    };
    auto with_count = [&](uint32_t count) {
        std::vector<uint8_t> p = good;
        put_u32(p, 0, count);
        return build_file(p, executable_image());
    };
    std::vector<uint8_t> bad_magic = build_file(good, executable_image());
    bad_magic[bad_magic.size() - 1] = '2';
    std::vector<uint8_t> whole = with_size(0);
    uint32_t file_size = (uint32_t)whole.size();

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"12 bytes: only a trailer", trailer_bytes(4)},
        {"no magic (a plain executable)", executable_image()},
        {"magic with one byte changed", bad_magic},
        {"payload_size 0", with_size(0)},
        {"payload_size 4", with_size(4)},
        {"payload_size equal to the file size", with_size(file_size)},
        {"payload_size larger than the file", with_size(0xFFFFFFFFu)},
        {"negative track count", with_count(0xFFFFFFFFu)},
        {"table larger than the payload", with_count(1000)},
        {"count whose table size overflows 32 bits", with_count(0x04000001u)},
        {"count of 2^31 - 1", with_count(0x7FFFFFFFu)},
    };
    for (const Case& c : cases) {
        Loaded l = load_file(c.file);
        EXPECT_EQ(l.tracks, 0) << c.name;
    }
}

TEST(Payload, ZeroTracksIsAcceptedAndTheTableMustFitExactly) {
    std::vector<uint8_t> p(8, 0);
    Loaded l = load_file(build_file(p, executable_image()));
    EXPECT_TRUE(l.has_buffer);
    EXPECT_EQ(l.bytes, 8u);
    EXPECT_EQ(l.tracks, 0);

    std::vector<uint8_t> exact(4 + 64, 0);
    put_u32(exact, 0, 1);
    EXPECT_EQ(load_file(build_file(exact)).tracks, 1);
    std::vector<uint8_t> short_one(4 + 63, 0);
    put_u32(short_one, 0, 1);
    EXPECT_EQ(load_file(build_file(short_one)).tracks, 0);
}

TEST(Payload, PayloadTakingAllButOneByteBeforeTheTrailer) {
    // Smallest accepted layout: S = L - 13 (S < L holds), one byte of "executable".
    std::vector<uint8_t> p(4 + 64, 0);
    put_u32(p, 0, 1);
    Loaded l = load_file(build_file(p, {0x7F}));
    EXPECT_EQ(l.tracks, 1);
    // Without any executable bytes S = L - 12 < L is still accepted.
    EXPECT_EQ(load_file(build_file(p)).tracks, 1);
}

TEST(Payload, LinuxFileChoice) {
    EXPECT_STREQ(linux_payload_path(nullptr), "/proc/self/exe");
    EXPECT_STREQ(linux_payload_path(""), "/proc/self/exe");
    EXPECT_STREQ(linux_payload_path("/tmp/show.tavrin"), "/tmp/show.tavrin");

    // A named file that does not exist loads nothing (the executable is not tried).
    load_show_payload_file("/nonexistent/tavrin-show");
    EXPECT_EQ(payload, nullptr);
    EXPECT_EQ(track_count, 0);
}

TEST(Payload, TavrinSelfNamesTheFile) {
    std::vector<uint8_t> p = build_payload({make_fixture_track(0.5f, 0.5f), make_fixture_track(0.1f, 0.2f)});
    temp_file f(build_file(p, executable_image()));
#ifdef _WIN32
    _putenv_s("TAVRIN_SELF", f.path.c_str());
#else
    setenv("TAVRIN_SELF", f.path.c_str(), 1);
#endif
    load_show_payload();
    EXPECT_EQ(track_count, 2);
    release_show_payload();
#ifdef _WIN32
    _putenv_s("TAVRIN_SELF", "/nonexistent/x");
#else
    setenv("TAVRIN_SELF", "/nonexistent/x", 1);
#endif
    load_show_payload();
    EXPECT_EQ(track_count, 0);
#ifndef _WIN32
    unsetenv("TAVRIN_SELF");
    load_show_payload(); // the test program itself: no trailer
    EXPECT_EQ(track_count, 0);
#endif
    release_show_payload();
}

TEST(Payload, WindowsShortReadPublishesWhatArrived) {
    fixture_track t = make_fixture_track(0.5f, 0.5f);
    std::vector<uint8_t> p = build_payload({t});
    std::vector<uint8_t> file = build_file(p, executable_image());
    const uint64_t start = executable_image().size();

    load_show_payload_bytes(file.data(), file.size(), file.size());
    EXPECT_EQ(track_count, 1);
    EXPECT_EQ(payload_bytes, p.size());
    release_show_payload();

    // The read stops 10 bytes into the MP3 stream: the table loads, the record no longer fits.
    track_record r = read_track_record(p.data(), 0);
    uint64_t cut = start + r.mp3_offset + 10;
    load_show_payload_bytes(file.data(), file.size(), cut);
    EXPECT_EQ(payload_bytes, r.mp3_offset + 10);
    ASSERT_EQ(track_count, 1);
    EXPECT_FALSE(track_blocks_fit(read_track_record(payload, 0), payload_bytes));
    release_show_payload();

    // A read that ends inside the table gives no tracks.
    load_show_payload_bytes(file.data(), file.size(), start + 30);
    EXPECT_EQ(payload_bytes, 30u);
    EXPECT_EQ(track_count, 0);
    release_show_payload();

    // Nothing at all arrives.
    load_show_payload_bytes(file.data(), file.size(), 0);
    EXPECT_EQ(payload_bytes, 0u);
    EXPECT_EQ(track_count, 0);
    release_show_payload();
}

TEST(Payload, BlockBoundsAreCheckedWithoutOverflow) {
    track_record r{};
    r.feature_offset = 100;
    r.feature_count = 25;
    r.energy_offset = 200;
    r.energy_count = 4;
    r.mp3_offset = 204;
    r.mp3_length = 96;
    EXPECT_TRUE(track_blocks_fit(r, 300));
    EXPECT_FALSE(track_blocks_fit(r, 299));
    track_record wrap = r;
    wrap.feature_count = 0x40000000u; // 4 x count wraps to 0 in 32 bits
    EXPECT_FALSE(track_blocks_fit(wrap, 300));
    wrap = r;
    wrap.mp3_offset = 0xFFFFFFF0u;
    wrap.mp3_length = 0x20;
    EXPECT_FALSE(track_blocks_fit(wrap, 300));
    wrap = r;
    wrap.energy_offset = 0xFFFFFFFFu;
    wrap.energy_count = 1;
    EXPECT_FALSE(track_blocks_fit(wrap, 300));
}
