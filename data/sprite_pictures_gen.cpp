// The sprite pictures: five stickers (recoloured into the show palette at start-up), two
// closing cards and the title. Each is painted layer by layer from signed-distance shapes on a
// grid four times its size, then every pixel takes the index most of its 16 samples carry:
// hard, clean edges in 4-bit indices. Lettering is a font rasterised with FreeType and turned
// into a distance field, so it takes outlines, extrusions and highlights like any shape.
#include "data/sprite_pictures.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <math.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int SS = 4; // samples per pixel along each axis
constexpr float far_away = 1e6f;
constexpr float pi = 3.14159265f;

using field = std::function<float(float, float)>; // signed distance in picture pixels, < 0 inside

// ---- shapes ---------------------------------------------------------------------------------

field circle(float cx, float cy, float r) {
    return [=](float x, float y) { return hypotf(x - cx, y - cy) - r; };
}
field ellipse(float cx, float cy, float rx, float ry, float angle = 0) {
    float c = cosf(angle), s = sinf(angle);
    return [=](float x, float y) {
        float px = (x - cx) * c + (y - cy) * s, py = -(x - cx) * s + (y - cy) * c;
        float k = hypotf(px / rx, py / ry);
        return (k - 1.0f) * std::min(rx, ry);
    };
}
field box(float cx, float cy, float hw, float hh, float radius, float angle = 0) {
    float c = cosf(angle), s = sinf(angle);
    return [=](float x, float y) {
        float px = fabsf((x - cx) * c + (y - cy) * s), py = fabsf(-(x - cx) * s + (y - cy) * c);
        float qx = px - (hw - radius), qy = py - (hh - radius);
        float outside = hypotf(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}
field capsule(float ax, float ay, float bx, float by, float r) {
    return [=](float x, float y) {
        float dx = bx - ax, dy = by - ay;
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0f, 1.0f) : 0.0f;
        return hypotf(x - ax - t * dx, y - ay - t * dy) - r;
    };
}
struct pt {
    float x, y;
};
field polygon(std::vector<pt> p) {
    return [p](float x, float y) {
        float d = far_away;
        bool inside = false;
        size_t n = p.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            float ex = p[j].x - p[i].x, ey = p[j].y - p[i].y;
            float wx = x - p[i].x, wy = y - p[i].y;
            float len2 = ex * ex + ey * ey;
            float t = len2 > 0 ? std::clamp((wx * ex + wy * ey) / len2, 0.0f, 1.0f) : 0.0f;
            d = std::min(d, hypotf(wx - ex * t, wy - ey * t));
            if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                inside = !inside;
        }
        return inside ? -d : d;
    };
}
// A star of n points, the first pointing up.
field star(float cx, float cy, int n, float outer, float inner, float turn = 0) {
    std::vector<pt> p;
    for (int k = 0; k < 2 * n; ++k) {
        float a = -pi / 2 + turn + (float)k * pi / (float)n;
        float r = (k % 2) ? inner : outer;
        p.push_back({cx + r * cosf(a), cy + r * sinf(a)});
    }
    return polygon(p);
}
// A quadratic curve as points.
void bezier(std::vector<pt>& out, pt a, pt c, pt b, int steps) {
    for (int i = 0; i <= steps; ++i) {
        float t = (float)i / (float)steps, u = 1 - t;
        out.push_back({u * u * a.x + 2 * u * t * c.x + t * t * b.x, u * u * a.y + 2 * u * t * c.y + t * t * b.y});
    }
}

