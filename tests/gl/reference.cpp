#include "reference.h"

#include <math.h>

namespace {

float fract(float x) { return x - floorf(x); }
float gmod(float x, float y) { return x - y * floorf(x / y); }
float step(float e, float x) { return x >= e ? 1.0f : 0.0f; }
float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
float hermite(float e0, float e1, float x) {
    float s = clamp01((x - e0) / (e1 - e0));
    return s * s * (3.0f - 2.0f * s);
}
float length2(float x, float y) { return sqrtf(x * x + y * y); }

struct v3 {
    float x, y, z;
};
v3 of(const float c[3]) { return {c[0], c[1], c[2]}; }
v3 mix(v3 a, v3 b, float s) { return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s}; }
v3 scale(v3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

void rot(float a, float& x, float& y) {
    float c = cosf(a), s = sinf(a);
    float nx = x * c + y * s, ny = -x * s + y * c;
    x = nx;
    y = ny;
}

void encode(v3 c, float alpha, float out[4]) {
    out[0] = powf(fmaxf(c.x, 0.0f), 0.4545f);
    out[1] = powf(fmaxf(c.y, 0.0f), 0.4545f);
    out[2] = powf(fmaxf(c.z, 0.0f), 0.4545f);
    out[3] = alpha;
}

} // namespace

void sample_bilinear(const ref_texture& t, float u, float v, float out[4]) {
    auto texel = [&](int x, int y, int c) -> float {
        if (t.repeat) {
            x = ((x % t.width) + t.width) % t.width;
            y = ((y % t.height) + t.height) % t.height;
        } else {
            x = x < 0 ? 0 : (x >= t.width ? t.width - 1 : x);
            y = y < 0 ? 0 : (y >= t.height ? t.height - 1 : y);
        }
        if (t.channels == 1) return c == 0 ? t.texels[y * t.width + x] / 255.0f : (c == 3 ? 1.0f : 0.0f);
        return t.texels[(y * t.width + x) * 4 + c] / 255.0f;
    };
    float x = u * (float)t.width - 0.5f, y = v * (float)t.height - 0.5f;
    int x0 = (int)floorf(x), y0 = (int)floorf(y);
    float fx = x - (float)x0, fy = y - (float)y0;
    for (int c = 0; c < 4; ++c) {
        float a = texel(x0, y0, c) + (texel(x0 + 1, y0, c) - texel(x0, y0, c)) * fx;
        float b = texel(x0, y0 + 1, c) + (texel(x0 + 1, y0 + 1, c) - texel(x0, y0 + 1, c)) * fx;
        out[c] = a + (b - a) * fy;
    }
}

void background_reference(const background_inputs& in, float fx, float fy, float out[4]) {
    const float(*PL)[3] = in.PL;
    auto pick = [&](float k) -> v3 {
        float m = gmod(k, 4.0f);
        if (m == 1.0f) return of(PL[1]);
        if (m == 2.0f) return of(PL[2]);
        if (m == 3.0f) return of(PL[3]);
        return of(PL[0]);
    };
    float qx = fx / in.R[0], qy = fy / in.R[1];
    float px = (2.0f * qx - 1.0f) * (in.R[0] / in.R[1]), py = 2.0f * qy - 1.0f;
    float speed = in.P[0], detail = in.P[1];
    int style = (int)(in.MOOD[2] * 5.0f);
    float r = length2(px, py);
    float a = atan2f(py, px) / 6.2831853f;
    float bt = in.beat * speed;
    float kick = in.AU[0];
    float t = in.t;
    v3 c;
    if (style == 0) {
        float ray = step(0.5f, fract(a * floorf(12.0f + 24.0f * detail) + t * 0.02f * speed));
        float ring = step(0.5f, fract(5.0f * r * detail - 0.25f * bt));
        float v = fract(bt / 16.0f) < 0.5f ? ray : ring;
        c = mix(of(PL[0]), of(PL[1]), v);
        if (fabsf(r - 0.6f - 0.05f * kick) <= 0.05f) c = of(PL[2]);
        if (r <= 0.07f + 0.05f * kick) c = of(PL[3]);
    } else if (style == 1) {
        float y = qy;
        c = mix(of(PL[2]), of(PL[1]), hermite(0.1f, 0.9f, y));
        if (length2(px - 0.6f, py - 0.45f) <= 0.18f + 0.03f * kick) c = of(PL[3]);
        float bands = step(0.5f, fract(18.0f * y * detail - 0.5f * bt));
        c = mix(c, of(PL[0]), bands * hermite(0.38f, 0.0f, y) * 0.8f);
    } else if (style == 2) {
        float depth = 0.3f / fmaxf(r, 0.03f) + 0.5f * bt;
        float check = gmod(floorf(2.0f * depth * detail) + floorf(16.0f * a), 2.0f);
        c = mix(pick(floorf(depth)), pick(floorf(depth) + 1.0f), check);
        c = scale(c, hermite(0.0f, 0.5f, r) * (0.8f + 0.4f * kick));
    } else if (style == 3) {
        float n = 6.0f + 2.0f * floorf(3.0f * detail);
        float s = fabsf(fract(a * n + 0.5f) - 0.5f);
        float m = floorf(3.0f * r - 0.25f * bt);
        float petal = step(3.0f * s, fract(3.0f * r - 0.25f * bt));
        c = mix(pick(m), pick(m + 2.0f), petal);
    } else {
        float v = sinf(3.0f * px * detail + 0.7f * t * speed) + sinf(4.0f * py * detail - 0.5f * t * speed) +
                  sinf(6.0f * r * detail - 0.5f * bt);
        c = pick(floorf(1.3f * v + 4.0f + 2.0f * in.AU[1]));
    }
    c = mix(c, of(PL[1]), 0.15f * in.AU[3]);
    c = {c.x * in.COL[0], c.y * in.COL[1], c.z * in.COL[2]};
    encode(c, 1.0f, out);
}

