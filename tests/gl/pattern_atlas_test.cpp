// The generated pattern atlas: how much of each sheet is drawn, seamless tiling, and that the
// atlas the programs carry is the generator's.
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "data/pattern_atlas.h"

namespace {

int bit(const uint8_t* sheet, int x, int y) { return sheet[(y * 256 + x) / 8] >> (x % 8) & 1; }

// How well line i + 1 (wrapping) continues line i, lines being columns or, across_rows, rows:
// the share of the sparser line's set pixels that the other line also sets, at the best shift
// of up to one pixel along the line (slanted strokes and hatching move from line to line).
// -1 when either line has too few set pixels to say.
double continuation(const uint8_t* sheet, int i, bool across_rows) {
    int count[2] = {0, 0};
    for (int j = 0; j < 256; ++j) {
        count[0] += across_rows ? bit(sheet, j, i) : bit(sheet, i, j);
        count[1] += across_rows ? bit(sheet, j, (i + 1) & 255) : bit(sheet, (i + 1) & 255, j);
    }
    int fewer = count[0] < count[1] ? count[0] : count[1];
    if (fewer < 12) return -1.0;
    int best = 0;
    for (int shift = -1; shift <= 1; ++shift) {
        int n = 0;
        for (int j = 0; j < 256; ++j) {
            int k = (j + shift) & 255;
            int a = across_rows ? bit(sheet, j, i) : bit(sheet, i, j);
            int b = across_rows ? bit(sheet, k, (i + 1) & 255) : bit(sheet, (i + 1) & 255, k);
            n += a & b;
        }
        if (n > best) best = n;
    }
    return (double)best / fewer;
}

// A sheet tiles without seams when the wrap from the last line to the first continues at least
// as well as the worst pair of neighbouring lines inside the sheet. Unrelated lines of these
// sheets share a far smaller part of their pixels.
bool seamless(const uint8_t* sheet, bool across_rows, double* seam, double* inside) {
    *seam = continuation(sheet, 255, across_rows);
    *inside = 1.0;
    for (int i = 0; i < 255; ++i) {
        double c = continuation(sheet, i, across_rows);
        if (c >= 0.0 && c < *inside) *inside = c;
    }
    return *seam < 0.0 || *seam >= *inside;
}

// The fraction of pixels that differ between neighbouring columns i and i + 1.
double neighbour_difference(const uint8_t* sheet, int i) {
    int n = 0;
    for (int j = 0; j < 256; ++j) n += bit(sheet, i, j) != bit(sheet, (i + 1) & 255, j);
    return n / 256.0;
}

TEST(PatternAtlas, EachSheetHasSixteenToThirtyTwoPercentSet) {
    for (int s = 0; s < 8; ++s) {
        int ones = 0;
        for (int i = 0; i < 8192; ++i) ones += __builtin_popcount(pattern_atlas[s * 8192 + i]);
        double fill = ones / 65536.0;
        EXPECT_GE(fill, 0.16) << "sheet " << s;
        EXPECT_LE(fill, 0.32) << "sheet " << s;
    }
}

TEST(PatternAtlas, SheetsTileWithoutSeams) {
    for (int s = 0; s < 8; ++s)
        for (bool rows : {false, true}) {
            double seam, inside;
            EXPECT_TRUE(seamless(pattern_atlas + s * 8192, rows, &seam, &inside))
                << "sheet " << s << (rows ? " rows" : " columns") << ": seam " << seam << ", inside at most " << inside;
        }
    // The check sees a seam: lines 0..199 of a sheet stretched over 256 lines continue inside
    // as the sheet does, but the wrap joins line 199 to line 0.
    for (int s = 0; s < 8; ++s)
        for (bool rows : {false, true}) {
            std::vector<uint8_t> stretched(8192, 0);
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    int sx = rows ? x : x * 200 / 256, sy = rows ? y * 200 / 256 : y;
                    if (bit(pattern_atlas + s * 8192, sx, sy)) stretched[(y * 256 + x) / 8] |= (uint8_t)(1 << (x % 8));
                }
            double seam, inside;
            EXPECT_FALSE(seamless(stretched.data(), rows, &seam, &inside))
                << "stretched sheet " << s << (rows ? " rows" : " columns") << ": seam " << seam << ", inside " << inside;
        }
}

TEST(PatternAtlas, SheetsAreDrawingsAndDifferFromEachOther) {
    for (int s = 0; s < 8; ++s) {
        const uint8_t* sheet = pattern_atlas + s * 8192;
        int ones = 0;
        for (int i = 0; i < 8192; ++i) ones += __builtin_popcount(sheet[i]);
        double f = ones / 65536.0, noise = 2.0 * f * (1.0 - f);
        double mean = 0.0;
        for (int i = 0; i < 256; ++i) mean += neighbour_difference(sheet, i) / 256.0;
        // neighbouring pixels of strokes and shapes agree far more often than those of noise
        EXPECT_LT(mean, 0.5 * noise) << "sheet " << s;
        for (int t = 0; t < s; ++t) {
            int differ = 0;
            for (int i = 0; i < 8192; ++i)
                differ += __builtin_popcount(pattern_atlas[s * 8192 + i] ^ pattern_atlas[t * 8192 + i]);
            EXPECT_GT(differ, 65536 / 10) << "sheets " << t << " and " << s;
        }
    }
}

TEST(PatternAtlas, CarriedAtlasIsTheGeneratorsOutput) {
    std::vector<uint8_t> a(pattern_atlas_bytes), b(pattern_atlas_bytes, 0xFF);
    generate_pattern_atlas(a.data());
    generate_pattern_atlas(b.data());
    EXPECT_EQ(a, b) << "the generator gives the same bytes every run";
    EXPECT_EQ(memcmp(a.data(), pattern_atlas, pattern_atlas_bytes), 0);
}

} // namespace
