// The cover's specialised vertex shader: the full-screen triangle, plus every value of the
// cover that depends on uniforms alone (the turn, the picture's constants, the mask's
// thresholds, the glow and the four encoded palette colours), computed once per vertex and
// passed flat. MASK and PICTURE are defined ahead of this text. Each expression is written as
// the general cover shader writes it, so the values are the same bits.
uniform vec2 R;
uniform float T;
uniform float B;
uniform vec4 AU;
uniform vec3 PL[4];
uniform float K;
uniform float M;
uniform float Z;
flat out vec4 V0; // mask: threshold, wobble amplitude, 3T, glow alpha
flat out vec4 V1; // image: zoom, cos and sin of the turn, (free)
flat out vec4 V2; // picture constants
flat out vec4 V3; // more picture constants; w: K for the spiral
flat out vec3 G[4];

void main() {
    vec2 v = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(2.0 * v - 1.0, 0.0, 1.0);
    float k = K;
#if MASK == 0
    float th = (1.0 - k) * 1.7;
#elif MASK == 1
    float th = (1.0 - k) * 1.9;
#elif MASK == 2
    float th = 1.05 * k;
#elif MASK == 3
    float th = 2.0 * k;
#elif MASK == 4
    float th = k;
#else
    float th = 0.3 * T;
#endif
    V0 = vec4(th, 0.04 * AU.x, 3.0 * T, M * (0.55 + 0.45 * AU.x));
    float a = 0.08 * T * Z + 0.05 * sin(3.1416 * B);
    V1 = vec4(1.0 - 0.08 * AU.x, cos(a), sin(a), 0.5 * T);
    V2 = vec4(0.0);
    V3 = vec4(0.0);
#if PICTURE == 0
    V2 = vec4(-0.8 + 0.18 * sin(0.11 * T), 0.156 + 0.08 * cos(0.13 * T) + 0.02 * AU.y, 0.0, 0.0);
#elif PICTURE == 1
    float zm = exp(-mod(0.35 * T, 8.5));
    V2 = vec4(1.6 * zm, 0.5 * B, 0.0, 0.0);
#elif PICTURE == 2
    V2 = vec4(exp2(-fract(0.25 * T)), floor(0.5 * B), 0.0, 0.0);
#elif PICTURE == 3
    V2 = vec4(0.9 + 0.1 * sin(0.2 * T), 0.6 + 0.12 * AU.x, 0.5 * B, 0.0);
#elif PICTURE == 4
    V2 = vec4(1.15 + 0.1 * sin(0.3 * T), 0.5 * B, 0.0, 0.0);
#elif PICTURE == 6
    float z = 1.6 + 0.9 * sin(0.37 * T) - 0.2 * AU.x;
    float ca = 0.45 * T;
    V2 = vec4(z, cos(ca), sin(ca), floor(0.5 * B));
#else
    V2 = vec4(0.6 * T, 0.25 * B, 0.06 * AU.x, 0.0);
#endif
    V3.w = k; // the spiral's threshold
    for (int i = 0; i < 4; ++i) G[i] = pow(max(PL[i], 0.0), vec3(0.4545));
}