bool cover_reference(const cover_inputs& in, float fx, float fy, float out[4]) {
    const float(*PL)[3] = in.PL;
    auto pk = [&](float k) -> v3 { return of(PL[((int)gmod(floorf(k), 4.0f)) & 3]); };
    float T = in.T, B = in.B;
    float px = (2.0f * fx - in.R[0]) / in.R[1], py = (2.0f * fy - in.R[1]) / in.R[1];

    float coverage;
    {
        float r = length2(px, py), a = atan2f(py, px);
        float w = 0.04f * in.AU[0] * sinf(7.0f * a + 3.0f * T);
        float k = in.K;
        switch (in.S) {
        case 0: coverage = step((1.0f - k) * 1.7f, r + w); break;
        case 1: coverage = step((1.0f - k) * 1.9f * (0.72f + 0.28f * cosf(5.0f * a + T)), r + w); break;
        case 2: {
            float gx = fabsf(fract(3.0f * px) - 0.5f), gy = fabsf(fract(3.0f * py) - 0.5f);
            coverage = step(gx + gy, 1.05f * k + w);
            break;
        }
        case 3: coverage = step(r, 2.0f * k * (0.55f + 0.45f * fabsf(cosf(3.0f * a + 0.5f * T))) + w); break;
        case 4: coverage = step(fract(4.0f * py + 0.5f * px), k + w); break;
        default: coverage = step(fract(3.0f * a / 6.2832f + 1.5f * r - 0.3f * T), k + w); break;
        }
    }
    float alpha = fmaxf(coverage, in.M * (0.55f + 0.45f * in.AU[0]));
    if (alpha < 0.004f) return false;

    px *= 1.0f - 0.08f * in.AU[0];
    py *= 1.0f - 0.08f * in.AU[0];
    rot(0.08f * T * in.Z + 0.05f * sinf(3.1416f * B), px, py);
    v3 c;
    if (in.F == 0) {
        float zx = 1.25f * px, zy = 1.25f * py;
        float cx = -0.8f + 0.18f * sinf(0.11f * T), cy = 0.156f + 0.08f * cosf(0.13f * T) + 0.02f * in.AU[1];
        int n = 0;
        for (int i = 0; i < 56; ++i) {
            float nx = zx * zx - zy * zy + cx, ny = 2.0f * zx * zy + cy;
            zx = nx;
            zy = ny;
            if (zx * zx + zy * zy > 16.0f) break;
            ++n;
        }
        c = n > 55 ? of(PL[0]) : pk(0.35f * (float)n + B);
    } else if (in.F == 1) {
        float zm = expf(-gmod(0.35f * T, 8.5f));
        float cx = -0.7436439f + 1.6f * zm * px, cy = 0.1318259f + 1.6f * zm * py;
        float zx = 0.0f, zy = 0.0f;
        int n = 0;
        for (int i = 0; i < 90; ++i) {
            float nx = zx * zx - zy * zy + cx, ny = 2.0f * zx * zy + cy;
            zx = nx;
            zy = ny;
            if (zx * zx + zy * zy > 4.0f) break;
            ++n;
        }
        c = n > 89 ? of(PL[0]) : pk(0.25f * (float)n + 0.5f * B);
    } else if (in.F == 2) {
        float f = 28.0f * exp2f(-fract(0.25f * T));
        int ix = (int)((px + 1.9f) * f), iy = (int)((py + 1.05f) * f);
        int l = 0;
        for (int i = 6; i >= 0; --i)
            if (((ix >> i) & (iy >> i) & 1) != 0) {
                l = 7 - i;
                break;
            }
        c = l == 0 ? of(PL[0]) : pk((float)l + floorf(0.5f * B));
    } else if (in.F == 3) {
        float qx = 0.9f * px, qy = 0.9f * py;
        float cx = 0.9f + 0.1f * sinf(0.2f * T), cy = 0.6f + 0.12f * in.AU[0];
        float sum = 0.0f;
        for (int i = 0; i < 12; ++i) {
            float d = qx * qx + qy * qy;
            qx = fabsf(qx) / d - cx;
            qy = fabsf(qy) / d - cy;
            sum += length2(qx, qy);
        }
        c = pk(0.35f * sum + 0.5f * B);
    } else if (in.F == 4) {
        float qx = 1.6f * px, qy = 1.6f * py, s = 1.0f;
        for (int i = 0; i < 8; ++i) {
            qx = -1.0f + 2.0f * fract(0.5f * qx + 0.5f);
            qy = -1.0f + 2.0f * fract(0.5f * qy + 0.5f);
            float k = (1.15f + 0.1f * sinf(0.3f * T)) / (qx * qx + qy * qy);
            qx *= k;
            qy *= k;
            s *= k;
        }
        c = pk(0.7f * logf(s) + 0.5f * B);
    } else if (in.F == 6) {
        float z = 1.6f + 0.9f * sinf(0.37f * T) - 0.2f * in.AU[0];
        float qx = z * px, qy = z * py;
        rot(0.45f * T, qx, qy);
        qx += 0.3f * T;
        qy += 0.17f * T;
        float parity = gmod(floorf(qx) + floorf(qy), 2.0f);
        float base = floorf(0.5f * B);
        float texel[4];
        sample_bilinear(*in.TX, fract(qx), fract(qy), texel);
        c = texel[0] > 0.002f ? pk(2.0f * parity + base) : pk(2.0f * parity + 1.0f + base);
    } else {
        float r = length2(px, py), a = atan2f(py, px) / 6.2832f;
        float u = 1.8f * logf(r) - 0.6f * T - 0.25f * B;
        float v = 8.0f * a + 0.5f * u;
        float gx = fract(u) - 0.5f, gy = fract(v) - 0.5f;
        float d = length2(1.6f * gx, gy) - 0.32f - 0.06f * in.AU[0];
        c = d < 0.0f ? pk(floorf(u) + floorf(v) + 2.0f) : pk(floorf(u));
    }
    encode(c, alpha, out);
    return true;
}

