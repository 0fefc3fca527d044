#include <gtest/gtest.h>

#include <string>

#include "core/rng.h"
#include "platform/linux/linux_rules.h"
#include "platform/win/win_rules.h"

TEST(Rng, WorkedValuesOfSeeds1And12345) {
    rng_seed(1);
    EXPECT_EQ(rng_state, 0x9DCCA8C5u);
    EXPECT_EQ(rng_salt, 0x9E3779B2u);
    EXPECT_FLOAT_EQ(rng_next(), 0.33437055f);
    EXPECT_FLOAT_EQ(rng_next(), 0.97301966f);
    EXPECT_FLOAT_EQ(rng_next(), 0.43499470f);
    EXPECT_FLOAT_EQ(rng_next(), 0.69609225f);

    rng_seed(12345);
    EXPECT_EQ(rng_state, 0xA7E08FA0u);
    EXPECT_EQ(rng_salt, 0xA12B486Au);
    EXPECT_FLOAT_EQ(rng_next(), 0.55569327f);
    EXPECT_FLOAT_EQ(rng_next(), 0.84634131f);
    EXPECT_FLOAT_EQ(rng_next(), 0.71903050f);

    EXPECT_FLOAT_EQ(hash01(0, 0), 0.61324459f);
    EXPECT_FLOAT_EQ(hash01(1, 2), 0.62757856f);
}

TEST(Rng, SeedZeroIsSeedOne) {
    rng_seed(0);
    uint32_t s = rng_state, salt = rng_salt;
    rng_seed(1);
    EXPECT_EQ(s, rng_state);
    EXPECT_EQ(salt, rng_salt);
}

TEST(Rng, NextIsAMultipleOf2ToMinus24InUnitRange) {
    rng_seed(99);
    for (int i = 0; i < 10000; ++i) {
        float r = rng_next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        float scaled = r * 16777216.0f;
        ASSERT_EQ(scaled, (float)(int)scaled);
    }
}

TEST(Rng, BelowConsumesOneDrawAndStaysInRange) {
    rng_seed(7);
    uint32_t before = rng_state;
    EXPECT_EQ(rng_below(1), 0);
    EXPECT_NE(rng_state, before);
    rng_state = before;
    rng_next();
    uint32_t after_one = rng_state;
    rng_state = before;
    rng_below(1);
    EXPECT_EQ(rng_state, after_one);

    for (int n : {3, 5, 6, 7, 9, 12, 95}) {
        rng_seed((uint32_t)n);
        for (int i = 0; i < 2000; ++i) {
            int v = rng_below(n);
            ASSERT_GE(v, 0);
            ASSERT_LT(v, n);
        }
    }
}

TEST(Rng, PickBitTable) {
    struct Case {
        int mask, bits;
        int lo, hi;
    };
    const Case cases[] = {{63, 6, 0, 5}, {127, 7, 0, 6}, {63, 7, 0, 5}, {3, 2, 0, 1}, {0b1010, 4, 1, 3}};
    for (const Case& c : cases) {
        rng_seed(2024);
        bool seen[32] = {};
        for (int i = 0; i < 4000; ++i) {
            int v = rng_pick_bit(c.mask, c.bits);
            ASSERT_GE(v, c.lo);
            ASSERT_LE(v, c.hi);
            ASSERT_TRUE(c.mask & (1 << v)) << v;
            seen[v] = true;
        }
        for (int b = 0; b < c.bits; ++b) EXPECT_EQ(seen[b], (bool)(c.mask & (1 << b))) << c.mask << " bit " << b;
    }
}

TEST(Rng, PickBitWithNoSetBitReturnsMinusOneWithoutDrawing) {
    rng_seed(5);
    uint32_t before = rng_state;
    EXPECT_EQ(rng_pick_bit(0, 6), -1);
    EXPECT_EQ(rng_pick_bit(64, 6), -1); // the set bit lies above the range
    EXPECT_EQ(rng_state, before);
}

