// The ornament vocabulary, the builder and the per-frame values of the ornament drawing.
#include <math.h>
#include <string.h>

#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "looks/ornament_frame.h"
#include "looks/ornaments.h"
#include "core/pose.h"
#include "core/rng.h"
#include "player/startup.h"
#include "looks/palette.h"

namespace {

const float palette[4][3] = {{0.02f, 0.05f, 0.15f}, {0.95f, 0.8f, 0.3f}, {0.7f, 0.15f, 0.2f}, {0.2f, 0.55f, 0.6f}};

// A blank emitter: empty buffer and groups, identity transform, picks 0 1 2, spinning allowed.
class Emitters : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ornament_buffer_allocate());
        memcpy(PL, palette, sizeof PL);
        ornament_vertex_count = 0;
        spin_group_count = 0;
        no_spin = false;
        colour_picks[0] = 0, colour_picks[1] = 1, colour_picks[2] = 2;
        set_shape_transform(0, 0, 0, 1, 1);
        rng_seed(7);
    }
    std::vector<ornament_vertex> shape(int type, float w) {
        ornament_vertex_count = 0;
        emit_shape(type, 0, 0, w);
        return std::vector<ornament_vertex>(ornament_vertices, ornament_vertices + ornament_vertex_count);
    }
};

bool same(const std::vector<ornament_vertex>& a, const std::vector<ornament_vertex>& b) {
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(ornament_vertex)) == 0;
}

TEST_F(Emitters, TheCapDropsEverythingPastTheLastVertex) {
    ornament_vertices[ornament_capacity - 1].x = 123.0f;
    ornament_vertex_count = ornament_capacity - 1;
    emit_shape(0, 0, 0, 1.0f); // a fan of 3: one vertex written, two dropped
    EXPECT_EQ(ornament_vertex_count, ornament_capacity);
    EXPECT_NE(ornament_vertices[ornament_capacity - 1].x, 123.0f);
    emit_shape(15, 0, 0, 1.0f);
    EXPECT_EQ(ornament_vertex_count, ornament_capacity);
}

TEST_F(Emitters, TransformLayerAndArgumentOrder) {
    // fourth argument scales y, fifth x; a quarter turn; layer 2 moves along y only
    set_shape_transform(1.0f, 2.0f, 1.5707964f, 3.0f, 0.5f);
    emit_vertex(2, PL[1], 2.0f, 1.0f);
    const ornament_vertex& v = ornament_vertices[0];
    // x' = 1, y' = 3: X = c x' - s y' + tx = -2, Z = c y' + s x' + ty = 3
    EXPECT_NEAR(v.x, -2.0f, 1e-5);
    EXPECT_NEAR(v.y, -0.024f, 1e-7);
    EXPECT_NEAR(v.z, 3.0f, 1e-5);
    EXPECT_EQ(v.r, PL[1][0]);
}

TEST_F(Emitters, ZeroLengthStrokeIsFiniteAndEmpty) {
    shape_point p[2] = {{0.3f, 0.4f}, {0.3f, 0.4f}};
    emit_stroke(p, 2, 0, 0, 0.5f);
    ASSERT_EQ(ornament_vertex_count, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(isfinite(ornament_vertices[i].x) && isfinite(ornament_vertices[i].z));
        EXPECT_NEAR(ornament_vertices[i].x, 0.3f, 1e-5);
    }
}

TEST_F(Emitters, UnknownTypesDrawTheEye) {
    std::vector<ornament_vertex> eye = shape(8, 0.5f);
    EXPECT_EQ(eye.size(), 16u * 3 + 12u * 3);
    for (int type : {18, 99, -1}) EXPECT_TRUE(same(shape(type, 0.5f), eye)) << type;
}

TEST_F(Emitters, SomeShapesIgnoreTheirWidth) {
    for (int type : {4, 5, 6, 7, 8, 14}) EXPECT_TRUE(same(shape(type, 0.2f), shape(type, 1.7f))) << type;
    // the random star, from the same generator state
    uint32_t s = rng_state;
    std::vector<ornament_vertex> a = shape(17, 0.2f);
    rng_state = s;
    EXPECT_TRUE(same(a, shape(17, 1.7f)));
    EXPECT_FALSE(same(shape(0, 0.2f), shape(0, 1.7f)));
    for (const ornament_vertex& v : shape(0, 0.0f)) EXPECT_EQ(v.x, 0.0f); // a line
}

