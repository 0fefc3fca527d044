#include <gtest/gtest.h>
#include <math.h>

#include "core/pose.h"
#include "data/scene.h"

namespace {

struct key_pool_override {
    explicit key_pool_override(const float* keys) { pose_key_pool = keys; }
    ~key_pool_override() { pose_key_pool = scene_keys; }
};

void expect_vec(vec3 v, float x, float y, float z, const char* what) {
    EXPECT_NEAR(v.x, x, 1e-6f) << what;
    EXPECT_NEAR(v.y, y, 1e-6f) << what;
    EXPECT_NEAR(v.z, z, 1e-6f) << what;
}

} // namespace

TEST(Pose, SampleTrackEdges) {
    // track A at 0: keys at 0 and 16; track B at 8: keys at 2, 2 (equal times) and 6
    static const float keys[] = {0, 1, 2, 3, 16, 5, 6, 7, 2, 10, 10, 10, 2, 20, 20, 20, 6, 40, 40, 40};
    key_pool_override pool(keys);
    vec3 rest{-1, -2, -3};
    expect_vec(sample_track(rest, 0, 0, 5.0f), -1, -2, -3, "no keys: rest");
    expect_vec(sample_track(rest, 0, -3, 5.0f), -1, -2, -3, "negative count: rest");
    expect_vec(sample_track(rest, 4, 1, -7.0f), 5, 6, 7, "one key at any time");
    expect_vec(sample_track(rest, 0, 2, 16.0f), 5, 6, 7, "at the last key");
    expect_vec(sample_track(rest, 0, 2, 20.0f), 5, 6, 7, "past the last key");
    expect_vec(sample_track(rest, 0, 2, -1.0f), 1, 2, 3, "before the first key");
    expect_vec(sample_track(rest, 0, 2, 4.0f), 2, 3, 4, "a quarter of the way");
    expect_vec(sample_track(rest, 8, 3, 2.0f), 20, 20, 20, "at equal key times: the later pair starts");
    expect_vec(sample_track(rest, 8, 3, 4.0f), 30, 30, 30, "between the second and third keys");
    expect_vec(sample_track(rest, 8, 3, 1.0f), 10, 10, 10, "before equal keys: the first");
    // keys 0 and 1 share time 2: a time inside that empty span takes the earlier key's value
    static const float same[] = {2, 1, 1, 1, 2, 9, 9, 9, 4, 3, 3, 3};
    key_pool_override pool2(same);
    expect_vec(sample_track(rest, 0, 3, 1.5f), 1, 1, 1, "before: key 0");
}

TEST(Pose, MatrixOperations) {
    float m[16];
    trs_matrix(vec3{7, 8, 9}, vec3{0, 0, 0}, vec3{2, 3, 4}, m);
    const float expect[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 7, 8, 9, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], expect[i]) << i;

    // rotation order: scale, then x, then y, then z (a quarter turn about x then about z)
    trs_matrix(vec3{0, 0, 0}, vec3{1.5707964f, 0, 1.5707964f}, vec3{1, 1, 1}, m);
    // the y axis turns to z under x, and stays z under z
    EXPECT_NEAR(m[4], 0, 1e-6f);
    EXPECT_NEAR(m[5], 0, 1e-6f);
    EXPECT_NEAR(m[6], 1, 1e-6f);
    // the x axis stays x under x and turns to y under z
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], 1, 1e-6f);

    float a[16], id[16], out[16];
    for (int i = 0; i < 16; ++i) a[i] = (float)(i * 3 % 7) - 2.5f;
    mat4_identity(id);
    mat4_mul(out, a, id);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], a[i]);
    // out aliasing either input: the product is formed first
    float b[16];
    trs_matrix(vec3{1, 2, 3}, vec3{0.3f, -0.2f, 0.9f}, vec3{1, 2, 0.5f}, b);
    float ref[16];
    mat4_mul(ref, a, b);
    float x[16];
    memcpy(x, a, sizeof x);
    mat4_mul(x, x, b);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(x[i], ref[i]);
    memcpy(x, b, sizeof x);
    mat4_mul(x, a, x);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(x[i], ref[i]);
    // column-major: the translation of b moved by a lands in column 3
    EXPECT_FLOAT_EQ(ref[12], a[0] * 1 + a[4] * 2 + a[8] * 3 + a[12]);
}

TEST(Pose, FigurePointSelections) {
    const float time = 3.25f;
    vec3 p[4];
    for (int j = 0; j < 4; ++j) {
        float m[16];
        piece_matrix(scene_tags[j].piece, time, m);
        p[j] = vec3{m[12] + scene_tags[j].offset[0], m[13] + scene_tags[j].offset[1], m[14] + scene_tags[j].offset[2]};
    }
    auto mean = [&](std::initializer_list<int> js) {
        vec3 s{0, 0, 0};
        for (int j : js) s.x += p[j].x, s.y += p[j].y, s.z += p[j].z;
        float n = (float)js.size();
        return vec3{s.x / n, s.y / n, s.z / n};
    };
    struct Case {
        int select, group;
        vec3 expect;
    };
    const Case cases[] = {
        {-1, -1, mean({0, 1, 2, 3})}, {-1, 0, mean({0, 1})}, {-1, 1, mean({2, 3})}, {2, -1, p[2]},
        {1, 0, p[1]},                 {2, 0, vec3{0, 0, 0}}, {5, -1, vec3{0, 0, 0}}, {-1, 3, vec3{0, 0, 0}},
    };
    for (const Case& c : cases) {
        vec3 v = figure_point(c.select, c.group, time);
        EXPECT_NEAR(v.x, c.expect.x, 1e-4f) << c.select << "," << c.group;
        EXPECT_NEAR(v.y, c.expect.y, 1e-4f) << c.select << "," << c.group;
        EXPECT_NEAR(v.z, c.expect.z, 1e-4f) << c.select << "," << c.group;
    }
    // the offset is added in scene space, not turned with the piece
    float m[16];
    piece_matrix(9, time, m);
    vec3 hand = figure_point(1, -1, time);
    EXPECT_NEAR(hand.z, m[14] - 0.289f, 1e-5f);
}

TEST(Pose, BonesAreBindCorrectedPoses) {
    pose_bones(5.0f);
    // bone 12 is the identity, and every chain root stays put
    float id[16];
    mat4_identity(id);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(BONES[16 * 12 + i], id[i], 1e-6f) << i;
    for (int chain = 0; chain < 4; ++chain)
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(BONES[16 * 3 * chain + i], id[i], 1e-5f) << chain << "," << i;
    // the four chains are the same
    for (int chain = 1; chain < 4; ++chain)
        for (int i = 0; i < 48; ++i) EXPECT_EQ(BONES[48 * chain + i], BONES[i]);
    // at the rest time of the tracks the swinging bones are not the identity (the cloth moves)
    bool moved = false;
    for (int i = 0; i < 16; ++i) moved |= fabsf(BONES[16 + i] - id[i]) > 1e-3f;
    EXPECT_TRUE(moved);
}
