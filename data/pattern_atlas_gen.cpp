#include "data/pattern_atlas.h"

#include <math.h>
#include <string.h>

namespace {

enum : int { side = 256, pixels = side * side };

struct canvas {
    uint8_t px[pixels];
    int set;
};

struct shape_rng {
    uint32_t s;
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    int below(int n) { return (int)(next() % (uint32_t)n); }
    float unit() { return (float)(next() >> 8) * (1.0f / 16777216.0f); }
};

// Every coordinate wraps around: the sheet is a torus, which makes it tile without seams.
void plot(canvas& c, int x, int y) {
    uint8_t& p = c.px[(y & 255) * side + (x & 255)];
    if (!p) {
        p = 1;
        ++c.set;
    }
}

void disc(canvas& c, float cx, float cy, float r) {
    int x0 = (int)floorf(cx - r), x1 = (int)ceilf(cx + r);
    int y0 = (int)floorf(cy - r), y1 = (int)ceilf(cy + r);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = (float)x + 0.5f - cx, dy = (float)y + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r) plot(c, x, y);
        }
}

void ring(canvas& c, float cx, float cy, float r, float width) {
    float inner = r - width;
    int x0 = (int)floorf(cx - r), x1 = (int)ceilf(cx + r);
    int y0 = (int)floorf(cy - r), y1 = (int)ceilf(cy + r);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = (float)x + 0.5f - cx, dy = (float)y + 0.5f - cy;
            float d2 = dx * dx + dy * dy;
            if (d2 <= r * r && d2 > inner * inner) plot(c, x, y);
        }
}

// A line of round dabs from (ax, ay) to (bx, by).
void line(canvas& c, float ax, float ay, float bx, float by, float r) {
    float dx = bx - ax, dy = by - ay;
    int steps = (int)(sqrtf(dx * dx + dy * dy) / 0.7f) + 1;
    for (int i = 0; i <= steps; ++i) {
        float s = (float)i / (float)steps;
        disc(c, ax + dx * s, ay + dy * s, r);
    }
}

// A brush stroke: a wandering path whose width swells and tapers like a loaded brush.
void stroke(canvas& c, shape_rng& g, float width, int length, float wander) {
    float x = g.unit() * 256.0f, y = g.unit() * 256.0f;
    float a = g.unit() * 6.2831853f, turn = 0.0f;
    for (int i = 0; i < length; ++i) {
        float s = (float)i / (float)length;
        float pressure = sinf(3.1415927f * s);
        disc(c, x, y, 0.6f + width * pressure * (0.8f + 0.2f * sinf(0.4f * (float)i)));
        turn += (g.unit() - 0.5f) * wander;
        turn *= 0.92f;
        a += turn;
        x += cosf(a) * 1.2f;
        y += sinf(a) * 1.2f;
    }
}

// A regular polygon's outline (sides >= 3) or filled body.
bool inside_polygon(float px, float py, float cx, float cy, float r, int sides, float turn) {
    float dx = px - cx, dy = py - cy;
    for (int i = 0; i < sides; ++i) {
        float a = turn + 6.2831853f * ((float)i + 0.5f) / (float)sides;
        if (dx * cosf(a) + dy * sinf(a) > r * cosf(3.1415927f / (float)sides)) return false;
    }
    return true;
}

void polygon_outline(canvas& c, float cx, float cy, float r, int sides, float turn, float width) {
    for (int i = 0; i < sides; ++i) {
        float a0 = turn + 6.2831853f * (float)i / (float)sides;
        float a1 = turn + 6.2831853f * (float)(i + 1) / (float)sides;
        line(c, cx + r * cosf(a0), cy + r * sinf(a0), cx + r * cosf(a1), cy + r * sinf(a1), width);
    }
}

void polygon_fill(canvas& c, float cx, float cy, float r, int sides, float turn) {
    int x0 = (int)floorf(cx - r), x1 = (int)ceilf(cx + r);
    int y0 = (int)floorf(cy - r), y1 = (int)ceilf(cy + r);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (inside_polygon((float)x + 0.5f, (float)y + 0.5f, cx, cy, r, sides, turn)) plot(c, x, y);
}

