#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "core/camera.h"
#include "core/pose.h"
#include "core/rng.h"
#include "data/scene.h"

namespace {

camera_input input(int variant, int kind, uint32_t key, float e) {
    camera_input in{};
    in.t = 1.7f;
    in.dance_phase = 6.5f;
    in.variant = variant;
    in.kind = kind;
    in.key = key;
    in.eased = e;
    in.energy = 0.45f;
    in.aspect = 16.0f / 9.0f;
    return in;
}

float mixf(float a, float b, float e) { return a + (b - a) * e; }

// The eye each kind should give (no shake: AU.w = 0), written out from the camera table.
void expected_eye(const camera_input& in, float eye[3], float target[3], float* lens) {
    float r[8];
    for (int n = 0; n < 8; ++n) r[n] = hash01(in.key, (uint32_t)n);
    float e = in.eased, E = in.energy;
    vec3 c = figure_point(-1, in.variant, in.dance_phase);
    float yaw = (2 * r[0] - 1) * 1.35f, swing = (2 * r[1] - 1) * (1.4f * E + 0.6f);
    float dist = 9 + 5 * r[2], hb = 2.5f * r[3] + c.z, d = 0;
    *lens = 35 + 25 * r[4];
    if (in.variant < 0) {
        vec3 a = figure_point(-1, 0, in.dance_phase), b = figure_point(-1, 1, in.dance_phase);
        d = hypotf(a.x - b.x, a.y - b.y);
        dist += 0.9f * d;
    }
    target[0] = c.x, target[1] = c.y, target[2] = c.z;
    float h = 0;
    switch (in.kind) {
    case 0: h = hb + 0.5f, yaw += e * swing; break;
    case 1: h = mixf(hb + 2, c.z + 0.3f, e), yaw *= 0.5f, dist *= mixf(1.45f, 0.55f, e); break;
    case 2: h = c.z + 2.5f * e * (r[3] + 1), dist *= 0.45f + 0.95f * e; break;
    case 3: h = mixf(c.z + 9, c.z + 1, e), yaw += 0.5f * e * swing; break;
    case 4: h = -0.2017f, yaw += 0.4f * e * swing, dist *= 0.7f, target[2] = c.z + 1; break;
    case 7: h = mixf(c.z + 7, c.z + 1.2f, e), yaw += 2.4f * e * (swing < 0 ? -1 : 1), dist *= mixf(1.4f, 0.6f, e); break;
    default: h = c.z + 15 + 1.2f * d, yaw += 1.2f * e, dist = 2; break;
    }
    eye[0] = target[0] + dist * sinf(yaw);
    eye[1] = target[1] - dist * cosf(yaw);
    eye[2] = h;
}

} // namespace

TEST(Camera, EveryKindFollowsItsMove) {
    const int kinds[] = {0, 1, 2, 3, 4, 7, 8, 9, 255};
    for (int variant = -1; variant <= 1; ++variant)
        for (int kind : kinds)
            for (float e : {0.0f, 0.37f, 1.0f}) {
                camera_input in = input(variant, kind, 1234567u + (uint32_t)kind * 77u, e);
                camera_frame cam;
                compute_camera(in, &cam);
                float eye[3], target[3], lens;
                expected_eye(in, eye, target, &lens);
                for (int k = 0; k < 3; ++k) {
                    EXPECT_NEAR(cam.eye[k], eye[k], 1e-4f) << "kind " << kind << " variant " << variant << " e " << e;
                    EXPECT_NEAR(cam.target[k], target[k], 1e-5f) << "kind " << kind << " variant " << variant;
                }
                EXPECT_FLOAT_EQ(cam.lens, lens);
            }
}

TEST(Camera, TrackingAndCloseUp) {
    // tracking: sideways across the stage, 18 (plus the spread) in front
    for (int variant = -1; variant <= 1; ++variant)
        for (float e : {0.0f, 0.5f, 1.0f}) {
            camera_input in = input(variant, 6, 99u, e);
            camera_frame cam;
            compute_camera(in, &cam);
            vec3 c = figure_point(-1, variant, in.dance_phase);
            float d = 0;
            if (variant < 0) {
                vec3 a = figure_point(-1, 0, in.dance_phase), b = figure_point(-1, 1, in.dance_phase);
                d = hypotf(a.x - b.x, a.y - b.y);
            }
            float m = (0.3f * d + 9) * (2 * e - 1);
            if (hash01(99u, 7) >= 0.5f) m = -m;
            EXPECT_NEAR(cam.eye[0], c.x + m, 1e-4f);
            EXPECT_NEAR(cam.eye[1], c.y - 18 - 1.1f * d, 1e-4f);
            EXPECT_NEAR(cam.eye[2], c.z + 1.5f + 0.1f * d, 1e-4f);
            EXPECT_NEAR(cam.target[0], c.x + 0.25f * m, 1e-4f);
            EXPECT_NEAR(cam.target[2], c.z + 0.8f, 1e-5f);
            EXPECT_EQ(cam.lens, 32.0f);
        }
    // close-up: the point int(4 r5), stepped forward to the variant's group; a group without
    // points keeps the first choice
    for (uint32_t key = 0; key < 40; ++key)
        for (int variant = -1; variant <= 3; ++variant) {
            camera_input in = input(variant, 5, key, 0.5f);
            camera_frame cam;
            compute_camera(in, &cam);
            int i = (int)(4 * hash01(key, 5));
            if (variant == 0 || variant == 1)
                while (scene_tags[i].group != variant) i = (i + 1) % 4;
            vec3 p = figure_point(i, -1, in.dance_phase);
            EXPECT_NEAR(cam.target[0], p.x, 1e-5f) << key << " " << variant;
            EXPECT_NEAR(cam.target[1], p.y, 1e-5f) << key << " " << variant;
            EXPECT_NEAR(cam.target[2], p.z, 1e-5f) << key << " " << variant;
            EXPECT_NEAR(cam.eye[2], p.z + 0.3f, 1e-5f);
            float dist = hypotf(cam.eye[0] - p.x, cam.eye[1] - p.y);
            EXPECT_NEAR(dist, 7.5f - 0.8f * 0.5f + 2.5f * hash01(key, 6), 1e-4f);
            EXPECT_EQ(cam.lens, 42.0f);
        }
}

