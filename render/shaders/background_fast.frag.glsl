// The background for one pattern (STYLE, defined ahead of this text), with the values that
// depend on uniforms alone coming from the vertex shader. Draws the same pixels as the general
// background shader for that pattern.
uniform vec2 R;
uniform float t;
uniform float beat;
uniform vec3 PL[4];
uniform vec3 COL;
uniform vec4 AU;
flat in vec4 H;
flat in vec4 H2;
flat in vec3 G[8];
out vec4 C;

float hermite(float e0, float e1, float x) {
    float s = clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return s * s * (3.0 - 2.0 * s);
}

// pick() of the general shader, as an index into PL (or G)
int pick_index(float k) {
    float m = mod(k, 4.0);
    if (m == 1.0) return 1;
    if (m == 2.0) return 2;
    if (m == 3.0) return 3;
    return 0;
}

// G[i] and G[i + 4] for i in 0 to 3 by a chain of selects: the driver reads an array of inputs
// at a per-pixel index lane by lane, which costs more than choosing among four values.
vec3 pick_low(int i) { return i == 0 ? G[0] : (i == 1 ? G[1] : (i == 2 ? G[2] : G[3])); }
vec3 pick_high(int i) { return i == 0 ? G[4] : (i == 1 ? G[5] : (i == 2 ? G[6] : G[7])); }

// The end of the general shader, per pixel, for the patterns with a continuous colour.
vec4 finish(vec3 c, float flash) {
    c = mix(c, PL[1], flash);
    vec3 rgb = c * COL;
    float alpha = 1.0;
    rgb = pow(max(rgb, 0.0), vec3(0.4545));
    return vec4(max(rgb, 0.0) * alpha, alpha);
}

void main() {
    vec2 q = gl_FragCoord.xy / R;
    vec2 p = (2.0 * q - 1.0) * vec2(R.x / R.y, 1.0);
    float r = length(p);
#if STYLE == 0
    float a = atan(p.y, p.x) / 6.2831853;
    int k;
    if (H.w != 0.0) k = int(step(0.5, fract(a * H.x + H.y)));
    else k = int(step(0.5, fract(5.0 * r * H2.z - H.z)));
    if (abs(r - 0.6 - H2.x) <= 0.05) k = 2;
    if (r <= H2.y) k = 3;
    C = vec4(pick_low(k), 1.0);
#elif STYLE == 1
    float detail = H.w;
    float y = q.y;
    vec3 c = mix(PL[2], PL[1], hermite(0.1, 0.9, y));
    if (length(p - vec2(0.6, 0.45)) <= H.x) c = PL[3];
    float bands = step(0.5, fract(18.0 * y * detail - H.y));
    c = mix(c, PL[0], bands * hermite(0.38, 0.0, y) * 0.8);
    C = finish(c, H.z);
#elif STYLE == 2
    float detail = H.w;
    float a = atan(p.y, p.x) / 6.2831853;
    float depth = 0.3 / max(r, 0.03) + H.x;
    float check = mod(floor(2.0 * depth * detail) + floor(16.0 * a), 2.0);
    vec3 c = mix(PL[pick_index(floor(depth))], PL[pick_index(floor(depth) + 1.0)], check);
    c = c * hermite(0.0, 0.5, r) * H.y;
    C = finish(c, H.z);
#elif STYLE == 3
    float a = atan(p.y, p.x) / 6.2831853;
    float s = abs(fract(a * H.x + 0.5) - 0.5);
    float m = floor(3.0 * r - H.y);
    float petal = step(3.0 * s, fract(3.0 * r - H.y));
    C = vec4(petal != 0.0 ? pick_high(pick_index(m)) : pick_low(pick_index(m)), 1.0);
#else
    float detail = H2.x;
    float v = sin(3.0 * p.x * detail + H.x) + sin(4.0 * p.y * detail - H.y) + sin(6.0 * r * detail - H.z);
    C = vec4(pick_low(pick_index(floor(1.3 * v + 4.0 + H.w))), 1.0);
#endif
}