// A round area filled with diagonal hatching and outlined.
void hatched_blob(canvas& c, float cx, float cy, float r, int spacing) {
    int x0 = (int)floorf(cx - r), x1 = (int)ceilf(cx + r);
    int y0 = (int)floorf(cy - r), y1 = (int)ceilf(cy + r);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = (float)x + 0.5f - cx, dy = (float)y + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r && (((x + y) % spacing) + spacing) % spacing < 2) plot(c, x, y);
        }
    ring(c, cx, cy, r, 1.6f);
}

// A flower: petals as discs round a centre, with an outlined middle.
void flower(canvas& c, float cx, float cy, float r, int petals, float turn) {
    for (int i = 0; i < petals; ++i) {
        float a = turn + 6.2831853f * (float)i / (float)petals;
        ring(c, cx + 0.6f * r * cosf(a), cy + 0.6f * r * sinf(a), 0.4f * r, 1.5f);
    }
    disc(c, cx, cy, 0.25f * r);
}

// One shape of a sheet's motif.
void draw_motif(canvas& c, shape_rng& g, int sheet) {
    float x = g.unit() * 256.0f, y = g.unit() * 256.0f, turn = g.unit() * 6.2831853f;
    switch (sheet) {
    case 0: // long brush strokes
        stroke(c, g, 2.0f + 3.0f * g.unit(), 60 + g.below(120), 0.08f);
        break;
    case 1: // outlined circles with a few dots
        if (g.below(4) == 0) disc(c, x, y, 2.0f + 3.0f * g.unit());
        else ring(c, x, y, 6.0f + 22.0f * g.unit(), 1.5f + 2.0f * g.unit());
        break;
    case 2: // filled blobs: clusters of overlapping discs
        for (int i = 0, n = 3 + g.below(5); i < n; ++i)
            disc(c, x + (g.unit() - 0.5f) * 24.0f, y + (g.unit() - 0.5f) * 24.0f, 4.0f + 8.0f * g.unit());
        break;
    case 3: // short curly dashes
        stroke(c, g, 1.5f + 1.5f * g.unit(), 14 + g.below(30), 0.35f);
        break;
    case 4: // outlined squares, diamonds and triangles
        polygon_outline(c, x, y, 8.0f + 20.0f * g.unit(), 3 + g.below(3), turn, 0.8f + 1.2f * g.unit());
        break;
    case 5: // flowers
        flower(c, x, y, 10.0f + 14.0f * g.unit(), 5 + g.below(4), turn);
        break;
    case 6: // hatched areas and filled polygons
        if (g.below(3) == 0) polygon_fill(c, x, y, 5.0f + 9.0f * g.unit(), 4 + g.below(3), turn);
        else hatched_blob(c, x, y, 10.0f + 18.0f * g.unit(), 4 + g.below(3));
        break;
    default: // a mixture of everything
        switch (g.below(4)) {
        case 0: stroke(c, g, 1.5f + 2.5f * g.unit(), 40 + g.below(80), 0.12f); break;
        case 1: ring(c, x, y, 5.0f + 15.0f * g.unit(), 1.5f); break;
        case 2: polygon_fill(c, x, y, 4.0f + 8.0f * g.unit(), 3 + g.below(4), turn); break;
        default: polygon_outline(c, x, y, 8.0f + 12.0f * g.unit(), 4, turn, 1.0f); break;
        }
        break;
    }
}

canvas sheet_canvas;
canvas before;

} // namespace

void generate_pattern_atlas(uint8_t* out) {
    memset(out, 0, pattern_atlas_bytes);
    for (int sheet = 0; sheet < 8; ++sheet) {
        canvas& c = sheet_canvas;
        memset(&c, 0, sizeof c);
        shape_rng g = {0x9E3779B9u ^ (uint32_t)(sheet + 1) * 0x85EBCA6Bu};
        // Each sheet aims at its own fill between 19 % and 26 %; a shape that would carry the
        // sheet past 30 % is taken back.
        int target = pixels * (19 + (sheet * 5) % 8) / 100;
        int limit = pixels * 30 / 100;
        while (c.set < target) {
            memcpy(&before, &c, sizeof c);
            draw_motif(c, g, sheet);
            if (c.set > limit) {
                memcpy(&c, &before, sizeof c);
                break;
            }
        }
        uint8_t* bits = out + sheet * 8192;
        for (int i = 0; i < pixels; ++i)
            if (c.px[i]) bits[i >> 3] |= (uint8_t)(1u << (i & 7));
    }
}
