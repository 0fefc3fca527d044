// The ornament slot table, the choice lists, each kind's recipe and the per-frame values of
// the ornament drawing.
#include <math.h>

#include "core/fmath.h"
#include "looks/ornaments.h"
#include "core/rng.h"

static const float pi = 3.14159265f;
static const float two_pi = 6.2831853f;

// Placements as linear part (three columns) and translation, column-major.
#define L0 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0
#define L1 1.15636f, 0, 0, 0, 0, 1.15636f, 0, 0, 0, 0, 1.15636f, 0
#define L2 0.94964f, 0.31325f, -0.00772f, 0, -0.31324f, 0.94967f, 0.00255f, 0, 0.00813f, 0, 0.99997f, 0
#define L3 1.01964f, 0.33634f, -0.00829f, 0, -0.33633f, 1.01967f, 0.00273f, 0, 0.00873f, 0, 1.07367f, 0
#define AT(x, y, z) x, y, z, 1

const ornament_slot ornament_slots[ornament_slot_count] = {
    {8, 6, 2, {L1, AT(0, 0, 1.11564f)}, 1, 0.3f},
    {8, 7, 2, {L1, AT(0, 1.34691f, 0)}, 2.6f, 0.3f},
    {9, 1, 2, {L2, AT(0.19431f, -0.59829f, -0.37408f)}, 1, 0.5f},
    {26, 6, 2, {L2, AT(0.02364f, 0, 1.0499f)}, 1.5f, 0},
    {27, 0, 2, {L3, AT(-2.54865f, -2.43041f, 0.00815f)}, 1.1176f, -0.6f},
    {27, 0, 2, {L3, AT(0.56918f, -2.43041f, -0.01719f)}, 1.1176f, 0.6f},
    {26, 7, 2, {L2, AT(-0.26681f, 0.8547f, 0.00223f)}, 3.6f, 0.25f},
    {9, 2, 2, {L2, AT(0.32354f, -1.00665f, -1.04809f)}, 1.3f, -0.2f},
    {9, 5, 1, {L2, AT(0.17055f, -0.49858f, 0.74864f)}, 0.9f, 0.3f},
    {-1, 8, 2, {L0, AT(11.2583f, 8.5f, 2.40548f)}, 1.6f, 0.35f},
    {-1, 8, 2, {L0, AT(45.2583f, 8.5f, 2.40548f)}, 1.6f, 0.35f},
    {-1, 8, 2, {L0, AT(8.35624f, 11.9586f, 3.79381f)}, 2.1f, 0.35f},
    {-1, 8, 2, {L0, AT(42.3562f, 11.9586f, 3.79381f)}, 2.1f, 0.35f},
    {-1, 8, 2, {L0, AT(4.44626f, 14.216f, 2.04772f)}, 2.6f, 0.35f},
    {-1, 8, 2, {L0, AT(38.4463f, 14.216f, 2.04772f)}, 2.6f, 0.35f},
    {-1, 8, 2, {L0, AT(0, 15, 1.10934f)}, 1.6f, 0.35f},
    {-1, 8, 2, {L0, AT(34, 15, 1.10934f)}, 1.6f, 0.35f},
    {-1, 8, 2, {L0, AT(-4.44626f, 14.216f, 3.09724f)}, 2.1f, 0.35f},
    {-1, 8, 2, {L0, AT(29.5537f, 14.216f, 3.09724f)}, 2.1f, 0.35f},
    {-1, 8, 2, {L0, AT(-8.35624f, 11.9586f, 3.52336f)}, 2.6f, 0.35f},
    {-1, 8, 2, {L0, AT(25.6438f, 11.9586f, 3.52336f)}, 2.6f, 0.35f},
    {-1, 8, 2, {L0, AT(-11.2583f, 8.5f, 1.42566f)}, 1.6f, 0.35f},
    {-1, 8, 2, {L0, AT(22.7417f, 8.5f, 1.42566f)}, 1.6f, 0.35f},
    {-1, 3, 2, {L0, AT(0, 15, 1.20548f)}, 8, 0.05f},
    {-1, 3, 2, {L0, AT(34, 15, 1.20548f)}, 8, 0.05f},
    {-1, 4, 2, {L0, AT(-9, 8, 1.12834f)}, 5, 0},
    {-1, 4, 2, {L0, AT(25, 8, 1.12834f)}, 5, 0},
    {-1, 4, 2, {L0, AT(9, 8, 1.12834f)}, 5, 0},
    {-1, 4, 2, {L0, AT(43, 8, 1.12834f)}, 5, 0},
};