TEST(Rng, DerivedStreamRepeatsAndRestoresTheSharedStream) {
    rng_seed(42);
    uint32_t shared = rng_state;
    uint32_t saved = rng_derived_begin(3);
    float a[4];
    for (float& v : a) v = rng_next();
    rng_derived_end(saved);
    EXPECT_EQ(rng_state, shared);

    saved = rng_derived_begin(3);
    for (float v : a) EXPECT_EQ(rng_next(), v);
    rng_derived_end(saved);

    saved = rng_derived_begin(4);
    EXPECT_NE(rng_next(), a[0]);
    rng_derived_end(saved);
    EXPECT_EQ(rng_state, shared);
}

TEST(Rng, DerivedStreamStateFollowsTheSaltAndKey) {
    rng_seed(1);
    uint32_t saved = rng_derived_begin(2);
    uint32_t s = rng_salt * 0x85EBCA77u + 2u * 0xC2B2AE3Du + 7u;
    uint32_t expected_state = rng_state;
    rng_state = s;
    rng_next();
    rng_next();
    EXPECT_EQ(rng_state, expected_state);
    rng_derived_end(saved);
}

TEST(SeedText, WindowsCommandLineScan) {
    struct Case {
        const char* line;
        bool found;
        uint32_t value;
    };
    const Case cases[] = {
        {"player-win.exe", false, 0},
        {"player-win.exe 42", true, 42},
        {"player-win.exe 12 34", true, 34},
        {"player-win.exe x7", false, 0},
        {"player-win.exe \"a 9b\"", true, 9},     // a space then a digit inside a quoted argument
        {"C:\\my 2 shows\\p.exe", true, 2},        // the program path counts
        {"C:\\my 2 shows\\p.exe 77", true, 77},    // a later argument replaces it
        {"p.exe 7abc", true, 7},
        {"p.exe 4294967296", true, 0},             // wraps modulo 2^32 digit by digit
        {"p.exe 4294967297", true, 1},
    };
    for (const Case& c : cases) {
        uint32_t v = 12345;
        EXPECT_EQ(seed_from_command_line_win(c.line, &v), c.found) << c.line;
        if (c.found) { EXPECT_EQ(v, c.value) << c.line; }
    }
    // 99999999999999999999 mod 2^32, computed digit by digit
    uint32_t expect = 0;
    for (int i = 0; i < 20; ++i) expect = expect * 10u + 9u;
    uint32_t v = 0;
    ASSERT_TRUE(seed_from_command_line_win("p.exe 99999999999999999999", &v));
    EXPECT_EQ(v, expect);
}

TEST(SeedText, LinuxArgumentList) {
    struct Case {
        std::string cmdline; // NUL-separated, as /proc/self/cmdline
        bool found;
        uint32_t value;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"./player-linux\0"s, false, 0},
        {"./player-linux\0" "42\0"s, true, 42},
        {"./player-linux\0" "12\0" "34\0"s, true, 34},
        {"./player-linux\0" "a 9\0"s, false, 0},            // only whole arguments count
        {"./9player\0"s, false, 0},                         // the program path is skipped
        {"./player-linux\0" "7abc\0"s, true, 7},
        {"./player-linux\0" "4294967297\0"s, true, 1},      // low 32 bits
        {"./player-linux\0" "18446744073709551616\0"s, true, 4294967295u}, // strtoul saturates
        {"./player-linux\0" "5\0" "x\0"s, true, 5},
        {"./player-linux\0" "\0" "8\0"s, true, 8},
        {"./player-linux\0" "31"s, true, 31},               // cut without its NUL
        {""s, false, 0},
    };
    for (const Case& c : cases) {
        uint32_t v = 12345;
        EXPECT_EQ(seed_from_cmdline_linux(c.cmdline.data(), c.cmdline.size(), &v), c.found) << c.cmdline;
        if (c.found) { EXPECT_EQ(v, c.value) << c.cmdline; }
    }
    const char* argv[] = {"tavrin", "12", "x", "34"};
    uint32_t v = 0;
    ASSERT_TRUE(seed_from_args_linux(4, argv, &v));
    EXPECT_EQ(v, 34u);
}

TEST(SeedText, ClockFallbacks) {
    EXPECT_EQ(clock_seed_linux(1, 0), 0x9E3779B1u);
    EXPECT_EQ(clock_seed_linux(2, 5), (2u * 0x9E3779B1u) ^ 5u);
    EXPECT_EQ(clock_seed_win(3, 0x1234567800000009ull), (3u * 0x9E3779B1u) ^ 9u);
}
