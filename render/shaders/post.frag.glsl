#version 330 core
// The post effect over the finished frame: echo trail (E = 1) or kaleidoscope.
uniform vec2 R;
uniform float T;
uniform float B;
uniform vec4 AU;
uniform sampler2D S; // screen copy
uniform sampler2D L; // echo memory
uniform int E;
uniform float K;
out vec4 C;

vec2 rot(float a, vec2 v) {
    float c = cos(a), s = sin(a);
    return vec2(v.x * c + v.y * s, -v.x * s + v.y * c);
}

void main() {
    vec2 uv = gl_FragCoord.xy / R;
    vec2 p = (2.0 * gl_FragCoord.xy - R) / R.y;
    float q = R.x / R.y;
    vec3 c = texture(S, uv).rgb;
    if (E == 1) {
        float z = 0.94 - 0.05 * AU.x;
        float turn = mod(floor(B / 16.0), 2.0) == 1.0 ? 1.0 : -1.0;
        float a = (0.035 + 0.09 * AU.x) * turn;
        vec2 v = z * rot(a, p);
        vec2 e = vec2(v.x / q, v.y) * 0.5 + 0.5;
        vec3 l = texture(L, e).rgb;
        if (abs(e.x - 0.5) > 0.5 || abs(e.y - 0.5) > 0.5) l = vec3(0.0);
        c = mix(c, max(c, 0.96 * l), K * (0.55 + 0.45 * AU.x));
    } else {
        float n = 6.0 + 2.0 * mod(floor(B / 32.0), 2.0);
        float r = length(p) * (1.0 - 0.12 * AU.x);
        float w = 6.2832 / n;
        float a = mod(atan(p.y, p.x) + 0.2 * T, w);
        a = abs(a - 0.5 * w);
        vec2 v = 0.8 * r * vec2(cos(a), sin(a));
        vec2 e = vec2(v.x / q, v.y) * 0.5 + 0.5;
        c = mix(c, texture(S, e).rgb, K);
    }
    C = vec4(c, 1.0);
}
