#version 330 core
// Toon figure: two light levels, a hard-edged highlight, one of twelve surface patterns in three
// palette colours, an optional index texture with its colour pair; gamma 1/2.2.
in vec3 P;
in vec3 N;
in vec3 LP;
in vec2 UV;

uniform sampler2D IDX;
uniform vec3 PAL[2];
uniform float HASTEX;
uniform vec3 RC;
uniform vec3 SC;
uniform float XS;
uniform vec4 PT;
uniform vec3 PA;
uniform vec3 PB;
uniform vec3 PC;
uniform vec4 AU;
uniform float PBT;
uniform vec3 A;
uniform vec3 L;
uniform vec3 S;
uniform vec3 K;
uniform vec3 CAMP;

out vec4 C;

float h(vec2 p) { return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5); }

float vn(vec2 p) {
    vec2 i = floor(p);
    vec2 t = fract(p);
    vec2 w = t * t * (3.0 - 2.0 * t);
    float a = h(i);
    float b = h(i + vec2(1.0, 0.0));
    float c = h(i + vec2(0.0, 1.0));
    float d = h(i + vec2(1.0, 1.0));
    return mix(mix(a, b, w.x), mix(c, d, w.x), w.y);
}

float pattern(vec3 q) {
    int k = int(PT.x + 0.5);
    int pr = int(PT.z + 0.5);
    vec2 c;
    if (pr == 0) c = q.xy;
    else if (pr == 1) c = vec2(atan(q.y, q.x) * 0.9549, q.z);
    else if (pr == 2) c = q.xz;
    else c = q.yz;
    float f = PT.y * (1.0 + 0.12 * AU.x);
    c += vec2(0.13, 0.07) * PT.w * PBT;
    vec2 g = fract(c * f) - 0.5;
    if (k == 1) return step(0.5, fract(c.y * f));
    if (k == 2) return length(g) <= 0.3 ? 1.0 : 0.0;
    if (k == 3) return step(0.5, fract(length(q) * f - PT.w * PBT * 0.25));
    if (k == 4) return mod(floor(c.x * f) + floor(c.y * f), 2.0);
    if (k == 5) return step(0.5, fract(c.y * f + abs(fract(c.x * f * 0.5) - 0.5) * 2.0));
    if (k == 6) return step(0.5, fract(atan(q.y, q.x) * 0.3183 * f));
    if (k == 7) return mod(floor(max(abs(g.x), abs(g.y)) * 7.0) + floor(PBT), 3.0);
    if (k == 8) return mod(floor(length(g) * 8.0) - floor(PBT), 3.0);
    if (k == 9) {
        if (texture(IDX, fract(c * f * 0.5)).r > 0.002) return 1.0;
        return 2.0 * mod(floor(c.x * f * 0.5) + floor(c.y * f * 0.5), 2.0);
    }
    if (k == 10) return mod(floor((abs(g.x) + abs(g.y)) * 6.0), 3.0);
    if (k == 11) return floor((sin(c.x * f + 2.0 * sin(c.y * f * 0.7 + 0.5 * PBT)) * 0.5 + 0.5) * 2.99);
    return floor(clamp((vn(0.7 * f * c) * 0.65 + vn(1.9 * f * c) * 0.35) * 3.6 - 0.3 + 0.3 * AU.x, 0.0, 2.0));
}

void main() {
    vec3 n = normalize(N);
    vec3 V = normalize(CAMP - P);
    float d = max(dot(n, L), 0.0);
    vec3 al = A;
    if (HASTEX > 0.5) {
        int i = int(texture(IDX, UV).r * 255.0 + 0.5);
        al *= PAL[clamp(i, 0, 1)];
    }
    if (PT.x > 0.5) {
        float m = pattern(LP);
        al = m < 0.5 ? PA : (m < 1.5 ? PB : PC);
        al *= 1.0 + 0.2 * AU.w;
    }
    d = ceil(d);
    vec3 c = al * (K + S * d);
    float hl = pow(max(dot(n, normalize(L + V)), 0.0), 70.0);
    hl = smoothstep(0.48, 0.52, hl);
    c += SC * hl * XS;
    C = vec4(pow(max(c, 0.0), vec3(0.4545)), 1.0);
}