void post_reference(const post_inputs& in, float fx, float fy, float out[4]) {
    float u = fx / in.R[0], v = fy / in.R[1];
    float px = (2.0f * fx - in.R[0]) / in.R[1], py = (2.0f * fy - in.R[1]) / in.R[1];
    float q = in.R[0] / in.R[1];
    float c[4];
    sample_bilinear(*in.S, u, v, c);
    if (in.E == 1) {
        float z = 0.94f - 0.05f * in.AU[0];
        float turn = gmod(floorf(in.B / 16.0f), 2.0f) == 1.0f ? 1.0f : -1.0f;
        float a = (0.035f + 0.09f * in.AU[0]) * turn;
        float vx = px, vy = py;
        rot(a, vx, vy);
        vx *= z;
        vy *= z;
        float ex = (vx / q) * 0.5f + 0.5f, ey = vy * 0.5f + 0.5f;
        float l[4];
        sample_bilinear(*in.L, ex, ey, l);
        if (fabsf(ex - 0.5f) > 0.5f || fabsf(ey - 0.5f) > 0.5f) l[0] = l[1] = l[2] = 0.0f;
        float s = in.K * (0.55f + 0.45f * in.AU[0]);
        for (int i = 0; i < 3; ++i) c[i] = c[i] + (fmaxf(c[i], 0.96f * l[i]) - c[i]) * s;
    } else {
        float n = 6.0f + 2.0f * gmod(floorf(in.B / 32.0f), 2.0f);
        float r = length2(px, py) * (1.0f - 0.12f * in.AU[0]);
        float w = 6.2832f / n;
        float a = gmod(atan2f(py, px) + 0.2f * in.T, w);
        a = fabsf(a - 0.5f * w);
        float vx = 0.8f * r * cosf(a), vy = 0.8f * r * sinf(a);
        float ex = (vx / q) * 0.5f + 0.5f, ey = vy * 0.5f + 0.5f;
        float s[4];
        sample_bilinear(*in.S, ex, ey, s);
        for (int i = 0; i < 3; ++i) c[i] = c[i] + (s[i] - c[i]) * in.K;
    }
    out[0] = c[0];
    out[1] = c[1];
    out[2] = c[2];
    out[3] = 1.0f;
}