field join(field a, field b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
field join(std::initializer_list<field> all) {
    std::vector<field> v(all);
    return [v](float x, float y) {
        float d = far_away;
        for (const field& f : v) d = std::min(d, f(x, y));
        return d;
    };
}
field meet(field a, field b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}
field cut(field a, field b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
field shift(field a, float dx, float dy) {
    return [=](float x, float y) { return a(x - dx, y - dy); };
}
field grow(field a, float by) {
    return [=](float x, float y) { return a(x, y) - by; };
}
field below(float y0) {
    return [=](float, float y) { return y0 - y; };
}
field above(float y0) {
    return [=](float, float y) { return y - y0; };
}

// ---- the canvas -----------------------------------------------------------------------------

struct canvas {
    int w, h;
    std::vector<uint8_t> idx; // (w * SS) x (h * SS) samples

    canvas(int w_, int h_) : w(w_), h(h_), idx((size_t)w_ * SS * h_ * SS, 0) {}

    template <class F>
    void paint_by(const field& f, F index_of) {
        for (int sy = 0; sy < h * SS; ++sy)
            for (int sx = 0; sx < w * SS; ++sx) {
                float x = ((float)sx + 0.5f) / SS, y = ((float)sy + 0.5f) / SS;
                if (f(x, y) < 0) idx[(size_t)sy * w * SS + sx] = (uint8_t)index_of(x, y);
            }
    }
    void paint(const field& f, int index) {
        paint_by(f, [index](float, float) { return index; });
    }
    // Outline of `width` in `line`, then the shape in `fill`.
    void outlined(const field& f, int fill, int line, float width) {
        paint(grow(f, width), line);
        paint(f, fill);
    }

    // Each pixel takes the index most of its samples hold (ties go to the higher index, which
    // is painted later in every picture's order of layers).
    void reduce(uint8_t* block, int32_t offset) const {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int count[16] = {};
                for (int j = 0; j < SS; ++j)
                    for (int i = 0; i < SS; ++i) ++count[idx[(size_t)(y * SS + j) * w * SS + x * SS + i] & 15];
                int best = 0;
                for (int k = 1; k < 16; ++k)
                    if (count[k] >= count[best]) best = k;
                int64_t n = (int64_t)y * w + x;
                uint8_t& b = block[offset + n / 2];
                if (n & 1)
                    b = (uint8_t)((b & 0x0F) | (best << 4));
                else
                    b = (uint8_t)((b & 0xF0) | best);
            }
    }
};

// ---- lettering ------------------------------------------------------------------------------

// Squared Euclidean distance transform of one line (Felzenszwalb and Huttenlocher), in double
// precision: the "no sample" value is far beyond any squared distance on the grid.
constexpr double no_sample = 1e20;
void edt_line(const double* f, int n, double* d, int* v, double* z) {
    int k = 0;
    v[0] = 0;
    z[0] = -1e30;
    z[1] = 1e30;
    for (int q = 1; q < n; ++q) {
        double s = ((f[q] + (double)q * q) - (f[v[k]] + (double)v[k] * v[k])) / (2.0 * (q - v[k]));
        while (s <= z[k]) {
            --k;
            s = ((f[q] + (double)q * q) - (f[v[k]] + (double)v[k] * v[k])) / (2.0 * (q - v[k]));
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = 1e30;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < q) ++k;
        double dq = q - v[k];
        d[q] = dq * dq + f[v[k]];
    }
}

// Distance (in samples) from every sample to the nearest sample where mask == want.
std::vector<float> distance_to(const std::vector<uint8_t>& mask, int W, int H, uint8_t want) {
    std::vector<double> g((size_t)W * H);
    for (size_t i = 0; i < g.size(); ++i) g[i] = mask[i] == want ? 0.0 : no_sample;
    int n = std::max(W, H);
    std::vector<double> f(n), d(n), z(n + 1);
    std::vector<int> v(n);
    for (int x = 0; x < W; ++x) {
        for (int y = 0; y < H; ++y) f[y] = g[(size_t)y * W + x];
        edt_line(f.data(), H, d.data(), v.data(), z.data());
        for (int y = 0; y < H; ++y) g[(size_t)y * W + x] = d[y];
    }
    std::vector<float> out((size_t)W * H);
    for (int y = 0; y < H; ++y) {
        edt_line(&g[(size_t)y * W], W, d.data(), v.data(), z.data());
        for (int x = 0; x < W; ++x) out[(size_t)y * W + x] = (float)sqrt(std::min(d[x], 1e12));
    }
    return out;
}

struct letter_style {
    float bounce = 0;  // vertical offset of alternate letters, in pixels
    float rock = 0;    // turn of alternate letters, in radians
    float tracking = 0; // extra space between letters, in pixels
};

// A line of lettering centred on (cx, cy) (cy the middle of the x-height band), scaled so that
// its ink is `width` pixels wide, as a distance field over the picture.
field lettering(FT_Face face, int w, int h, const char* text, float cx, float cy, float width,
                const letter_style& style = {}) {
    int W = w * SS, H = h * SS;
    std::vector<uint8_t> mask((size_t)W * H, 0);
    // First at a trial size to measure the ink, then at the size that gives `width`.
    auto draw = [&](float px_size, bool measure, float* ink_w, float* ink_top, float* ink_bottom) {
        FT_Set_Pixel_Sizes(face, 0, (FT_UInt)lrintf(px_size * SS));
        float pen = 0;
        float x0 = far_away, x1 = -far_away, y0 = far_away, y1 = -far_away;
        float ox = 0, oy = 0;
        if (!measure) {
            ox = cx * SS - *ink_w * SS / 2;
            oy = cy * SS;
        }
        for (int i = 0; text[i]; ++i) {
            float turn = (i % 2 ? -1.0f : 1.0f) * style.rock;
            float lift = (i % 2 ? -1.0f : 1.0f) * style.bounce * SS;
            FT_Matrix m;
            m.xx = (FT_Fixed)lrintf(cosf(turn) * 65536.0f);
            m.xy = (FT_Fixed)lrintf(-sinf(turn) * 65536.0f);
            m.yx = (FT_Fixed)lrintf(sinf(turn) * 65536.0f);
            m.yy = m.xx;
            FT_Set_Transform(face, &m, nullptr);
            if (FT_Load_Char(face, (FT_ULong)(unsigned char)text[i], FT_LOAD_RENDER)) continue;
            FT_GlyphSlot g = face->glyph;
            float gx = pen + (float)g->bitmap_left, gy = -(float)g->bitmap_top - lift;
            if (text[i] != ' ') {
                x0 = std::min(x0, gx);
                x1 = std::max(x1, gx + (float)g->bitmap.width);
                y0 = std::min(y0, gy);
                y1 = std::max(y1, gy + (float)g->bitmap.rows);
            }
            if (!measure)
                for (unsigned r = 0; r < g->bitmap.rows; ++r)
                    for (unsigned c = 0; c < g->bitmap.width; ++c) {
                        if (g->bitmap.buffer[r * g->bitmap.pitch + c] < 128) continue;
                        // whole-sample steps from the glyph's corner (rounding each sum
                        // half to even would leave gaps)
                        int X = (int)floorf(ox - *ink_top + gx) + (int)c;
                        int Y = (int)floorf(oy - *ink_bottom + gy) + (int)r;
                        if (X >= 0 && X < W && Y >= 0 && Y < H) mask[(size_t)Y * W + X] = 1;
                    }
            pen += (float)(g->advance.x >> 6) + style.tracking * SS;
        }
        FT_Set_Transform(face, nullptr, nullptr);
        if (measure) {
            *ink_w = (x1 - x0) / SS;
            *ink_top = x0;                  // left of the ink, in samples
            *ink_bottom = (y0 + y1) / 2.0f; // middle of the ink, in samples
        }
    };
    float ink_w, left, middle;
    draw(100.0f, true, &ink_w, &left, &middle);
    float size = 100.0f * width / ink_w;
    draw(size, true, &ink_w, &left, &middle);
    draw(size, false, &ink_w, &left, &middle);

    std::vector<float> to_ink = distance_to(mask, W, H, 1), to_paper = distance_to(mask, W, H, 0);
    auto grid = std::make_shared<std::vector<float>>((size_t)W * H);
    for (size_t i = 0; i < grid->size(); ++i)
        (*grid)[i] = (mask[i] ? 0.5f - to_paper[i] : to_ink[i] - 0.5f) / SS;
    return [grid, W, H](float x, float y) {
        int X = (int)floorf(x * SS), Y = (int)floorf(y * SS);
        if (X < 0 || Y < 0 || X >= W || Y >= H) return far_away;
        return (*grid)[(size_t)Y * W + X];
    };
}

// ---- palettes -------------------------------------------------------------------------------

void set_colour(float palette[16][3], int i, uint32_t rgb) {
    for (int k = 0; k < 3; ++k) {
        float c = (float)((rgb >> (16 - 8 * k)) & 255) / 255.0f;
        palette[i][k] = powf(c, 2.2f);
    }
}
void set_palette(float palette[16][3], std::initializer_list<uint32_t> colours) {
    for (int i = 0; i < 16; ++i) palette[i][0] = palette[i][1] = palette[i][2] = 0.0f;
    int i = 1;
    for (uint32_t c : colours) set_colour(palette, i++, c);
}

// The stickers share one palette. In the show it becomes the show palette: the outline its
// dark colour, white and pale grey its light colour, the warm and the cool family its two
// accent colours, each in three brightnesses.
enum : int { s_line = 1, s_white, s_warm_hi, s_warm, s_warm_lo, s_cool_hi, s_cool, s_cool_lo, s_pale };
void sticker_palette(float p[16][3]) {
    set_palette(p, {0x1a1420, 0xffffff, 0xffd27a, 0xf08a2a, 0xb0501a, 0x9ff0b0, 0x3cc060, 0x1e7a3a, 0xd8d8e8});
}

// A sticker: the design, cut out with a white margin and a dark line around all of it.
void sticker_base(canvas& c, const field& outline_of_design) {
    c.paint(grow(outline_of_design, 9.0f), s_white);
    c.paint(grow(outline_of_design, 4.0f), s_line);
}

// A small four-point sparkle.
field sparkle(float cx, float cy, float r) {
    return join(box(cx, cy, r, r * 0.22f, r * 0.22f), box(cx, cy, r * 0.22f, r, r * 0.22f));
}

// 0: a quaver.
void draw_note(canvas& c) {
    field head = ellipse(52, 204, 36, 26, -0.45f);
    field stem = box(82, 118, 7, 88, 3);
    std::vector<pt> flag;
    bezier(flag, {76, 34}, {132, 66}, {118, 150}, 16);
    bezier(flag, {118, 150}, {122, 98}, {76, 84}, 16);
    field flag_f = polygon(flag);
    field note = join({head, stem, flag_f});
    sticker_base(c, note);
    c.paint(note, s_warm);
    c.paint(meet(head, shift(head, -9, -8)), s_warm_lo);
    c.paint(meet(note, cut(flag_f, shift(flag_f, 6, 6))), s_warm_lo);
    c.paint(ellipse(40, 196, 12, 6, -0.45f), s_white);
    c.paint(box(80, 118, 2, 70, 2), s_warm_hi);
    c.paint(capsule(86, 50, 108, 66, 3), s_warm_hi);
    field spark = sparkle(28, 60, 16);
    c.outlined(spark, s_cool_hi, s_line, 3);
    c.outlined(circle(46, 112, 6), s_cool, s_line, 3);
}

// 1: a flower with a face.
void draw_flower(canvas& c) {
    float cx = 96, cy = 90;
    std::vector<field> petals;
    for (int k = 0; k < 8; ++k) {
        float a = (float)k * pi / 4 + pi / 8;
        petals.push_back(ellipse(cx + 46 * cosf(a), cy + 46 * sinf(a), 34, 21, a));
    }
    field ring = join({petals[0], petals[1], petals[2], petals[3], petals[4], petals[5], petals[6], petals[7]});
    field middle = circle(cx, cy, 34);
    field stem = capsule(cx, cy + 40, cx + 6, 238, 7);
    field leaf_l = ellipse(cx - 34, 200, 34, 13, -0.6f);
    field leaf_r = ellipse(cx + 38, 178, 34, 13, 0.55f);
    field all = join({ring, middle, stem, leaf_l, leaf_r});
    sticker_base(c, all);
    c.paint(stem, s_cool_lo);
    c.outlined(leaf_l, s_cool, s_line, 3);
    c.outlined(leaf_r, s_cool, s_line, 3);
    c.paint(meet(capsule(cx - 60, 214, cx - 10, 190, 2), grow(leaf_l, -4)), s_cool_lo); // veins
    c.paint(meet(capsule(cx + 66, 164, cx + 14, 188, 2), grow(leaf_r, -4)), s_cool_lo);
    for (int k = 0; k < 8; ++k) c.outlined(petals[k], k % 2 ? s_cool_hi : s_cool, s_line, 3);
    c.outlined(middle, s_warm, s_line, 4);
    c.paint(meet(middle, shift(middle, -6, -6)), s_warm_hi);
    // face
    c.paint(ellipse(cx - 12, cy - 6, 5, 8), s_line);
    c.paint(ellipse(cx + 12, cy - 6, 5, 8), s_line);
    c.paint(circle(cx - 10, cy - 9, 2), s_white);
    c.paint(circle(cx + 14, cy - 9, 2), s_white);
    c.paint(meet(cut(circle(cx, cy + 2, 15), circle(cx, cy - 1, 12)), below(cy + 6)), s_line); // smile
    c.paint(circle(cx - 22, cy + 8, 5), s_warm_lo);
    c.paint(circle(cx + 22, cy + 8, 5), s_warm_lo);
}

// 2: a cassette.
void draw_cassette(canvas& c) {
    float cx = 128, cy = 92;
    field body = box(cx, cy, 112, 76, 14);
    sticker_base(c, body);
    c.paint(body, s_warm);
    c.paint(meet(body, below(cy + 58)), s_warm_lo);
    c.paint(box(cx, cy - 70, 100, 3, 3), s_warm_hi);
    field label = box(cx, cy - 18, 92, 40, 8);
    c.outlined(label, s_white, s_line, 3);
    c.paint(box(cx, cy - 48, 86, 5, 2), s_cool);
    c.paint(box(cx, cy + 12, 86, 3, 2), s_cool_hi);
    field window = box(cx, cy - 14, 52, 18, 9);
    c.outlined(window, s_line, s_line, 2);
    for (int side = -1; side <= 1; side += 2) {
        float rx = cx + side * 36.0f, ry = cy - 14;
        c.paint(circle(rx, ry, 13), s_pale);
        c.paint(circle(rx, ry, 6), s_line);
        for (int k = 0; k < 6; ++k) {
            float a = (float)k * pi / 3;
            c.paint(box(rx + 9 * cosf(a), ry + 9 * sinf(a), 3, 2, 1, a), s_line);
        }
    }
    c.paint(box(cx, cy - 14, 10, 10, 2), s_warm_lo);
    std::vector<pt> foot = {{cx - 64, cy + 76}, {cx - 50, cy + 44}, {cx + 50, cy + 44}, {cx + 64, cy + 76}};
    c.outlined(polygon(foot), s_warm_hi, s_line, 3);
    for (int k = -1; k <= 1; k += 2) c.paint(circle(cx + k * 30.0f, cy + 62, 6), s_line);
    for (int k = 0; k < 4; ++k) {
        float sx = cx + (k % 2 ? 98.0f : -98.0f), sy = cy + (k / 2 ? 62.0f : -62.0f);
        c.outlined(circle(sx, sy, 5), s_pale, s_line, 2);
    }
}

// 3: a rocket.
void draw_rocket(canvas& c) {
    float cx = 86;
    field body = meet(ellipse(cx, 112, 40, 100), above(186));
    std::vector<pt> fin_l = {{cx - 34, 138}, {cx - 66, 200}, {cx - 30, 190}};
    std::vector<pt> fin_r = {{cx + 34, 138}, {cx + 66, 200}, {cx + 30, 190}};
    field fins = join(polygon(fin_l), polygon(fin_r));
    std::vector<pt> flame;
    bezier(flame, {cx - 22, 188}, {cx - 30, 222}, {cx, 250}, 12);
    bezier(flame, {cx, 250}, {cx + 30, 222}, {cx + 22, 188}, 12);
    field flame_f = polygon(flame);
    field nozzle = box(cx, 192, 22, 8, 3);
    field all = join({body, fins, flame_f, nozzle});
    sticker_base(c, all);
    c.outlined(flame_f, s_warm_hi, s_line, 3);
    c.paint(ellipse(cx, 206, 10, 20), s_white);
    c.outlined(fins, s_cool, s_line, 3);
    c.paint(meet(fins, shift(fins, 5, -4)), s_cool_lo);
    c.outlined(nozzle, s_pale, s_line, 3);
    c.outlined(body, s_white, s_line, 3);
    c.paint(meet(body, cut(body, shift(body, -9, 0))), s_pale);
    c.paint(meet(body, above(58)), s_warm);
    c.paint(meet(meet(body, above(58)), cut(body, shift(body, -7, 0))), s_warm_lo);
    c.paint(box(cx, 58, 38, 3, 1), s_line);
    c.paint(box(cx, 160, 38, 3, 1), s_line);
    field window = circle(cx, 104, 21);
    c.outlined(window, s_cool, s_line, 4);
    c.paint(circle(cx, 104, 14), s_cool_hi);
    c.paint(ellipse(cx - 6, 97, 6, 3, -0.7f), s_white);
    c.paint(sparkle(30, 38, 14), s_warm_hi);
    c.paint(sparkle(146, 70, 10), s_cool_hi);
}

// 4: sunglasses.
void draw_glasses(canvas& c) {
    float cy = 80;
    field lens_l = box(72, cy, 52, 40, 30), lens_r = box(184, cy, 52, 40, 30);
    field frame = join({grow(lens_l, 7), grow(lens_r, 7), capsule(116, cy - 20, 140, cy - 20, 7),
                        capsule(20, cy - 26, 8, cy - 40, 6), capsule(236, cy - 26, 248, cy - 40, 6)});
    sticker_base(c, frame);
    c.paint(frame, s_cool);
    c.paint(cut(frame, shift(frame, 0, -4)), s_cool_lo);
    c.paint(capsule(26, cy - 38, 118, cy - 40, 2), s_cool_hi);
    c.paint(capsule(138, cy - 40, 230, cy - 38, 2), s_cool_hi);
    for (const field& lens : {lens_l, lens_r}) {
        c.paint(grow(lens, 2), s_line);
        c.paint_by(lens, [&](float, float y) {
            return y < cy - 14 ? s_warm_lo : y < cy + 12 ? s_warm : s_warm_hi;
        });
    }
    for (float x0 : {48.0f, 160.0f}) {
        c.paint(meet(capsule(x0, cy + 22, x0 + 34, cy - 26, 5), x0 < 100 ? lens_l : lens_r), s_white);
        c.paint(meet(capsule(x0 + 18, cy + 26, x0 + 48, cy - 16, 2.5f), x0 < 100 ? lens_l : lens_r), s_white);
    }
}

// Block letters: an extrusion down and to the right, a dark line around everything, the face
// filled by `face_index`, and a light rim along the upper left edges.
template <class F>
void block_letters(canvas& c, const field& text, float depth, float line, int line_index, int side_index,
                   F face_index, int rim_index) {
    int steps = (int)ceilf(depth);
    for (int k = 0; k <= steps; ++k) c.paint(grow(shift(text, 0.8f * (float)k, (float)k), line), line_index);
    for (int k = 1; k <= steps; ++k) c.paint(shift(text, 0.8f * (float)k, (float)k), side_index);
    c.paint(grow(text, line), line_index);
    c.paint_by(text, face_index);
    c.paint(cut(grow(text, -1.0f), shift(text, 2.5f, 3.0f)), rim_index);
}

// 5: the first closing card, a ribbon banner.
void draw_thanks(canvas& c, FT_Face face) {
    enum { line = 1, ribbon, ribbon_hi, ribbon_lo, white, blush, shade, heart, heart_hi };
    field body = box(200, 56, 160, 40, 6);
    std::vector<pt> tail_l = {{6, 40}, {62, 40}, {62, 120}, {6, 120}, {26, 80}};
    std::vector<pt> tail_r = {{394, 40}, {338, 40}, {338, 120}, {394, 120}, {374, 80}};
    std::vector<pt> fold_l = {{40, 96}, {62, 96}, {62, 120}};
    std::vector<pt> fold_r = {{360, 96}, {338, 96}, {338, 120}};
    field tails = join(polygon(tail_l), polygon(tail_r));
    field folds = join(polygon(fold_l), polygon(fold_r));
    c.paint(grow(join({body, tails, folds}), 4), line);
    c.paint(tails, ribbon_lo);
    c.paint(folds, shade);
    c.paint(body, ribbon);
    c.paint(meet(body, above(30)), ribbon_hi);
    c.paint(box(200, 86, 152, 2, 1), ribbon_lo);
    field text = lettering(face, c.w, c.h, "thank you", 200, 52, 272, {2.0f, 0.05f, 1.0f});
    block_letters(c, text, 4, 3.5f, line, shade,
                  [&](float, float y) { return y < 62 ? white : blush; }, white);
    for (int side = -1; side <= 1; side += 2) {
        float hx = 200 + side * 172.0f, hy = 24;
        field h = join({circle(hx - 6, hy - 2, 7), circle(hx + 6, hy - 2, 7),
                        polygon({{hx - 12.5f, hy + 1}, {hx + 12.5f, hy + 1}, {hx, hy + 15}})});
        c.outlined(h, heart, line, 3);
        c.paint(circle(hx - 7, hy - 4, 2.5f), heart_hi);
    }
}

// 6: the second closing card: "see you / next seed" on a night-blue plate.
void draw_farewell(canvas& c, FT_Face face) {
    enum { line = 1, plate, plate_hi, border, gold_hi, gold, cyan, cyan_hi, side, pink };
    field board = box(200, 100, 190, 90, 36);
    c.outlined(board, plate, line, 4);
    c.paint(meet(board, above(62)), plate_hi);
    c.paint(cut(grow(board, -9), grow(board, -12)), border);
    field top = lettering(face, c.w, c.h, "see you", 200, 70, 250, {3.0f, 0.06f, 2.0f});
    block_letters(c, top, 5, 4.0f, line, side, [&](float, float y) { return y < 68 ? gold_hi : gold; }, gold_hi);
    field bottom = lettering(face, c.w, c.h, "next seed", 200, 142, 214, {1.5f, 0.0f, 1.0f});
    block_letters(c, bottom, 3, 3.5f, line, side, [&](float, float y) { return y < 140 ? cyan_hi : cyan; },
                  cyan_hi);
    c.outlined(star(34, 40, 5, 16, 7, 0.2f), gold_hi, line, 3);
    c.outlined(star(368, 156, 5, 14, 6, -0.2f), pink, line, 3);
    c.outlined(sparkle(362, 40, 12), cyan_hi, line, 2.5f);
    c.outlined(sparkle(40, 160, 10), pink, line, 2.5f);
}

// 7: the title.
void draw_title(canvas& c, FT_Face face) {
    enum { line = 1, side, band1, band2, band3, band4, white, plate, plate_hi, plate_lo, cyan, pink };
    float cx = 256, cy = 117;
    std::vector<pt> burst;
    for (int k = 0; k < 44; ++k) {
        float a = (float)k * pi / 22;
        float rx = (k % 2) ? 214.0f : 246.0f, ry = (k % 2) ? 86.0f : 108.0f;
        burst.push_back({cx + rx * cosf(a), cy + ry * sinf(a)});
    }
    field plate_f = polygon(burst);
    c.outlined(plate_f, plate_hi, line, 4);
    c.paint(grow(plate_f, -8), plate);
    c.paint(meet(grow(plate_f, -8), below(cy + 40)), plate_lo);
    field text = lettering(face, c.w, c.h, "tavrin", cx, cy - 6, 380, {5.0f, 0.07f, 2.0f});
    block_letters(c, text, 8, 5.0f, line, side,
                  [&](float, float y) {
                      float v = y - (cy - 6);
                      return v < -22 ? band1 : v < -4 ? band2 : v < 14 ? band3 : band4;
                  },
                  white);
    c.outlined(sparkle(52, 44, 18), cyan, line, 3);
    c.outlined(sparkle(462, 188, 16), pink, line, 3);
    c.outlined(sparkle(470, 46, 11), white, line, 2.5f);
    c.outlined(sparkle(44, 190, 11), white, line, 2.5f);
    c.outlined(star(400, 30, 5, 12, 5), band2, line, 2.5f);
    c.outlined(star(112, 206, 5, 10, 4, 0.3f), band2, line, 2.5f);
}

} // namespace

