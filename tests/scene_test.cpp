#include <gtest/gtest.h>
#include <math.h>

#include "core/figure_values.h"
#include "core/pose.h"
#include "data/scene.h"
#include "looks/palette.h"

namespace {

struct track {
    const char* what;
    int index;
    int start, count;
};

std::vector<track> all_tracks() {
    std::vector<track> t;
    for (int p = 0; p < scene_piece_count; ++p) {
        const piece_record& r = scene_pieces[p];
        t.push_back({"piece translation", p, r.translation_track[0], r.translation_track[1]});
        t.push_back({"piece rotation", p, r.rotation_track[0], r.rotation_track[1]});
        t.push_back({"piece scale", p, r.scale_track[0], r.scale_track[1]});
    }
    for (int b = 0; b < scene_bone_count; ++b) {
        const bone_record& r = scene_bones[b];
        t.push_back({"bone translation", b, r.translation_track[0], r.translation_track[1]});
        t.push_back({"bone rotation", b, r.rotation_track[0], r.rotation_track[1]});
        t.push_back({"bone scale", b, r.scale_track[0], r.scale_track[1]});
    }
    return t;
}

} // namespace

TEST(Scene, TracksSpanTheDanceCycleAndLoop) {
    for (const track& t : all_tracks()) {
        if (t.count <= 0) continue;
        ASSERT_GE(t.start, 0) << t.what << " " << t.index;
        ASSERT_EQ(t.start % 4, 0) << t.what << " " << t.index;
        ASSERT_LE(t.start + 4 * t.count, 4 * scene_key_count) << t.what << " " << t.index;
        const float* k = scene_keys + t.start;
        for (int i = 0; i < t.count; ++i) {
            EXPECT_GE(k[4 * i], 0.0f) << t.what << " " << t.index;
            EXPECT_LE(k[4 * i], 16.0f) << t.what << " " << t.index;
            if (i) {
                EXPECT_GE(k[4 * i], k[4 * i - 4]) << t.what << " " << t.index << " key " << i;
            }
        }
        if (t.count > 1) {
            // the cycle loops: the value at 16 is the value at 0
            vec3 a = sample_track(vec3{0, 0, 0}, t.start, t.count, 0.0f);
            vec3 b = sample_track(vec3{0, 0, 0}, t.start, t.count, 16.0f);
            EXPECT_NEAR(a.x, b.x, 1e-4f) << t.what << " " << t.index;
            EXPECT_NEAR(a.y, b.y, 1e-4f) << t.what << " " << t.index;
            EXPECT_NEAR(a.z, b.z, 1e-4f) << t.what << " " << t.index;
        }
    }
}

TEST(Scene, MeshIndicesAndQuantisationBoxes) {
    EXPECT_LE(scene_vertex_count, 65536);
    EXPECT_EQ(scene_index_count % 3, 0);
    for (int i = 0; i < scene_index_count; ++i) ASSERT_LT((int)scene_indices[i], scene_vertex_count) << i;
    std::vector<int> owner(scene_vertex_count, -1);
    for (int p = 0; p < scene_piece_count; ++p) {
        const piece_record& r = scene_pieces[p];
        ASSERT_GE(r.first_index, 0);
        ASSERT_GT(r.index_count, 0) << p;
        ASSERT_EQ(r.index_count % 3, 0) << p;
        ASSERT_LE(r.first_index + r.index_count, scene_index_count) << p;
        EXPECT_GE(r.index_slot, 0);
        EXPECT_LT(r.index_slot, 14);
        EXPECT_EQ(r.ones[0], 1);
        EXPECT_EQ(r.ones[1], 1);
        for (int k = 0; k < 3; ++k) EXPECT_GT(r.B[k], 0.0f) << p;
        for (int i = r.first_index; i < r.first_index + r.index_count; ++i) {
            int v = scene_indices[i];
            // a vertex belongs to one index range (pieces 0..7 share one)
            int range = p < 8 ? 0 : p;
            ASSERT_TRUE(owner[v] < 0 || owner[v] == range) << "vertex " << v << " in pieces " << owner[v] << ", " << p;
            owner[v] = range;
        }
    }
    // pieces 0-7 share one index range and one dequantisation
    for (int p = 1; p < 8; ++p) {
        EXPECT_EQ(scene_pieces[p].first_index, scene_pieces[0].first_index);
        EXPECT_EQ(scene_pieces[p].index_count, scene_pieces[0].index_count);
    }
    // skinning: bones 0..12 only, weights 0..255, only bones 0..2 besides the identity
    for (int v = 0; v < scene_vertex_count; ++v) {
        for (int k = 0; k < 2; ++k) {
            int b = scene_bone_indices[2 * v + k];
            EXPECT_TRUE(b <= 2 || b == scene_identity_bone) << "vertex " << v << " bone " << b;
        }
        bool skinned = scene_bone_indices[2 * v] != 12 || scene_bone_indices[2 * v + 1] != 12;
        if (skinned) {
            EXPECT_EQ(owner[v], 29) << "skinned vertex " << v << " outside the flag";
        }
        int n2 = scene_normals[3 * v] * scene_normals[3 * v] + scene_normals[3 * v + 1] * scene_normals[3 * v + 1] +
                 scene_normals[3 * v + 2] * scene_normals[3 * v + 2];
        EXPECT_NEAR(sqrtf((float)n2), 127.0f, 2.0f) << "vertex " << v;
    }
}

