// The toon figure for one surface pattern and one projection (KIND, PROJ and, for the pieces
// without a pattern, HASTEX: defined ahead of this text), and for a piece with or without the
// highlight (NOHL: 1 without). The general figure shader chooses these per pixel from
// uniforms; here the choice is made when the program is built, so a software renderer runs only
// the chosen pattern. The expressions are the general shader's, in the same order, so the
// pixels are the same; the values that depend on uniforms alone come from the vertex shader
// (figure_fast.vert.glsl), computed there by the same expressions.
in vec3 P;
in vec3 N;
in vec3 LP;
in vec2 UV;
#if KIND > 0
flat in vec3 FD;
flat in vec3 AL[3];
#endif
#if NOHL
flat in vec3 G[9];
#endif

uniform sampler2D IDX;
uniform vec3 PAL[2];
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

#if KIND == 12
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
#endif

#if KIND > 0
float pattern(vec3 q) {
#if PROJ == 0
    vec2 c = q.xy;
#elif PROJ == 1
    vec2 c = vec2(atan(q.y, q.x) * 0.9549, q.z);
#elif PROJ == 2
    vec2 c = q.xz;
#else
    vec2 c = q.yz;
#endif
    float f = FD.x;
    c += FD.yz;
    vec2 g = fract(c * f) - 0.5;
#if KIND == 1
    return step(0.5, fract(c.y * f));
#elif KIND == 2
    return length(g) <= 0.3 ? 1.0 : 0.0;
#elif KIND == 3
    return step(0.5, fract(length(q) * f - PT.w * PBT * 0.25));
#elif KIND == 4
    return mod(floor(c.x * f) + floor(c.y * f), 2.0);
#elif KIND == 5
    return step(0.5, fract(c.y * f + abs(fract(c.x * f * 0.5) - 0.5) * 2.0));
#elif KIND == 6
    return step(0.5, fract(atan(q.y, q.x) * 0.3183 * f));
#elif KIND == 7
    return mod(floor(max(abs(g.x), abs(g.y)) * 7.0) + floor(PBT), 3.0);
#elif KIND == 8
    return mod(floor(length(g) * 8.0) - floor(PBT), 3.0);
#elif KIND == 9
    if (texture(IDX, fract(c * f * 0.5)).r > 0.002) return 1.0;
    return 2.0 * mod(floor(c.x * f * 0.5) + floor(c.y * f * 0.5), 2.0);
#elif KIND == 10
    return mod(floor((abs(g.x) + abs(g.y)) * 6.0), 3.0);
#elif KIND == 11
    return floor((sin(c.x * f + 2.0 * sin(c.y * f * 0.7 + 0.5 * PBT)) * 0.5 + 0.5) * 2.99);
#else
    return floor(clamp((vn(0.7 * f * c) * 0.65 + vn(1.9 * f * c) * 0.35) * 3.6 - 0.3 + 0.3 * AU.x, 0.0, 2.0));
#endif
}
#endif

#if NOHL
vec3 pick(int k, vec3 a, vec3 b, vec3 c) { return k == 0 ? a : (k == 1 ? b : c); }
#endif

void main() {
    vec3 n = normalize(N);
#if NOHL
    // without the highlight the colour is one of G, by the pattern value and the light level
    float d = max(dot(n, L), 0.0);
    d = ceil(d);
    int j = d < 0.5 ? 0 : (d < 1.5 ? 1 : 2);
#if KIND > 0
    float m = pattern(LP);
    int i = m < 0.5 ? 0 : (m < 1.5 ? 1 : 2);
#elif HASTEX
    int i = clamp(int(texture(IDX, UV).r * 255.0 + 0.5), 0, 1);
#else
    int i = 0;
#endif
    vec3 c = pick(i, pick(j, G[0], G[1], G[2]), pick(j, G[3], G[4], G[5]), pick(j, G[6], G[7], G[8]));
    C = vec4(c, 1.0);
#else
    vec3 V = normalize(CAMP - P);
    float d = max(dot(n, L), 0.0);
#if KIND > 0
    // the pattern's colour replaces the body colour (and any index texture's)
    float m = pattern(LP);
    vec3 al = m < 0.5 ? AL[0] : (m < 1.5 ? AL[1] : AL[2]);
#else
    vec3 al = A;
#if HASTEX
    int i = int(texture(IDX, UV).r * 255.0 + 0.5);
    al *= PAL[clamp(i, 0, 1)];
#endif
#endif
    d = ceil(d);
    vec3 c = al * (K + S * d);
    float hl = pow(max(dot(n, normalize(L + V)), 0.0), 70.0);
    hl = smoothstep(0.48, 0.52, hl);
    c += SC * hl * XS;
    C = vec4(pow(max(c, 0.0), vec3(0.4545)), 1.0);
#endif
}
