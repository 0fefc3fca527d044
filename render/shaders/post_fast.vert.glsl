// The post effect's specialised vertex shader: the full-screen triangle, plus the values of the
// effect that depend on uniforms alone, passed flat. ECHO is defined (1 or 0) ahead of this
// text. Each expression is written as the general post shader writes it.
uniform vec2 R;
uniform float T;
uniform float B;
uniform vec4 AU;
uniform float K;
flat out vec4 W0;
flat out vec4 W1;

void main() {
    vec2 v = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(2.0 * v - 1.0, 0.0, 1.0);
    float q = R.x / R.y;
#if ECHO
    float z = 0.94 - 0.05 * AU.x;
    float turn = mod(floor(B / 16.0), 2.0) == 1.0 ? 1.0 : -1.0;
    float a = (0.035 + 0.09 * AU.x) * turn;
    W0 = vec4(z, cos(a), sin(a), q);
    W1 = vec4(K * (0.55 + 0.45 * AU.x), 0.0, 0.0, 0.0);
#else
    float n = 6.0 + 2.0 * mod(floor(B / 32.0), 2.0);
    float w = 6.2832 / n;
    W0 = vec4(1.0 - 0.12 * AU.x, w, 0.2 * T, q);
    W1 = vec4(0.5 * w, K, 0.0, 0.0);
#endif
}