TEST(Scene, TagsPulseAndIdentityBone) {
    const point_tag expect[4] = {
        {26, 0, {0, 0, 0}}, {9, 0, {0.005f, -0.002f, -0.289f}}, {8, 1, {0, 0, 2.581f}}, {11, 1, {0, 0.083f, 0.825f}}};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(scene_tags[j].piece, expect[j].piece);
        EXPECT_EQ(scene_tags[j].group, expect[j].group);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(scene_tags[j].offset[k], expect[j].offset[k]);
    }
    for (int p = 0; p < scene_piece_count; ++p) {
        float k = p < 8 ? 0.3f : (p == 10 || (p >= 12 && p <= 16)) ? 0.25f : (p >= 23 && p <= 25) ? 0.12f : 0.0f;
        EXPECT_EQ(scene_piece_pulse[p], k) << p;
    }
    const bone_record& b = scene_bones[12];
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(b.rest_translation[k], 0.0f);
        EXPECT_EQ(b.rest_rotation[k], 0.0f);
        EXPECT_EQ(b.rest_scale[k], 1.0f);
    }
    EXPECT_EQ(b.translation_track[1], 0);
    EXPECT_EQ(b.rotation_track[1], 0);
    EXPECT_EQ(b.scale_track[1], 0);
    const float id[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(b.bind[k], id[k]);
}

// The dancers stand on the ground and keep their groups apart: the tagged points of group 0 are
// on the first stage (x near 0), those of group 1 on the second (x near 34), at every key time.
TEST(Scene, DancersStayOnTheirStages) {
    for (int i = 0; i <= 64; ++i) {
        float t = 0.25f * (float)i;
        vec3 a = figure_point(-1, 0, t), b = figure_point(-1, 1, t);
        EXPECT_NEAR(a.x, 0.0f, 1.5f) << t;
        EXPECT_NEAR(b.x, 34.0f, 1.5f) << t;
        EXPECT_GT(a.z, -0.5f) << t;
        EXPECT_LT(a.z, 2.5f) << t;
        EXPECT_GT(b.z, -0.5f) << t;
        EXPECT_LT(b.z, 2.5f) << t;
    }
}

// Nothing of a dancer goes through the floor: the lowest vertex of every dancer piece, posed at
// every quarter beat, is at or above the ground (z = -1.5017), and at each time some foot is on it.
TEST(Scene, NothingSinksThroughTheFloor) {
    const int dancer_pieces[] = {8, 9, 11, 17, 18, 19, 20, 26, 30, 31, 32, 33, 34, 35, 36, 37, 38,
                                 39, 40, 41, 42, 43, 44, 45, 46, 47};
    const float ground = -1.5017f;
    for (int i = 0; i < 64; ++i) {
        float t = 0.25f * (float)i;
        float lowest_foot[2] = {1e9f, 1e9f};
        for (int p : dancer_pieces) {
            const piece_record& r = scene_pieces[p];
            float m[16];
            piece_matrix(p, t, m);
            float low = 1e9f;
            for (int k = r.first_index; k < r.first_index + r.index_count; ++k) {
                int v = scene_indices[k];
                float q[3];
                for (int c = 0; c < 3; ++c) q[c] = scene_positions[3 * v + c] / 65535.0f * r.B[c] + r.O[c];
                float z = m[2] * q[0] + m[6] * q[1] + m[10] * q[2] + m[14];
                low = fminf(low, z);
            }
            EXPECT_GE(low, ground - 0.01f) << "piece " << p << " at " << t;
            bool foot = p == 37 || p == 38 || p == 46 || p == 47;
            if (foot) {
                int d = p < 40 ? 0 : 1;
                lowest_foot[d] = fminf(lowest_foot[d], low);
            }
        }
        EXPECT_LT(lowest_foot[0], ground + 0.02f) << t;
        EXPECT_LT(lowest_foot[1], ground + 0.02f) << t;
    }
}

TEST(Scene, LoudnessPulse) {
    for (int p = 0; p < scene_piece_count; ++p) {
        float m[16], quiet[16], loud[16];
        piece_matrix(p, 7.5f, m);
        pulsed_piece_matrix(p, 7.5f, 0.0f, quiet);
        pulsed_piece_matrix(p, 7.5f, 1.0f, loud);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(quiet[i], m[i]) << p;
        float s = 1.0f + scene_piece_pulse[p];
        for (int i = 0; i < 16; ++i) {
            bool upper = i < 11 && i % 4 != 3;
            EXPECT_FLOAT_EQ(loud[i], upper ? m[i] * s : m[i]) << "piece " << p << " element " << i;
        }
    }
    float m[16], loud[16];
    piece_matrix(3, 0.0f, m);
    pulsed_piece_matrix(3, 0.0f, 1.0f, loud);
    EXPECT_FLOAT_EQ(loud[0], 1.3f * m[0]);
}

TEST(Scene, LightColoursFromThePalette) {
    const float pl[4][3] = {{0, 0, 0}, {0.5f, 0.25f, 1.0f}, {0, 0, 0}, {0.4f, 0.2f, 0.1f}};
    figure_colours c = figure_colours_of(pl);
    float lum = 0.3f * 0.4f + 0.59f * 0.2f + 0.11f * 0.1f;
    EXPECT_FLOAT_EQ(c.K[0], 0.3f * 0.4f / lum);
    EXPECT_FLOAT_EQ(c.S[1], 1.0f - 0.85f * (0.3f * 0.2f / lum));
    EXPECT_FLOAT_EQ(c.SC[2], 1.0f);
    // dark accents: the luminance floor of 0.03 and the cap of 0.75
    const float dark[4][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0.05f, 0.0f, 0.0f}};
    c = figure_colours_of(dark);
    EXPECT_FLOAT_EQ(c.K[0], 0.3f * 0.05f / 0.03f);
    const float bright_red[4][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1.0f, 0.0f, 0.0f}};
    c = figure_colours_of(bright_red);
    EXPECT_EQ(c.K[0], 0.75f);
    EXPECT_EQ(c.K[1], 0.0f);
}