TEST(Camera, SpreadWidensBothGroupShots) {
    camera_frame one, both;
    compute_camera(input(0, 0, 5u, 0.0f), &one);
    compute_camera(input(-1, 0, 5u, 0.0f), &both);
    float d1 = hypotf(one.eye[0] - one.target[0], one.eye[1] - one.target[1]);
    float d2 = hypotf(both.eye[0] - both.target[0], both.eye[1] - both.target[1]);
    vec3 a = figure_point(-1, 0, 6.5f), b = figure_point(-1, 1, 6.5f);
    EXPECT_NEAR(d2 - d1, 0.9f * hypotf(a.x - b.x, a.y - b.y), 1e-3f);
    EXPECT_GT(d2 - d1, 25.0f); // the stages are 34 apart
}

TEST(Camera, MatricesShakeAndZoom) {
    camera_input in = input(0, 0, 42u, 0.3f);
    in.AU[0] = 1.0f;
    in.AU[3] = 0.8f;
    in.energy = 1.0f;
    camera_frame cam;
    compute_camera(in, &cam);
    camera_input still = in;
    still.AU[3] = 0;
    camera_frame calm;
    compute_camera(still, &calm);
    float s = 0.07f * 0.8f * 1.3f;
    EXPECT_NEAR(cam.eye[0] - calm.eye[0], s * sinf(37 * in.t), 1e-5f);
    EXPECT_NEAR(cam.eye[1] - calm.eye[1], s * sinf(29 * in.t + 1), 1e-5f);
    EXPECT_NEAR(cam.eye[2] - calm.eye[2], s * sinf(43 * in.t + 2), 1e-5f);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(cam.target[k], calm.target[k]);

    // projection: zoom 1 + 0.12 * 1.4 at AU.x = 1 and E = 1, the fixed depth terms
    float sy = in.aspect * cam.lens * 1.168f / 18.0f;
    EXPECT_NEAR(cam.projection[5], sy, 1e-4f);
    EXPECT_NEAR(cam.projection[0], sy / in.aspect, 1e-4f);
    uint32_t b10, b14;
    memcpy(&b10, &cam.projection[10], 4);
    memcpy(&b14, &cam.projection[14], 4);
    EXPECT_EQ(b10, 0xBF800831u);
    EXPECT_EQ(b14, 0xBDCCD35Au);
    EXPECT_EQ(cam.projection[11], -1.0f);
    EXPECT_EQ(cam.projection[15], 0.0f);

    // the view takes the eye to the origin and the target onto -z
    const float* v = cam.view;
    for (int row = 0; row < 3; ++row)
        EXPECT_NEAR(v[row] * cam.eye[0] + v[4 + row] * cam.eye[1] + v[8 + row] * cam.eye[2] + v[12 + row], 0, 1e-4f);
    float tz[3];
    for (int row = 0; row < 3; ++row)
        tz[row] = v[row] * cam.target[0] + v[4 + row] * cam.target[1] + v[8 + row] * cam.target[2] + v[12 + row];
    EXPECT_NEAR(tz[0], 0, 1e-4f);
    EXPECT_NEAR(tz[1], 0, 1e-4f);
    EXPECT_LT(tz[2], -1.0f);
    // up stays up: the world z axis has no part in the screen's x
    EXPECT_NEAR(v[8], 0, 1e-6f);
    // view-projection = projection * view
    float vp[16];
    mat4_mul(vp, cam.projection, cam.view);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(cam.view_projection[i], vp[i]);
}

TEST(Camera, EyeStraightAboveTheTarget) {
    const float eye[3] = {3, 4, 20}, target[3] = {3, 4, 1};
    float v[16];
    look_at(eye, target, v);
    // right is x, the picture's up is y, and nothing is NaN
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[4], 0.0f);
    EXPECT_EQ(v[8], 0.0f);
    for (float x : v) EXPECT_TRUE(isfinite(x));
    EXPECT_NEAR(v[10] * target[2] + v[14], -19.0f, 1e-3f); // the target is 19 in front
}

TEST(Camera, SameEntrySameChoicesCutAtBoundaries) {
    // within an entry the random values do not change: two progress values of one key differ
    // only by the move; a new key is a new shot
    camera_frame a, b, c;
    compute_camera(input(0, 3, 10u, 0.4f), &a);
    compute_camera(input(0, 3, 10u, 0.4f), &b);
    compute_camera(input(0, 3, 11u, 0.0f), &c);
    EXPECT_EQ(memcmp(&a, &b, sizeof a), 0);
    float jump = hypotf(a.eye[0] - c.eye[0], a.eye[1] - c.eye[1]);
    EXPECT_GT(jump, 0.5f);
}
