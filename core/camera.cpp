#include "core/camera.h"
#include "core/fmath.h"

#include <math.h>
#include <string.h>

#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/pose.h"
#include "core/rng.h"
#include "data/scene.h"

camera_frame camera;

static float mix(float a, float b, float e) { return a + (b - a) * e; }

static float bits_float(uint32_t u) {
    float f;
    memcpy(&f, &u, sizeof f);
    return f;
}

void camera_projection(float lens, float zoom, float aspect, float out[16]) {
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    float sy = aspect * lens * zoom / 18.0f;
    out[0] = sy / aspect;
    out[5] = sy;
    out[10] = bits_float(0xBF800831u); // -1.00025: near 0.05, far about 400
    out[11] = -1.0f;
    out[14] = bits_float(0xBDCCD35Au); // -0.1000125
}

void look_at(const float eye[3], const float target[3], float out[16]) {
    float f[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    float len = sqrtf(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]) + 1e-6f;
    for (float& c : f) c /= len;
    float r[3] = {1.0f, 0.0f, 0.0f};
    float h2 = f[0] * f[0] + f[1] * f[1];
    if (!(h2 < 1e-8f)) {
        // straight above or below the target the horizontal direction is undefined: keep x
        float h = sqrtf(h2);
        r[0] = f[1] / h;
        r[1] = -f[0] / h;
        r[2] = 0.0f;
    }
    float u[3] = {r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2], r[0] * f[1] - r[1] * f[0]};
    // rows: right, up, -f
    out[0] = r[0], out[4] = r[1], out[8] = r[2];
    out[1] = u[0], out[5] = u[1], out[9] = u[2];
    out[2] = -f[0], out[6] = -f[1], out[10] = -f[2];
    out[3] = 0.0f, out[7] = 0.0f, out[11] = 0.0f;
    out[12] = -(r[0] * eye[0] + r[1] * eye[1] + r[2] * eye[2]);
    out[13] = -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]);
    out[14] = f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2];
    out[15] = 1.0f;
}

void compute_camera(const camera_input& in, camera_frame* out) {
    float r[8];
    for (int n = 0; n < 8; ++n) r[n] = hash01(in.key, (uint32_t)n);
    float e = in.eased, E = in.energy;
    int v = in.variant;

    vec3 centre = figure_point(-1, v, in.dance_phase);
    float target[3] = {centre.x, centre.y, centre.z};
    float yaw = (2.0f * r[0] - 1.0f) * 1.35f;
    float swing = (2.0f * r[1] - 1.0f) * (1.4f * E + 0.6f);
    float distance = 9.0f + 5.0f * r[2];
    float lens = 35.0f + 25.0f * r[4];
    float hb = 2.5f * r[3] + centre.z;
    float d = 0.0f;
    if (v < 0) {
        vec3 a = figure_point(-1, 0, in.dance_phase);
        vec3 b = figure_point(-1, 1, in.dance_phase);
        float dx = a.x - b.x, dy = a.y - b.y;
        d = sqrtf(dx * dx + dy * dy);
        distance += 0.9f * d;
    }

    float eye[3];
    float height;
    int kind = in.kind > 8 ? 8 : in.kind;
    switch (kind) {
    case 0: // orbit
        height = hb + 0.5f;
        yaw += e * swing;
        break;
    case 1: // descend and close in
        height = mix(hb + 2.0f, centre.z + 0.3f, e);
        yaw *= 0.5f;
        distance *= mix(1.45f, 0.55f, e);
        break;
    case 2: // rise and pull back
        height = centre.z + 2.5f * e * (r[3] + 1.0f);
        distance *= 0.45f + 0.95f * e;
        break;
    case 3: // crane down
        height = mix(centre.z + 9.0f, centre.z + 1.0f, e);
        yaw += 0.5f * e * swing;
        break;
    case 4: // ground level
        height = -0.2017f;
        yaw += 0.4f * e * swing;
        distance *= 0.7f;
        target[2] = centre.z + 1.0f;
        break;
    case 5: { // close-up on one tagged point, of the group in focus where it has one
        int i = (int)(4.0f * r[5]);
        if (i > 3) i = 3;
        if (v >= 0)
            for (int step = 0; step < 4 && scene_tags[i].group != v; ++step) i = (i + 1) % 4;
        vec3 p = figure_point(i, -1, in.dance_phase);
        target[0] = p.x, target[1] = p.y, target[2] = p.z;
        height = target[2] + 0.3f;
        yaw = 0.6f * yaw + 0.3f * e * swing;
        distance = 7.5f - 0.8f * e + 2.5f * r[6];
        lens = 42.0f;
        break;
    }
    case 6: // tracking sideways across the stage
        height = centre.z + 1.5f + 0.1f * d;
        lens = 32.0f;
        break;
    case 7: // swoop
        height = mix(centre.z + 7.0f, centre.z + 1.2f, e);
        yaw += 2.4f * e * (swing < 0.0f ? -1.0f : 1.0f);
        distance *= mix(1.4f, 0.6f, e);
        break;
    default: // top view
        height = centre.z + 15.0f + 1.2f * d;
        yaw += 1.2f * e;
        distance = 2.0f;
        break;
    }

    if (kind == 6) {
        float m = (0.3f * d + 9.0f) * (2.0f * e - 1.0f);
        if (r[7] >= 0.5f) m = -m;
        eye[0] = centre.x + m;
        eye[1] = centre.y - 18.0f - 1.1f * d;
        eye[2] = height;
        target[0] = centre.x + 0.25f * m;
        target[1] = centre.y;
        target[2] = centre.z + 0.8f;
    } else {
        eye[0] = target[0] + distance * show_sinf(yaw);
        eye[1] = target[1] - distance * show_cosf(yaw);
        eye[2] = height;
    }

    float s = 0.07f * in.AU[3] * (0.3f + E);
    eye[0] += s * show_sinf(37.0f * in.t);
    eye[1] += s * show_sinf(29.0f * in.t + 1.0f);
    eye[2] += s * show_sinf(43.0f * in.t + 2.0f);

    memcpy(out->eye, eye, sizeof eye);
    memcpy(out->target, target, sizeof target);
    out->lens = lens;
    look_at(eye, target, out->view);
    float zoom = 1.0f + 0.12f * in.AU[0] * (E + 0.4f);
    camera_projection(lens, zoom, in.aspect, out->projection);
    mat4_mul(out->view_projection, out->projection, out->view);
}

camera_input frame_camera_input(int32_t w, int32_t h, const float AU[4]) {
    camera_input in;
    in.t = cue.t;
    in.dance_phase = cue.dance_phase;
    in.variant = cue.entry_variant;
    in.kind = cue.entry_kind;
    in.key = cue.entry_key;
    in.eased = cue.eased_progress;
    in.energy = cue.energy;
    for (int i = 0; i < 4; ++i) in.AU[i] = AU[i];
    in.aspect = h > 0 ? (float)w / (float)h : 1.0f;
    return in;
}

void direct_camera(int32_t w, int32_t h, const float AU[4]) { compute_camera(frame_camera_input(w, h, AU), &camera); }

void reset_camera(int32_t w, int32_t h) {
    camera = camera_frame{};
    mat4_identity(camera.view);
    initial_projection(w, h, camera.projection);
    memcpy(camera.view_projection, camera.projection, sizeof camera.projection);
}