TEST_F(Emitters, EveryShapeOfEveryWidthIsFinite) {
    // The leaf takes a fractional power of sin(pi v); at v = 1 that sine is a tiny negative
    // number in single precision, which would make the tip NaN without the clamp.
    for (int type = 0; type < shape_type_count; ++type)
        for (float w : {0.0f, 0.35f, 0.45f, 1.0f})
            for (const ornament_vertex& v : shape(type, w))
                ASSERT_TRUE(isfinite(v.x) && isfinite(v.y) && isfinite(v.z)) << "type " << type << " w " << w;
    std::vector<ornament_vertex> leaf = shape(9, 0.45f);
    bool tip = false;
    for (const ornament_vertex& v : leaf)
        if (v.z == 1.0f) {
            tip = true;
            EXPECT_EQ(v.x, 0.0f); // exactly on the axis
        }
    EXPECT_TRUE(tip);
}

TEST_F(Emitters, ColourSlotsCycleThroughThePicks) {
    colour_picks[0] = 2, colour_picks[1] = 0, colour_picks[2] = 3;
    const int expected[5] = {2, 0, 3, 2, 0};
    for (int slot = 0; slot < 5; ++slot) {
        ornament_vertex_count = 0;
        emit_rect(0, slot, 0, 0, 1, 1);
        EXPECT_EQ(memcmp(&ornament_vertices[0].r, PL[expected[slot]], 12), 0) << slot;
    }
}

TEST_F(Emitters, GroupDrawsAndTheFullTable) {
    // no-spin: no draw
    no_spin = true;
    uint32_t s = rng_state;
    begin_group();
    EXPECT_EQ(rng_state, s);
    EXPECT_EQ(spin_groups[0].speed, 0.0f);
    // spinning: one draw for speed 0, three for a speed
    no_spin = false;
    for (int k = 0; k < 20; ++k) {
        uint32_t before = rng_state;
        float r = rng_next();
        uint32_t after_one = rng_state;
        rng_next();
        rng_next();
        uint32_t after_three = rng_state;
        rng_state = before;
        begin_group();
        const spin_group& g = spin_groups[spin_group_count - 1];
        if (r < 0.3f) {
            EXPECT_EQ(rng_state, after_one);
            EXPECT_EQ(g.speed, 0.0f);
        } else {
            EXPECT_EQ(rng_state, after_three);
            EXPECT_GE(fabsf(g.speed), 0.25f);
            EXPECT_LE(fabsf(g.speed), 1.1f);
        }
    }
    // past 2048 groups nothing opens; the last group keeps what follows
    no_spin = true;
    while (spin_group_count < ornament_group_capacity) begin_group();
    int32_t first = spin_groups[ornament_group_capacity - 1].first;
    emit_rect(0, 0, 0, 0, 1, 1);
    begin_group();
    emit_rect(0, 0, 0, 0, 1, 1);
    begin_group();
    EXPECT_EQ(spin_group_count, ornament_group_capacity);
    EXPECT_EQ(spin_groups[ornament_group_capacity - 1].first, first);
    EXPECT_EQ(spin_groups[ornament_group_capacity - 1].count, ornament_vertex_count - first);
}

// ---- the builder ----

const int K7[] = {1, 2, 3, 9, 10, 14, 15};
const int K13[] = {1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 13, 14, 15};

struct built_set {
    std::vector<ornament_vertex> vertices;
    std::vector<spin_group> groups;
    std::vector<ornament_slot_set> slots;
    bool operator==(const built_set& o) const {
        return vertices.size() == o.vertices.size() && groups.size() == o.groups.size() &&
               !memcmp(vertices.data(), o.vertices.data(), vertices.size() * sizeof(ornament_vertex)) &&
               !memcmp(groups.data(), o.groups.data(), groups.size() * sizeof(spin_group)) &&
               !memcmp(slots.data(), o.slots.data(), slots.size() * sizeof(ornament_slot_set));
    }
};

built_set build(int32_t phrase) {
    build_ornament_set(phrase);
    built_set b;
    b.vertices.assign(ornament_vertices, ornament_vertices + ornament_vertex_count);
    b.groups.assign(spin_groups, spin_groups + spin_group_count);
    b.slots.assign(ornament_set, ornament_set + ornament_slot_count);
    return b;
}

class Builder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ornament_buffer_allocate());
        reset_show_state();
        run_startup_choices(42, startup_hooks{});
    }
};

