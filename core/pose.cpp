#include "core/pose.h"
#include "core/fmath.h"

#include <math.h>
#include <string.h>

#include "data/scene.h"

float BONES[13 * 16];
const float* pose_key_pool = scene_keys;

void mat4_identity(float m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void mat4_mul(float out[16], const float a[16], const float b[16]) {
    float r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = s;
        }
    memcpy(out, r, sizeof r);
}

vec3 sample_track(vec3 rest, int start, int count, float time) {
    if (count <= 0) return rest;
    const float* k = pose_key_pool + start;
    if (count == 1) return vec3{k[1], k[2], k[3]};
    for (int i = 0; i + 1 < count; ++i) {
        const float* a = k + 4 * i;
        const float* b = a + 4;
        if (time < b[0]) {
            float span = b[0] - a[0];
            float f = span > 0.00001f ? (time - a[0]) / span : 0.0f;
            if (f < 0.0f) f = 0.0f;
            if (f > 1.0f) f = 1.0f;
            return vec3{a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f, a[3] + (b[3] - a[3]) * f};
        }
    }
    const float* last = k + 4 * (count - 1);
    return vec3{last[1], last[2], last[3]};
}

void trs_matrix(vec3 t, vec3 r, vec3 s, float out[16]) {
    float cx = show_cosf(r.x), sx = show_sinf(r.x);
    float cy = show_cosf(r.y), sy = show_sinf(r.y);
    float cz = show_cosf(r.z), sz = show_sinf(r.z);
    out[0] = s.x * (cy * cz);
    out[1] = s.x * (cy * sz);
    out[2] = s.x * (-sy);
    out[3] = 0.0f;
    out[4] = s.y * (sx * sy * cz - cx * sz);
    out[5] = s.y * (sx * sy * sz + cx * cz);
    out[6] = s.y * (sx * cy);
    out[7] = 0.0f;
    out[8] = s.z * (cx * sy * cz + sx * sz);
    out[9] = s.z * (cx * sy * sz - sx * cz);
    out[10] = s.z * (cx * cy);
    out[11] = 0.0f;
    out[12] = t.x;
    out[13] = t.y;
    out[14] = t.z;
    out[15] = 1.0f;
}

static vec3 v3(const float* f) { return vec3{f[0], f[1], f[2]}; }

void piece_matrix(int piece, float time, float out[16]) {
    const piece_record& p = scene_pieces[piece];
    vec3 t = sample_track(v3(p.rest_translation), p.translation_track[0], p.translation_track[1], time);
    vec3 r = sample_track(v3(p.rest_rotation), p.rotation_track[0], p.rotation_track[1], time);
    vec3 s = sample_track(v3(p.rest_scale), p.scale_track[0], p.scale_track[1], time);
    trs_matrix(t, r, s, out);
}

void pose_bones(float time) {
    for (int b = 0; b < scene_bone_count; ++b) {
        const bone_record& r = scene_bones[b];
        float pose[16];
        vec3 t = sample_track(v3(r.rest_translation), r.translation_track[0], r.translation_track[1], time);
        vec3 rot = sample_track(v3(r.rest_rotation), r.rotation_track[0], r.rotation_track[1], time);
        vec3 s = sample_track(v3(r.rest_scale), r.scale_track[0], r.scale_track[1], time);
        trs_matrix(t, rot, s, pose);
        float bind[16];
        for (int c = 0; c < 4; ++c) {
            bind[4 * c + 0] = r.bind[3 * c + 0];
            bind[4 * c + 1] = r.bind[3 * c + 1];
            bind[4 * c + 2] = r.bind[3 * c + 2];
            bind[4 * c + 3] = c == 3 ? 1.0f : 0.0f;
        }
        mat4_mul(BONES + 16 * b, pose, bind);
    }
}

vec3 figure_point(int select, int group, float time) {
    float sum[3] = {0, 0, 0};
    int n = 0;
    for (int j = 0; j < scene_tag_count; ++j) {
        const point_tag& tag = scene_tags[j];
        if ((select < 0 || select == j) && (group < 0 || group == tag.group)) {
            float m[16];
            piece_matrix(tag.piece, time, m);
            sum[0] += m[12] + tag.offset[0];
            sum[1] += m[13] + tag.offset[1];
            sum[2] += m[14] + tag.offset[2];
            ++n;
        }
    }
    if (n == 0) return vec3{0, 0, 0};
    return vec3{sum[0] / (float)n, sum[1] / (float)n, sum[2] / (float)n};
}