// Choice lists, each indexed by a draw of its length.
static const int K7[7] = {1, 2, 3, 9, 10, 14, 15};
static const int K13[13] = {1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 13, 14, 15};
static const int ring_counts_1[6] = {6, 8, 8, 10, 12, 16};
static const int outer_types_1[7] = {0, 1, 4, 6, 3, 12, 10};
static const int petal_types_2[5] = {0, 1, 2, 9, 10};
static const int petal_counts_2[3] = {5, 6, 8};
static const int ray_counts[4] = {12, 16, 20, 24};
static const int ray_types[4] = {0, 16, 12, 9};
static const int side_types_4[6] = {0, 5, 2, 3, 9, 11};
static const int centre_types_4[8] = {4, 1, 8, 6, 7, 4, 14, 17};
static const int bead_types_5[5] = {4, 1, 4, 6, 13};
static const int pendant_types_5[9] = {3, 7, 6, 5, 2, 1, 14, 9, 8};
static const int petal_types_6[3] = {0, 9, 2};
static const int dot_types_6[4] = {4, 6, 1, 7};
static const int ring_counts_9[6] = {6, 8, 10, 12, 16, 24};
static const int bead_types_11[5] = {4, 1, 6, 7, 9};
static const int pendant_types_11[6] = {3, 7, 14, 17, 5, 8};
static const int feather_types_12[4] = {9, 2, 0, 3};
static const int body_types_12[5] = {8, 7, 4, 14, 17};
static const int petal_types_15[5] = {2, 9, 3, 7, 1};

ornament_slot_set ornament_set[ornament_slot_count];

// Every draw below is taken into a local first: C++ leaves the order of argument evaluation
// open, and the order of draws is the ornament set.
static float r_() { return rng_next(); }
static int b_(int n) { return rng_below(n); }

static void ring_of_shapes(int type, int count, int layer, int slot, float radius, float scale, float w,
                           float phase) {
    begin_group();
    for (int i = 0; i < count; ++i) {
        float th = ((float)i + phase) * two_pi / (float)count;
        place_shape(type, layer, slot, radius * show_cosf(th), radius * show_sinf(th), th - pi / 2.0f, scale, w);
    }
    begin_group();
}

static void petal_flower(int n, int type, int d, float r, float cx, float cy, float scale, float phase) {
    for (int i = 0; i < n; ++i) {
        float th = (float)i * two_pi / (float)n + phase;
        // Below the top flower the petal that turns back towards the parent is left out.
        if (d > 0 && i == n / 2) continue;
        place_shape(type, 3 - d, d, cx, cy, th - pi / 2.0f, scale, 0.45f);
        if (d != 2)
            petal_flower(n, type, d + 1, r, cx + scale * show_cosf(th), cy + scale * show_sinf(th), scale * r,
                         th + pi);
    }
    place_shape(4, 4 - d, d + 1, cx, cy - 0.15f * scale, 0.0f, 0.3f * scale, 1.0f);
}

static void bloom_flower(int d, int type, int n, float cx, float cy, float r) {
    begin_group();
    for (int i = 0; i < n; ++i) {
        float th = (float)i * two_pi / (float)n;
        place_shape(type, 3 - d, d, cx, cy, th - pi / 2.0f, r, 0.5f);
        if (d != 2)
            bloom_flower(d + 1, type, n, cx + 1.05f * r * show_cosf(th), cy + 1.05f * r * show_sinf(th), 0.38f * r);
    }
    place_shape(4, 4 - d, d + 1, cx, cy - 0.12f * r, 0.0f, 0.24f * r, 1.0f);
}