TEST_F(Builder, RepeatableAndTheSharedStreamUntouched) {
    uint32_t state = rng_state;
    built_set two = build(2);
    EXPECT_EQ(rng_state, state);
    EXPECT_GT(two.vertices.size(), 1000u);
    built_set three = build(3);
    EXPECT_FALSE(three == two);
    EXPECT_TRUE(build(2) == two); // backwards, after another phrase
    EXPECT_TRUE(build(2) == two);
    EXPECT_EQ(rng_state, state);
}

TEST_F(Builder, KindsPicksUnitBoxesAndGroups) {
    for (uint32_t seed : {1u, 42u, 777u, 123456u}) {
        reset_show_state();
        run_startup_choices(seed, startup_hooks{});
        for (int32_t phrase : {0, 1, 5, 40}) {
            build_ornament_set(phrase);
            ASSERT_LE(ornament_vertex_count, ornament_capacity);
            ASSERT_LT(spin_group_count, ornament_group_capacity);
            for (int s = 0; s < ornament_slot_count; ++s) {
                const ornament_slot_set& o = ornament_set[s];
                SCOPED_TRACE(testing::Message() << "seed " << seed << " phrase " << phrase << " slot " << s);
                int table = ornament_slots[s].kind;
                if (table == 0)
                    EXPECT_NE(std::find(std::begin(K7), std::end(K7), o.kind), std::end(K7));
                else if (table == 8)
                    EXPECT_NE(std::find(std::begin(K13), std::end(K13), o.kind), std::end(K13));
                else
                    EXPECT_EQ(o.kind, table);
                EXPECT_EQ(std::set<int>({o.picks[0], o.picks[1], o.picks[2]}).size(), 3u);

                // the unit box
                float xmin = 1e9f, xmax = -1e9f, zmin = 1e9f, zmax = -1e9f;
                for (int32_t i = o.first_vertex; i < o.first_vertex + o.vertex_count; ++i) {
                    const ornament_vertex& v = ornament_vertices[i];
                    ASSERT_TRUE(isfinite(v.x) && isfinite(v.y) && isfinite(v.z) && isfinite(v.r));
                    xmin = fminf(xmin, v.x), xmax = fmaxf(xmax, v.x);
                    zmin = fminf(zmin, v.z), zmax = fmaxf(zmax, v.z);
                }
                ASSERT_GT(o.vertex_count, 0);
                EXPECT_NEAR(fmaxf(xmax - xmin, zmax - zmin), 1.0f, 1e-4);
                if (o.kind == 5 || o.kind == 11) {
                    EXPECT_NEAR(zmax, 0.0f, 1e-6);
                    EXPECT_GE(zmin, -1.0001f);
                    EXPECT_LE(fmaxf(fabsf(xmin), fabsf(xmax)), 1.0001f);
                } else {
                    EXPECT_NEAR(xmin + xmax, 0.0f, 1e-4);
                    EXPECT_NEAR(zmin + zmax, 0.0f, 1e-4);
                }

                // the slot's groups tile its vertices in order; the last one is empty
                int32_t at = o.first_vertex;
                for (int32_t g = o.first_group; g < o.first_group + o.group_count; ++g) {
                    EXPECT_EQ(spin_groups[g].first, at);
                    EXPECT_GE(spin_groups[g].count, 0);
                    at += spin_groups[g].count;
                    if (o.kind == 4 || o.kind == 5 || o.kind == 11) {
                        EXPECT_EQ(spin_groups[g].speed, 0.0f);
                    }
                }
                EXPECT_EQ(at, o.first_vertex + o.vertex_count);
                EXPECT_EQ(spin_groups[o.first_group + o.group_count - 1].count, 0);
            }
        }
    }
}

TEST_F(Builder, AFullBufferStopsAtTheCapAndStaysFinite) {
    // a show whose phrase 6 reaches the cap
    reset_show_state();
    run_startup_choices(1070406885u, startup_hooks{});
    build_ornament_set(6);
    EXPECT_EQ(ornament_vertex_count, ornament_capacity);
    for (int32_t i = 0; i < ornament_vertex_count; ++i)
        ASSERT_TRUE(isfinite(ornament_vertices[i].x) && isfinite(ornament_vertices[i].z));
    const ornament_slot_set& last = ornament_set[ornament_slot_count - 1];
    EXPECT_LE(last.first_vertex + last.vertex_count, ornament_capacity);
}

// ---- per-frame values ----

