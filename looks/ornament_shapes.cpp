// The ornament vertex writer and the eighteen shape types.
#include <math.h>
#include <stdlib.h>

#include "core/fmath.h"
#include "looks/ornaments.h"
#include "core/rng.h"
#include "looks/palette.h"

ornament_vertex* ornament_vertices;
int32_t ornament_vertex_count;
spin_group spin_groups[ornament_group_capacity];
int32_t spin_group_count;
shape_transform shape_xf = {0, 0, 1, 0, 1, 1};
int32_t colour_picks[3];
bool no_spin;

static const float pi = 3.14159265f;

bool ornament_buffer_allocate() {
    if (!ornament_vertices)
        ornament_vertices = (ornament_vertex*)malloc(sizeof(ornament_vertex) * ornament_capacity);
    return ornament_vertices != nullptr;
}

static const float* slot_colour(int slot) { return PL[colour_picks[slot % 3] & 3]; }

void emit_vertex(int layer, const float colour[3], float x, float y) {
    // Past the cap (or without a buffer) vertices are dropped: a shape may be cut off part-way.
    if (!ornament_vertices || ornament_vertex_count >= ornament_capacity) return;
    const shape_transform& t = shape_xf;
    float xs = x * t.sx, ys = y * t.sy;
    ornament_vertex& v = ornament_vertices[ornament_vertex_count++];
    v.x = t.c * xs - t.s * ys + t.tx;
    v.y = -0.012f * (float)layer;
    v.z = t.c * ys + t.s * xs + t.ty;
    v.r = colour[0];
    v.g = colour[1];
    v.b = colour[2];
}

void emit_fan(const shape_point* p, int n, int layer, int slot) {
    const float* colour = slot_colour(slot);
    float cx = 0, cy = 0;
    for (int j = 0; j < n; ++j) {
        cx += p[j].x;
        cy += p[j].y;
    }
    cx /= (float)n;
    cy /= (float)n;
    for (int j = 0; j < n; ++j) {
        const shape_point& a = p[j];
        const shape_point& b = p[(j + 1) % n];
        emit_vertex(layer, colour, cx, cy);
        emit_vertex(layer, colour, a.x, a.y);
        emit_vertex(layer, colour, b.x, b.y);
    }
}

void emit_stroke(const shape_point* p, int n, int layer, int slot, float width) {
    const float* colour = slot_colour(slot);
    float h = width / 2.0f;
    for (int i = 0; i + 1 < n; ++i) {
        shape_point a = p[i], b = p[i + 1];
        float dx = b.x - a.x, dy = b.y - a.y;
        // The floor keeps a zero-length segment finite (two zero-area triangles).
        float len = sqrtf(dx * dx + dy * dy) + 0.000001f;
        float nx = (a.y - b.y) / len * h, ny = (b.x - a.x) / len * h;
        emit_vertex(layer, colour, a.x + nx, a.y + ny);
        emit_vertex(layer, colour, b.x + nx, b.y + ny);
        emit_vertex(layer, colour, a.x - nx, a.y - ny);
        emit_vertex(layer, colour, b.x + nx, b.y + ny);
        emit_vertex(layer, colour, b.x - nx, b.y - ny);
        emit_vertex(layer, colour, a.x - nx, a.y - ny);
    }
}