static void kind_rings() {
    int u = b_(2);
    int n = u + 2;
    float v = r_();
    float R = 0.22f, S = 0.0f;
    int count = 0;
    for (int l = 0; l < n; ++l) {
        count = ring_counts_1[b_(6)];
        int type = b_(18);
        float r1 = r_();
        S = (1.0f + 0.15f * (float)l) * (0.25f + 0.15f * r1);
        float phase = 0.5f * (float)b_(2);
        float r2 = r_();
        float w = 0.35f * (1.0f + r2);
        ring_of_shapes(type, count, n - l, l, R, S, w, phase);
        float r3 = r_();
        R += (0.6f + 0.29999995f * r3) * S;
    }
    if (v < 0.55f) {
        int outer = outer_types_1[b_(7)];
        ring_of_shapes(outer, count, 0, n, R + 0.2f * S, 0.14f, 0.5f, 0.0f);
    }
    place_shape(4, u + 3, 0, 0.0f, -0.2f, 0.0f, 0.4f, 1.0f);
    int centre = b_(2) ? 17 : 8;
    place_shape(centre, u + 4, 1, 0.0f, -0.11f, 0.0f, 0.22f, 1.0f);
}

static void kind_petal_flower() {
    float U = r_();
    int type = petal_types_2[b_(5)];
    int count = petal_counts_2[b_(3)];
    petal_flower(count, type, 0, 0.38f + 0.12f * U, 0.0f, 0.0f, 1.0f, pi / 2.0f);
}

static void kind_sun() {
    int n = ray_counts[b_(4)];
    float v = r_();
    int type = ray_types[b_(4)];
    begin_group();
    for (int m = 0; m < n; ++m) {
        float th = (float)m * two_pi / (float)n;
        float L = (m % 2) ? 0.32f : 0.55f;
        set_shape_transform(0.42f * show_cosf(th), 0.42f * show_sinf(th), th - pi / 2.0f, L, 0.5f * L);
        emit_shape(type, 0, m % 2, 0.45f);
    }
    begin_group();
    place_shape(4, 1, 2, 0.0f, -0.45f, 0.0f, 0.9f, 1.0f);
    if (v < 0.7f) { // a face
        int e = b_(3) ? 8 : 4;
        place_shape(e, 2, 1, -0.17f, 0.02f, 0.0f, 0.16f, 1.0f);
        place_shape(e, 2, 1, 0.17f, 0.02f, 0.0f, 0.16f, 1.0f);
        place_shape(5, 2, 1, 0.0f, -0.22f, pi / 2.0f, 0.14f, 1.0f);
    } else {
        int centre = b_(2) ? 17 : 14;
        place_shape(centre, 2, 0, 0.0f, -0.3f, 0.0f, 0.6f, 1.0f);
    }
}

static void kind_totem() {
    int n = b_(3) + 3;
    float size = 0.5f, top = 0.0f;
    for (int i = 0; i < n; ++i) {
        int side = side_types_4[b_(6)];
        float r1 = r_();
        float a = (0.6f + 0.39999998f * r1) * pi / 2.0f;
        int centre = centre_types_4[b_(8)];
        place_shape(centre, 2, i, 0.0f, top - size, 0.0f, size, 1.0f);
        place_shape(side, 1, i + 1, -0.45f * size, top - 0.5f * size, a, 0.8f * size, 0.5f);
        place_shape(side, 1, i + 1, 0.45f * size, top - 0.5f * size, -a, 0.8f * size, 0.5f);
        top -= 1.05f * size;
        float r2 = r_();
        size *= 0.72f + 0.15999997f * r2;
    }
}

static void kind_chain() {
    float r1 = r_();
    float size = 0.18f + 0.07999998f * r1;
    float ratio = b_(3) != 0 ? 1.1f : 0.8f;
    int bead = bead_types_5[b_(5)];
    int n = b_(3) + 2;
    float y = 0.0f;
    for (int m = 0; m < n; ++m) {
        place_shape(bead, 1, m, 0.0f, y - size, 0.0f, size, 1.0f);
        y -= 0.95f * size;
        size *= ratio;
    }
    int pendant = pendant_types_5[b_(9)];
    place_shape(pendant, 0, 2, 0.0f, y, pi, 1.5f * (size > 0.3f ? size : 0.3f), 1.0f);
}

static void kind_fan() {
    int c = b_(5);
    int n = c + 5;
    int D = b_(4);
    int E = b_(3);
    for (int m = 0; m < n; ++m) {
        float th = (0.7f * (float)m / (float)(c + 4) + 0.15f) * pi;
        float L = (m % 2) ? 0.55f : 0.8f;
        float ct = show_cosf(th), st = show_sinf(th);
        place_shape(petal_types_6[E], 1, m % 2, 0.25f * ct, 0.25f * st, th - pi / 2.0f, L, 0.4f);
        place_shape(dot_types_6[D], 2, 2, (0.25f + L) * ct, (0.25f + L) * st - 0.08f, 0.0f, 0.16f, 1.0f);
    }
    place_shape(5, 0, 0, 0.0f, -0.1f, pi / 2.0f, 0.5f, 1.0f);
}

