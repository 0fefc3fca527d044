// The figure's vertex shader for the specialised programs (KIND, PROJ, HASTEX and NOHL defined
// ahead of this text): the general one's skinning and placing, written identically so that the
// positions and the interpolated values are the same bits, plus the piece's values that depend
// on uniforms alone, computed once per vertex and passed flat (each written as the general
// fragment shader writes it, so the values are the same bits).
layout(location = 0) in vec3 q;
layout(location = 1) in vec3 nrm;
layout(location = 2) in uvec2 bi;
layout(location = 3) in float bw;
layout(location = 5) in vec2 uv;

uniform mat4 BONES[13];
uniform mat4 MVP;
uniform mat4 M;
uniform vec3 B;
uniform vec3 O;

out vec3 P;
out vec3 N;
out vec3 LP;
out vec2 UV;

#if KIND > 0
uniform vec4 PT;
uniform vec4 AU;
uniform float PBT;
uniform vec3 PA;
uniform vec3 PB;
uniform vec3 PC;
flat out vec3 FD;    // the pattern's frequency and drift
flat out vec3 AL[3]; // the pattern's three colours, scaled by the loudness
#else
uniform vec3 A;
#if HASTEX
uniform vec3 PAL[2];
#endif
#endif
#if NOHL
// A piece without a highlight has one colour per pattern value (or texture index) and light
// level: those colours, gamma included, in the order (value, level). The level is 0 or 1, or 2
// where the normal's rounding makes its light a hair over 1.
uniform vec3 S;
uniform vec3 K;
flat out vec3 G[9];
#endif

void main() {
    vec3 l = q * B + O;
    LP = l;
    UV = uv;
    mat4 b0 = BONES[bi.x];
    mat4 b1 = BONES[bi.y];
    vec3 ls = (b0 * vec4(l, 1.0)).xyz * bw + (b1 * vec4(l, 1.0)).xyz * (1.0 - bw);
    vec3 n = mat3(b0) * nrm * bw + mat3(b1) * nrm * (1.0 - bw);
    P = (M * vec4(ls, 1.0)).xyz;
    N = normalize(mat3(M) * n);
    gl_Position = MVP * vec4(ls, 1.0);

#if KIND > 0
    FD = vec3(PT.y * (1.0 + 0.12 * AU.x), vec2(0.13, 0.07) * PT.w * PBT);
    AL[0] = PA;
    AL[1] = PB;
    AL[2] = PC;
    for (int i = 0; i < 3; ++i) AL[i] *= 1.0 + 0.2 * AU.w;
#endif
#if NOHL
    for (int i = 0; i < 3; ++i) {
#if KIND > 0
        vec3 al = AL[i];
#elif HASTEX
        vec3 al = A;
        al *= PAL[i < 1 ? 0 : 1];
#else
        vec3 al = A;
#endif
        for (int j = 0; j < 3; ++j) {
            float d = float(j);
            vec3 c = al * (K + S * d);
            G[3 * i + j] = pow(max(c, 0.0), vec3(0.4545));
        }
    }
#endif
}
