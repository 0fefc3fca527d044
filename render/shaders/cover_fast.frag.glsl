// The cover for one reveal mask and one picture (MASK and PICTURE, defined ahead of this text),
// with the values that depend on uniforms alone coming from the vertex shader. Draws the same
// pixels as the general cover shader for that mask and picture.
uniform vec2 R;
uniform float T;
uniform float B;
uniform vec4 AU;
uniform sampler2D TX;
flat in vec4 V0;
flat in vec4 V1;
flat in vec4 V2;
flat in vec4 V3;
flat in vec3 G[4];
out vec4 C;

// The colour by a chain of selects: the driver reads an array of inputs at a per-pixel index
// lane by lane, which costs more than choosing among four values.
vec3 pick4(int i) { return i == 0 ? G[0] : (i == 1 ? G[1] : (i == 2 ? G[2] : G[3])); }

vec3 pk(float k) { return pick4(int(mod(floor(k), 4.0)) & 3); }

vec2 turn(float c, float s, vec2 v) { return vec2(v.x * c + v.y * s, -v.x * s + v.y * c); }

float coverage(vec2 p) {
    float r = length(p);
    float a = atan(p.y, p.x);
    float w = V0.y * sin(7.0 * a + V0.z);
#if MASK == 0
    return step(V0.x, r + w);
#elif MASK == 1
    return step(V0.x * (0.72 + 0.28 * cos(5.0 * a + T)), r + w);
#elif MASK == 2
    vec2 g = abs(fract(3.0 * p) - 0.5);
    return step(g.x + g.y, V0.x + w);
#elif MASK == 3
    return step(r, V0.x * (0.55 + 0.45 * abs(cos(3.0 * a + V1.w))) + w);
#elif MASK == 4
    return step(fract(4.0 * p.y + 0.5 * p.x), V0.x + w);
#else
    return step(fract(3.0 * a / 6.2832 + 1.5 * r - V0.x), V3.w + w);
#endif
}

vec3 picture(vec2 p) {
#if PICTURE == 0
    vec2 z = 1.25 * p;
    vec2 c = V2.xy;
    int n = 0;
    for (int i = 0; i < 56; ++i) {
        z = vec2(z.x * z.x - z.y * z.y, 2.0 * z.x * z.y) + c;
        if (dot(z, z) > 16.0) break;
        ++n;
    }
    return n > 55 ? G[0] : pk(0.35 * float(n) + B);
#elif PICTURE == 1
    vec2 c = vec2(-0.7436439, 0.1318259) + V2.x * p;
    vec2 z = vec2(0.0);
    int n = 0;
    for (int i = 0; i < 90; ++i) {
        z = vec2(z.x * z.x - z.y * z.y, 2.0 * z.x * z.y) + c;
        if (dot(z, z) > 4.0) break;
        ++n;
    }
    return n > 89 ? G[0] : pk(0.25 * float(n) + V2.y);
#elif PICTURE == 2
    ivec2 iq = ivec2((p + vec2(1.9, 1.05)) * 28.0 * V2.x);
    int l = 0;
    for (int i = 6; i >= 0; --i) {
        if (((iq.x >> i) & (iq.y >> i) & 1) != 0) {
            l = 7 - i;
            break;
        }
    }
    return l == 0 ? G[0] : pk(float(l) + V2.y);
#elif PICTURE == 3
    vec2 q = 0.9 * p;
    vec2 c = V2.xy;
    float sum = 0.0;
    for (int i = 0; i < 12; ++i) {
        q = abs(q) / dot(q, q) - c;
        sum += length(q);
    }
    return pk(0.35 * sum + V2.z);
#elif PICTURE == 4
    vec2 q = 1.6 * p;
    float s = 1.0;
    for (int i = 0; i < 8; ++i) {
        q = -1.0 + 2.0 * fract(0.5 * q + 0.5);
        float k = V2.x / dot(q, q);
        q = k * q;
        s = s * k;
    }
    return pk(0.7 * log(s) + V2.y);
#elif PICTURE == 6
    // the offset stays here: added to the turn's sums, a value from the vertex shader is
    // combined in another order by the compiler and a pixel on a texel's edge can change
    vec2 q = turn(V2.y, V2.z, V2.x * p) + vec2(0.3 * T, 0.17 * T);
    vec2 cell = floor(q);
    float parity = mod(cell.x + cell.y, 2.0);
    float base = V2.w;
    if (texture(TX, fract(q)).r > 0.002) return pk(2.0 * parity + base);
    return pk(2.0 * parity + 1.0 + base);
#else
    float r = length(p);
    float a = atan(p.y, p.x) / 6.2832;
    float u = 1.8 * log(r) - V2.x - V2.y;
    float v = 8.0 * a + 0.5 * u;
    vec2 g = fract(vec2(u, v)) - 0.5;
    float d = length(vec2(1.6 * g.x, g.y)) - 0.32 - V2.z;
    if (d < 0.0) return pk(floor(u) + floor(v) + 2.0);
    return pk(floor(u));
#endif
}

void main() {
    vec2 p = (2.0 * gl_FragCoord.xy - R) / R.y;
    float alpha = max(coverage(p), V0.w);
    if (alpha < 0.004) discard;
    p = p * V1.x;
    p = turn(V1.y, V1.z, p);
    C = vec4(picture(p), alpha);
}