static void kind_ring_stack() {
    int F = b_(3);
    int n = F + 3, o = F + 5;
    float R = 0.12f;
    for (int j = 0; j < n; ++j) {
        float r1 = r_();
        float S = (1.0f + 0.2f * (float)j) * 0.14f * (1.0f + r1);
        float phase = 0.5f * (float)b_(2);
        float r2 = r_();
        float w = 0.35f + 0.45f * r2;
        int count = ring_counts_9[b_(6)];
        int type = b_(18);
        ring_of_shapes(type, count, o - 1, j, R, S, w, phase);
        if (r_() < 0.5f) {
            int dots = 2 * ring_counts_9[b_(6)];
            ring_of_shapes(4, dots, o, j + 1, R + 1.05f * S, 0.05f, 1.0f, 0.0f);
        }
        float r3 = r_();
        R += (0.75f + 0.29999995f * r3) * S;
        o -= 1;
    }
    int centre = b_(2) ? 8 : 17;
    place_shape(centre, F + 6, 2, 0.0f, -0.12f, 0.0f, 0.24f, 1.0f);
}

static void kind_spiral_arms() {
    int arms = b_(3) + 2;
    int steps = b_(8) + 14;
    int type = b_(18);
    float W = r_();
    float sign = r_() < 0.5f ? -1.0f : 1.0f;
    float twist = sign * (1.2f + W) * pi;
    begin_group();
    for (int m = 0; m < arms; ++m) {
        float base = (float)m * two_pi / (float)arms;
        for (int a = 1; a <= steps; ++a) {
            float f = (float)a / (float)steps;
            float th = twist * f + base;
            float q = 0.9f * f + 0.08f;
            place_shape(type, (a % 2) + 1, (a + m) % 2, q * show_cosf(th), q * show_sinf(th),
                        th - sign * pi / 2.0f, 0.22f * f + 0.05f, 0.6f);
        }
    }
    begin_group();
    place_shape(4, 3, 2, 0.0f, -0.12f, 0.0f, 0.24f, 1.0f);
}

static void kind_garland() {
    int I = b_(6);
    int n = I + 9;
    int bead = bead_types_11[b_(5)];
    int pendant = pendant_types_11[b_(6)];
    int period = b_(2) + 2;
    float r1 = r_();
    float sag = 0.25f + 0.19999999f * r1;
    for (int m = 0; m < n; ++m) {
        float x = 2.0f * (float)m / (float)(I + 8) - 1.0f;
        float y = sag * (x * x - 1.0f);
        place_shape(bead, 1, m % 2, x, y - 0.06f, 0.0f, 0.12f, 1.0f);
        if (m > 0 && m < I + 8 && m % period == 0) {
            place_shape(4, 1, 2, x, y - 0.2f, 0.0f, 0.05f, 1.0f);
            place_shape(pendant, 2, 2, x, y - 0.2f, pi, 0.22f, 0.8f);
        }
    }
}

static void kind_wings() {
    int M = b_(2);
    int tiers = M + 2;
    int L = b_(4);
    int n = L + 5;
    int type = feather_types_12[b_(4)];
    for (int k = 0; k < tiers; ++k) {
        float base = 0.9f - 0.22f * (float)k;
        begin_group(); // both sides of a tier share one group
        for (int side = -1; side <= 1; side += 2)
            for (int m = 0; m < n; ++m) {
                float a = (0.45f * (float)m / (float)(L + 4) + 0.05f) * pi;
                float angle = side > 0 ? a - pi / 2.0f : pi / 2.0f - a;
                place_shape(type, k + 1, k, 0.1f * (float)side, 0.0f, angle,
                            (1.0f - 0.3f * (float)m / (float)(L + 5)) * base, 0.35f);
            }
    }
    begin_group();
    int body = body_types_12[b_(5)];
    place_shape(body, M + 4, 2, 0.0f, -0.2f, 0.0f, 0.45f, 1.0f);
}