TEST(OrnamentFrame, Envelope) {
    EXPECT_EQ(ornament_phrase(-3.0f), 0);
    EXPECT_EQ(ornament_envelope(-3.0f), 1.0f);
    EXPECT_EQ(ornament_envelope(0.0f), 1.0f);
    EXPECT_EQ(ornament_envelope(0.5f), 1.0f); // the first phrase does not pop in
    EXPECT_EQ(ornament_phrase(32.0f), 1);
    EXPECT_EQ(ornament_envelope(32.0f), 0.0f);
    EXPECT_NEAR(ornament_envelope(63.5f), 0.5f, 1e-6);
    float peak = 0, at = 0;
    for (float x = 0; x < 2.0f; x += 0.01f) {
        float e = ornament_envelope(64.0f + x);
        if (e > peak) peak = e, at = x;
    }
    EXPECT_NEAR(peak, 1.18f, 0.01f);
    EXPECT_NEAR(at, 0.52f, 0.05f);
}

TEST(OrnamentFrame, ScaleAngleAndLoudness) {
    const float quiet[4] = {0, 0, 0, 0}, loud[4] = {1, 0, 0, 0};
    // slot 0 pulses with loudness (flags 2), slot 8 rocks (flags 1)
    EXPECT_NEAR(ornament_slot_scale(0, 1.0f, loud), 1.182f * ornament_slots[0].size, 1e-5);
    EXPECT_EQ(ornament_slot_scale(8, 1.0f, loud), ornament_slots[8].size);
    EXPECT_EQ(ornament_slot_scale(0, -0.2f, quiet), 0.0f);
    ornament_set[8].turn_phase = 0.4f;
    EXPECT_NEAR(ornament_slot_angle(8, 2.0f, 7.3f, quiet), 0.35f * sinf(3.4f + 0.4f), 1e-6);
    float m[16];
    ornament_group_matrix(0.3f, 2.0f, m);
    EXPECT_NEAR(m[0], 2 * cosf(0.3f), 1e-6);
    EXPECT_NEAR(m[2], -2 * sinf(0.3f), 1e-6);
    EXPECT_NEAR(m[8], 2 * sinf(0.3f), 1e-6);
    EXPECT_EQ(m[5], 2.0f);
    EXPECT_EQ(m[15], 1.0f);
}

TEST(OrnamentFrame, RidingSlotsFollowTheirPiece) {
    // slot 3 rides piece 26, 1.05 above its origin
    float before[3] = {0, 0, 0};
    int moved = 0;
    for (float phase = 0; phase < 16.0f; phase += 0.75f) {
        float piece[16], base[16];
        piece_matrix(26, phase, piece);
        ornament_slot_base(3, phase, base);
        const float* p = ornament_slots[3].placement;
        for (int r = 0; r < 3; ++r) {
            float expected = piece[r] * p[12] + piece[4 + r] * p[13] + piece[8 + r] * p[14] + piece[12 + r];
            EXPECT_NEAR(base[12 + r], expected, 1e-4);
        }
        if (fabsf(base[12] - before[0]) + fabsf(base[13] - before[1]) + fabsf(base[14] - before[2]) > 1e-3) ++moved;
        memcpy(before, &base[12], sizeof before);
    }
    EXPECT_GT(moved, 10); // the piece dances, and the ornament with it
    float world[16];
    ornament_slot_base(23, 3.0f, world);
    EXPECT_EQ(memcmp(world, ornament_slots[23].placement, sizeof world), 0);
}

TEST_F(Builder, DrawsSkipEmptyGroupsAndVanishAtEnvelopeZero) {
    build_ornament_set(1);
    const float AU[4] = {0.5f, 0.2f, 0, 0};
    float vp[16];
    mat4_identity(vp);
    int nonempty = 0;
    for (int s = 0; s < ornament_slot_count; ++s)
        for (int32_t g = ornament_set[s].first_group; g < ornament_set[s].first_group + ornament_set[s].group_count; ++g)
            if (spin_groups[g].count > 0) ++nonempty;
    int n = ornament_frame_draws(10.0f, 40.0f, 4.0f, AU, vp);
    EXPECT_EQ(n, nonempty);
    for (int k = 0; k < n; ++k) EXPECT_GT(ornament_draws[k].count, 0);
    EXPECT_EQ(ornament_frame_draws(10.0f, 32.0f, 4.0f, AU, vp), 0); // a phrase's first instant
    int e = emblem_draws(4, 10.0f, 40.0f, 0.5f, AU, 16.0f / 9.0f);
    EXPECT_GT(e, 0);
    for (int k = 0; k < e; ++k) EXPECT_EQ(ornament_draws[k].mvp[14], 0.5f);
}

} // namespace