bool generate_sprite_pictures(const char* font_path, uint8_t* pixels, float palettes[sprite_count][16][3],
                              std::string* error) {
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library)) {
        *error = "cannot start FreeType";
        return false;
    }
    if (FT_New_Face(library, font_path, 0, &face)) {
        *error = std::string("cannot read the font ") + font_path;
        FT_Done_FreeType(library);
        return false;
    }
    memset(pixels, 0, sprite_pixel_bytes);
    for (int i = 0; i < sprite_count; ++i) {
        const sprite_entry& e = sprite_directory[i];
        canvas c(e.width, e.height);
        switch (i) {
        case 0: draw_note(c); break;
        case 1: draw_flower(c); break;
        case 2: draw_cassette(c); break;
        case 3: draw_rocket(c); break;
        case 4: draw_glasses(c); break;
        case 5: draw_thanks(c, face); break;
        case 6: draw_farewell(c, face); break;
        default: draw_title(c, face); break;
        }
        c.reduce(pixels, e.offset);
        if (e.kind == 2) sticker_palette(palettes[i]);
    }
    set_palette(palettes[5], {0x1d1030, 0xff4f79, 0xff8aa8, 0xb8285a, 0xffffff, 0xffd0dc, 0x5a1838, 0xffd23c, 0xfff6c0});
    set_palette(palettes[6], {0x140c2a, 0x2b2f7a, 0x3d46a8, 0x7ef0ff, 0xfff6a0, 0xffb23c, 0x46d8ff, 0xd8fbff, 0x5a2a8a,
                              0xff8ad8});
    set_palette(palettes[7], {0x1b1033, 0x4a2a7a, 0xfff6a0, 0xffd23c, 0xff9a3c, 0xff5a7a, 0xffffff, 0x6a3fd0, 0x8f6bff,
                              0x4a2aa0, 0x7ef0ff, 0xff8ad8});
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return true;
}