static void kind_tile_frames() {
    int N = b_(3);
    int rows = N + 3;
    float rot = r_() < 0.5f ? pi / 4.0f : 0.0f;
    for (int m = 0; m < rows; ++m) {
        float h = 0.15f + 0.17f * (float)m;
        int q = m + 1;
        begin_group();
        for (int a = 0; a < 4 * q; ++a) {
            if (r_() < 0.18f) continue; // a tile left out
            float u = (float)(a % q) / (float)q;
            set_shape_transform(0.0f, 0.0f, (float)(a / q) * pi / 2.0f + rot, 1.0f, 1.0f);
            emit_rect(1, m, (2.0f * u - 1.0f) * h, h - 0.05f, (2.0f * u - 1.0f + 1.7f / (float)q) * h, h + 0.05f);
        }
    }
    begin_group();
    int centre = b_(2) ? 8 : 1;
    place_shape(centre, 2, 2, 0.0f, -0.1f, 0.0f, 0.2f, 1.0f);
}

static void kind_eye_cluster() {
    int O = b_(6);
    int n = O + 6;
    place_shape(8, 2, 0, 0.0f, -0.32f, 0.0f, 0.64f, 1.0f);
    int lashes = 14 + b_(8);
    ring_of_shapes(0, lashes, 1, 1, 0.36f, 0.12f, 0.4f, 0.0f);
    begin_group();
    for (int m = 0; m < n; ++m) {
        float th = (float)m * two_pi / (float)n;
        float r1 = r_();
        float s = 0.14f + 0.099999994f * r1;
        place_shape(8, 3, m, 0.65f * show_cosf(th), 0.65f * show_sinf(th) - 0.5f * s, 0.0f, s, 1.0f);
        begin_group(); // each satellite eye turns on its own
    }
}

static void kind_bloom_flower() {
    int P = b_(3);
    int type = petal_types_15[b_(5)];
    bloom_flower(0, type, P + 5, 0.0f, 0.0f, 0.5f);
}

static void kind_wreath() {
    int count = ray_counts[b_(4)];
    int type = b_(18);
    float r1 = r_();
    float w = 0.4f * (1.0f + r1);
    float r2 = r_();
    float S = 0.18f + 0.12f * r2;
    ring_of_shapes(type, count, 1, 0, 1.0f, S, w, 0.0f);
    int dots = b_(2) ? 4 : 1;
    ring_of_shapes(dots, count, 2, 1, 0.88f, 0.1f, 1.0f, 0.5f);
    if (r_() < 0.5f) {
        int outer = b_(2) ? 0 : 12;
        ring_of_shapes(outer, 2 * count, 0, 2, 1.3f, 0.12f, 0.5f, 0.25f);
    }
}

static void run_recipe(int kind) {
    switch (kind) {
    case 1: kind_rings(); break;
    case 2: kind_petal_flower(); break;
    case 3: kind_sun(); break;
    case 4: kind_totem(); break;
    case 5: kind_chain(); break;
    case 6: kind_fan(); break;
    case 9: kind_ring_stack(); break;
    case 10: kind_spiral_arms(); break;
    case 11: kind_garland(); break;
    case 12: kind_wings(); break;
    case 13: kind_tile_frames(); break;
    case 14: kind_eye_cluster(); break;
    case 15: kind_bloom_flower(); break;
    default: kind_wreath(); break; // 7 and anything else
    }
}

// Scales the slot's vertices so that the larger extent of its x-z box is 1: centred on the box,
// or, for the hanging kinds, hanging down from z = 0 with x kept in place.
static void normalise(int32_t first, int32_t end, int kind) {
    if (!ornament_vertices) return;
    float xmin = 1e9f, xmax = -1e9f, zmin = 1e9f, zmax = -1e9f;
    for (int32_t i = first; i < end; ++i) {
        const ornament_vertex& v = ornament_vertices[i];
        if (v.x < xmin) xmin = v.x;
        if (v.x > xmax) xmax = v.x;
        if (v.z < zmin) zmin = v.z;
        if (v.z > zmax) zmax = v.z;
    }
    float E = zmax - zmin;
    if (xmax - xmin > E) E = xmax - xmin;
    if (E <= 0.0f) E = 1.0f;
    float ax, az;
    if (kind == 5 || kind == 11) {
        ax = 0.0f;
        az = zmax;
    } else {
        ax = (xmin + xmax) / 2.0f;
        az = (zmin + zmax) / 2.0f;
    }
    for (int32_t i = first; i < end; ++i) {
        ornament_vertex& v = ornament_vertices[i];
        v.x = (v.x - ax) / E;
        v.z = (v.z - az) / E;
    }
}