void emit_rect(int layer, int slot, float x0, float y0, float x1, float y1) {
    shape_point p[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    emit_fan(p, 4, layer, slot);
}

int arc_points(shape_point* p, int n, float cy, float r, float a0, float a1) {
    for (int i = 0; i <= n; ++i) {
        float th = a0 + (float)i * (a1 - a0) / (float)n;
        p[i].x = r * show_cosf(th);
        p[i].y = r * show_sinf(th) + cy;
    }
    return n + 1;
}

void set_shape_transform(float tx, float ty, float angle, float sy, float sx) {
    shape_xf.tx = tx;
    shape_xf.ty = ty;
    shape_xf.c = show_cosf(angle);
    shape_xf.s = show_sinf(angle);
    shape_xf.sy = sy;
    shape_xf.sx = sx;
}

void place_shape(int type, int layer, int slot, float tx, float ty, float angle, float scale, float w) {
    set_shape_transform(tx, ty, angle, scale, scale);
    emit_shape(type, layer, slot, w);
}

void begin_group() {
    int32_t g = spin_group_count;
    if (g > 0) spin_groups[g - 1].count = ornament_vertex_count - spin_groups[g - 1].first;
    // A full table opens nothing more: later vertices stay in the last group.
    if (g >= ornament_group_capacity) return;
    spin_group& s = spin_groups[g];
    s.first = ornament_vertex_count;
    s.count = 0;
    s.speed = 0.0f;
    if (!no_spin) {
        float r = rng_next();
        if (r >= 0.3f) {
            float m = 0.85f * rng_next() + 0.25f;
            float sign = rng_next() < 0.5f ? -1.0f : 1.0f;
            s.speed = sign * m;
        }
    }
    spin_group_count = g + 1;
}

// Star of n points with the given inner radius, the first point at the top (0, 1).
static void emit_star(int n, float inner, int layer, int slot) {
    shape_point p[32];
    for (int k = 0; k < 2 * n; ++k) {
        float phi = pi / 2.0f + (float)k * pi / (float)n;
        float radius = (k % 2 == 0) ? 0.5f : inner;
        p[k].x = radius * show_cosf(phi);
        p[k].y = 0.5f + radius * show_sinf(phi);
    }
    emit_fan(p, 2 * n, layer, slot);
}

static void emit_eye(int layer, int slot) {
    shape_point p[32];
    for (int k = 0; k < 16; ++k) {
        float phi = (float)k * pi / 8.0f;
        p[k].x = 0.5f * show_cosf(phi);
        p[k].y = 0.5f + 0.25f * show_sinf(phi);
    }
    emit_fan(p, 16, layer, slot);
    int n = arc_points(p, 11, 0.5f, 0.16f, 0.0f, 5.759587f);
    emit_fan(p, n, layer + 1, slot + 1);
}

void emit_shape(int type, int layer, int slot, float w) {
    shape_point p[32];
    switch (type) {
    case 0: {
        shape_point t[3] = {{-w / 2, 0}, {w / 2, 0}, {0, 1}};
        emit_fan(t, 3, layer, slot);
        break;
    }
    case 1: {
        shape_point t[4] = {{0, 0}, {w / 2, 0.5f}, {0, 1}, {-w / 2, 0.5f}};
        emit_fan(t, 4, layer, slot);
        break;
    }
    case 2:
        for (int i = 0; i <= 6; ++i) {
            float a = (float)i * pi / 6.0f;
            p[i].x = show_sinf(a) * w / 2.0f;
            p[i].y = (1.0f - show_cosf(a)) / 2.0f;
        }
        for (int i = 7; i < 12; ++i) p[i] = {-p[12 - i].x, p[12 - i].y};
        emit_fan(p, 12, layer, slot);
        break;
    case 3: {
        int n = arc_points(p, 10, w / 2, w / 2, 2.617994f, 6.806784f);
        p[n] = {0, 1};
        emit_fan(p, n + 1, layer, slot);
        break;
    }
    case 4: {
        int n = arc_points(p, 23, 0.5f, 0.5f, 0.0f, 6.0213857f);
        emit_fan(p, n, layer, slot);
        break;
    }
    case 5: {
        const float* colour = slot_colour(slot);
        float prev = 0.7f;
        for (int k = 1; k <= 10; ++k) {
            float th = 0.7f + 0.488f * (float)k;
            float ox0 = 0.5f * show_cosf(prev), oy0 = 0.5f + 0.5f * show_sinf(prev);
            float ox1 = 0.5f * show_cosf(th), oy1 = 0.5f + 0.5f * show_sinf(th);
            float ix0 = 0.18f + 0.38f * show_cosf(prev), iy0 = 0.5f + 0.38f * show_sinf(prev);
            float ix1 = 0.18f + 0.38f * show_cosf(th), iy1 = 0.5f + 0.38f * show_sinf(th);
            emit_vertex(layer, colour, ox0, oy0);
            emit_vertex(layer, colour, ox1, oy1);
            emit_vertex(layer, colour, ix0, iy0);
            emit_vertex(layer, colour, ox1, oy1);
            emit_vertex(layer, colour, ix1, iy1);
            emit_vertex(layer, colour, ix0, iy0);
            prev = th;
        }
        break;
    }
    case 6:
        emit_star(5, 0.2f, layer, slot);
        break;
    case 7:
        for (int k = 0; k < 20; ++k) {
            float t = (float)k * pi / 10.0f;
            float s = show_sinf(t);
            p[k].x = s * s * s * 0.47058824f;
            p[k].y = (13.0f * show_cosf(t) - 5.0f * show_cosf(2.0f * t) - 2.0f * show_cosf(3.0f * t) -
                      show_cosf(4.0f * t) + 17.0f) *
                     0.029411765f;
        }
        emit_fan(p, 20, layer, slot);
        break;
    case 9: {
        for (int k = 0; k <= 8; ++k) {
            float v = (float)k / 8.0f;
            // sinf(pi) is a tiny negative number in single precision: a fractional power of it
            // would be NaN, so the base is clamped at 0 and the tip lies on the axis.
            float s = show_sinf(pi * v);
            if (!(s > 0.0f)) s = 0.0f;
            p[k].x = (w / 2.0f) * show_powf(s, 0.6f);
            p[k].y = v;
        }
        for (int i = 9; i < 16; ++i) p[i] = {-p[16 - i].x, p[16 - i].y};
        emit_fan(p, 16, layer, slot);
        shape_point vein[2] = {{0, 0.05f}, {0, 0.9f}};
        emit_stroke(vein, 2, layer + 1, slot + 1, 0.06f * w);
        break;
    }
    case 10: {
        emit_rect(layer, slot, -0.1f * w, 0.0f, 0.1f * w, 0.6f);
        shape_point t[3] = {{-w / 2, 0.55f}, {w / 2, 0.55f}, {0, 1}};
        emit_fan(t, 3, layer, slot);
        break;
    }
    case 11:
        for (int k = 0; k <= 16; ++k) {
            float v = (float)k / 16.0f;
            p[k] = {0.35f * w * show_sinf(3.0f * pi * v), v};
        }
        emit_stroke(p, 17, layer, slot, 0.22f * w);
        break;
    case 12: {
        shape_point t[3] = {{0, 0}, {w / 2, 1}, {-w / 2, 1}};
        emit_fan(t, 3, layer, slot);
        break;
    }
    case 13:
        emit_rect(layer, slot, -0.15f * w, 0.0f, 0.15f * w, 1.0f);
        emit_rect(layer, slot, -0.45f * w, 0.5f, 0.45f * w, 0.78f);
        break;
    case 14: {
        int n = arc_points(p, 15, 0.32f, 0.26f, 0.0f, 5.8904862f);
        emit_fan(p, n, layer, slot);
        for (int k = 0; k < 5; ++k) {
            float phi = (0.2f + 0.15f * (float)k) * pi;
            float len = (k == 0 || k == 4) ? 0.32f : 0.45f;
            float c = show_cosf(phi), s = show_sinf(phi);
            shape_point f[2] = {{0.2f * c, 0.32f + 0.2f * s}, {(len + 0.2f) * c, 0.32f + (len + 0.2f) * s}};
            emit_stroke(f, 2, layer, slot, 0.11f);
        }
        n = arc_points(p, 11, 0.3f, 0.07f, 0.0f, 5.759587f);
        emit_fan(p, n, layer + 1, slot + 1);
        break;
    }
    case 15:
        for (int k = 0; k <= 30; ++k) {
            float v = (float)k / 30.0f;
            float phi = 4.0f * pi * v;
            p[k] = {0.48f * v * show_cosf(phi), 0.5f + 0.48f * v * show_sinf(phi)};
        }
        emit_stroke(p, 31, layer, slot, 0.08f + 0.04f * w);
        break;
    case 16: {
        shape_point t[4] = {{0, 0}, {0.3f * w, 0.35f}, {-0.2f * w, 0.55f}, {0.25f * w, 1}};
        emit_stroke(t, 4, layer, slot, 0.12f);
        break;
    }
    case 17: {
        int n = 6 + rng_below(5);
        float inner = 0.12f + 0.18f * rng_next();
        emit_star(n, inner, layer, slot);
        break;
    }
    default: // 8 and anything outside 0..17
        emit_eye(layer, slot);
        break;
    }
}
