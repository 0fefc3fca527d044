#version 330 core
// The cover: one of seven pictures through one of six reveal masks.
uniform vec2 R;
uniform float T;
uniform float B;
uniform vec4 AU;
uniform vec3 PL[4];
uniform float K;
uniform int S; // reveal mask
uniform int F; // picture
uniform float M; // glow
uniform float Z; // turn direction
uniform sampler2D TX;
out vec4 C;

vec3 pk(float k) { return PL[int(mod(floor(k), 4.0)) & 3]; }

vec2 rot(float a, vec2 v) {
    float c = cos(a), s = sin(a);
    return vec2(v.x * c + v.y * s, -v.x * s + v.y * c);
}

float coverage(vec2 p) {
    float r = length(p);
    float a = atan(p.y, p.x);
    float w = 0.04 * AU.x * sin(7.0 * a + 3.0 * T);
    float k = K;
    if (S == 0) return step((1.0 - k) * 1.7, r + w);
    if (S == 1) return step((1.0 - k) * 1.9 * (0.72 + 0.28 * cos(5.0 * a + T)), r + w);
    if (S == 2) {
        vec2 g = abs(fract(3.0 * p) - 0.5);
        return step(g.x + g.y, 1.05 * k + w);
    }
    if (S == 3) return step(r, 2.0 * k * (0.55 + 0.45 * abs(cos(3.0 * a + 0.5 * T))) + w);
    if (S == 4) return step(fract(4.0 * p.y + 0.5 * p.x), k + w);
    return step(fract(3.0 * a / 6.2832 + 1.5 * r - 0.3 * T), k + w);
}

vec3 julia(vec2 p) {
    vec2 z = 1.25 * p;
    vec2 c = vec2(-0.8 + 0.18 * sin(0.11 * T), 0.156 + 0.08 * cos(0.13 * T) + 0.02 * AU.y);
    int n = 0;
    for (int i = 0; i < 56; ++i) {
        z = vec2(z.x * z.x - z.y * z.y, 2.0 * z.x * z.y) + c;
        if (dot(z, z) > 16.0) break;
        ++n;
    }
    return n > 55 ? PL[0] : pk(0.35 * float(n) + B);
}

vec3 mandelbrot(vec2 p) {
    float zm = exp(-mod(0.35 * T, 8.5));
    vec2 c = vec2(-0.7436439, 0.1318259) + 1.6 * zm * p;
    vec2 z = vec2(0.0);
    int n = 0;
    for (int i = 0; i < 90; ++i) {
        z = vec2(z.x * z.x - z.y * z.y, 2.0 * z.x * z.y) + c;
        if (dot(z, z) > 4.0) break;
        ++n;
    }
    return n > 89 ? PL[0] : pk(0.25 * float(n) + 0.5 * B);
}

vec3 bit_carpet(vec2 p) {
    ivec2 iq = ivec2((p + vec2(1.9, 1.05)) * 28.0 * exp2(-fract(0.25 * T)));
    int l = 0;
    for (int i = 6; i >= 0; --i) {
        if (((iq.x >> i) & (iq.y >> i) & 1) != 0) {
            l = 7 - i;
            break;
        }
    }
    return l == 0 ? PL[0] : pk(float(l) + floor(0.5 * B));
}

vec3 inversion(vec2 p) {
    vec2 q = 0.9 * p;
    vec2 c = vec2(0.9 + 0.1 * sin(0.2 * T), 0.6 + 0.12 * AU.x);
    float sum = 0.0;
    for (int i = 0; i < 12; ++i) {
        q = abs(q) / dot(q, q) - c;
        sum += length(q);
    }
    return pk(0.35 * sum + 0.5 * B);
}

vec3 box_fold(vec2 p) {
    vec2 q = 1.6 * p;
    float s = 1.0;
    for (int i = 0; i < 8; ++i) {
        q = -1.0 + 2.0 * fract(0.5 * q + 0.5);
        float k = (1.15 + 0.1 * sin(0.3 * T)) / dot(q, q);
        q = k * q;
        s = s * k;
    }
    return pk(0.7 * log(s) + 0.5 * B);
}

vec3 checker(vec2 p) {
    float z = 1.6 + 0.9 * sin(0.37 * T) - 0.2 * AU.x;
    vec2 q = rot(0.45 * T, z * p) + vec2(0.3 * T, 0.17 * T);
    vec2 cell = floor(q);
    float parity = mod(cell.x + cell.y, 2.0);
    float base = floor(0.5 * B);
    if (texture(TX, fract(q)).r > 0.002) return pk(2.0 * parity + base);
    return pk(2.0 * parity + 1.0 + base);
}

vec3 log_polar_dots(vec2 p) {
    float r = length(p);
    float a = atan(p.y, p.x) / 6.2832;
    float u = 1.8 * log(r) - 0.6 * T - 0.25 * B;
    float v = 8.0 * a + 0.5 * u;
    vec2 g = fract(vec2(u, v)) - 0.5;
    float d = length(vec2(1.6 * g.x, g.y)) - 0.32 - 0.06 * AU.x;
    if (d < 0.0) return pk(floor(u) + floor(v) + 2.0);
    return pk(floor(u));
}

void main() {
    vec2 p = (2.0 * gl_FragCoord.xy - R) / R.y;
    float alpha = max(coverage(p), M * (0.55 + 0.45 * AU.x));
    if (alpha < 0.004) discard;
    p = p * (1.0 - 0.08 * AU.x);
    p = rot(0.08 * T * Z + 0.05 * sin(3.1416 * B), p);
    vec3 c;
    if (F == 0) c = julia(p);
    else if (F == 1) c = mandelbrot(p);
    else if (F == 2) c = bit_carpet(p);
    else if (F == 3) c = inversion(p);
    else if (F == 4) c = box_fold(p);
    else if (F == 6) c = checker(p);
    else c = log_polar_dots(p);
    C = vec4(pow(max(c, 0.0), vec3(0.4545)), alpha);
}