void build_ornament_set(int32_t phrase) {
    uint32_t saved = rng_derived_begin(phrase);
    ornament_vertex_count = 0;
    spin_group_count = 0;
    for (int s = 0; s < ornament_slot_count; ++s) {
        const ornament_slot& slot = ornament_slots[s];
        ornament_slot_set& out = ornament_set[s];
        int32_t first_vertex = ornament_vertex_count;

        colour_picks[0] = rng_below(4);
        colour_picks[1] = (colour_picks[0] + rng_below(3) + 1) % 4;
        do colour_picks[2] = rng_below(4);
        while (colour_picks[2] == colour_picks[0] || colour_picks[2] == colour_picks[1]);

        int kind = slot.kind;
        if (kind == 0) kind = K7[rng_below(7)];
        if (kind == 8) kind = K13[rng_below(13)];
        no_spin = kind == 4 || kind == 5 || kind == 11;

        out.first_group = spin_group_count;
        begin_group();
        run_recipe(kind);
        begin_group(); // the last group of a slot stays empty
        out.group_count = spin_group_count - out.first_group;

        normalise(first_vertex, ornament_vertex_count, kind);

        float sign = rng_below(2) ? 1.0f : -1.0f;
        out.turn_speed = (slot.flags & 4) ? 0.0f : sign * slot.spin * (rng_next() + 0.5f);
        out.turn_phase = rng_next() * two_pi;

        out.kind = kind;
        for (int k = 0; k < 3; ++k) out.picks[k] = colour_picks[k];
        out.first_vertex = first_vertex;
        out.vertex_count = ornament_vertex_count - first_vertex;
    }
    if (spin_group_count > 0) {
        spin_group& last = spin_groups[spin_group_count - 1];
        last.count = ornament_vertex_count - last.first;
    }
    no_spin = false;
    rng_derived_end(saved);
}

int32_t ornament_phrase(float beat) {
    if (!(beat > 0.0f)) return 0;
    float p = beat / 32.0f;
    return p < 2147483520.0f ? (int32_t)p : 2147483647;
}

float ornament_envelope(float beat) {
    int32_t phrase = ornament_phrase(beat);
    float x = beat - 32.0f * (float)phrase;
    if (phrase >= 1 && x < 2.0f) return 1.0f - show_expf(-3.0f * x) * show_cosf(5.0f * x);
    if (x > 31.0f) return 32.0f - x;
    return 1.0f;
}

float ornament_slot_angle(int slot, float t, float beat, const float AU[4]) {
    const ornament_slot& s = ornament_slots[slot];
    if (s.flags & 1) return 0.35f * show_sinf(1.7f * t + ornament_set[slot].turn_phase);
    return (1.5f * AU[1] + t) * ornament_set[slot].turn_speed + 0.05f * show_sinf(pi * beat);
}

float ornament_slot_scale(int slot, float envelope, const float AU[4]) {
    const ornament_slot& s = ornament_slots[slot];
    float e = envelope > 0.0f ? envelope : 0.0f;
    float pulse = (s.flags & 2) ? 1.0f + 0.182f * AU[0] : 1.0f;
    return e * s.size * pulse;
}

float ornament_group_angle(float speed, float t, float beat, float slot_angle) {
    return (0.15f * floorf(beat) + 0.6f * t) * speed + slot_angle;
}

void ornament_group_matrix(float angle, float u, float out[16]) {
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    float c = show_cosf(angle), s = show_sinf(angle);
    out[0] = u * c;
    out[2] = -u * s;
    out[5] = u;
    out[8] = u * s;
    out[10] = u * c;
    out[15] = 1.0f;
}

void emblem_matrix(float angle, float s, float q, float out[16]) {
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    float c = show_cosf(angle), n = show_sinf(angle);
    out[0] = s * c / q;
    out[1] = s * n;
    out[6] = 2.0f;
    out[8] = -s * n / q;
    out[9] = s * c;
    out[14] = 0.5f;
    out[15] = 1.0f;
}

int emblem_slot(int32_t phrase) {
    int e = (int)(hash01(rng_salt, (uint32_t)(13 * phrase)) * 29.0f);
    return e < ornament_slot_count ? e : ornament_slot_count - 1;
}
