// The background's specialised vertex shader: the full-screen triangle, plus every value of the
// background that depends on uniforms alone, computed here once per vertex (flat, so each
// fragment gets exactly these values) instead of once per pixel. STYLE is defined ahead of
// this text. Each expression is written as the general background shader writes it, so the
// values are the same bits. For the patterns that paint a few palette colours, the final
// encoded colours (flash, COL and the transfer curve applied) are made here too.
uniform vec2 R;
uniform float t;
uniform float beat;
uniform float P[8];
uniform vec3 COL;
uniform vec3 PL[4];
uniform vec4 AU;
flat out vec4 H;     // per pattern: scalars of the pattern
flat out vec4 H2;
flat out vec3 G[8];  // encoded colours the pattern picks from

// The end of the general shader, for one colour.
vec3 finish(vec3 c) {
    c = mix(c, PL[1], 0.15 * AU.w);
    vec3 rgb = c * COL;
    float alpha = 1.0;
    rgb = pow(max(rgb, 0.0), vec3(0.4545));
    return max(rgb, 0.0) * alpha;
}

void main() {
    vec2 v = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(2.0 * v - 1.0, 0.0, 1.0);
    float speed = P[0];
    float detail = P[1];
    float bt = beat * speed;
    float kick = AU.x;
    // 0 and 1 as the per-pixel code gets them from step(), so that mix() is evaluated the same way
    float zero = step(R.x, 0.0);
    float one = step(0.0, R.x);
    H = vec4(0.0);
    H2 = vec4(0.0);
    for (int i = 0; i < 8; ++i) G[i] = vec3(0.0);
#if STYLE == 0
    H = vec4(floor(12.0 + 24.0 * detail), t * 0.02 * speed, 0.25 * bt, fract(bt / 16.0) < 0.5 ? 1.0 : 0.0);
    H2 = vec4(0.05 * kick, 0.07 + 0.05 * kick, detail, 0.0);
    G[0] = finish(mix(PL[0], PL[1], zero));
    G[1] = finish(mix(PL[0], PL[1], one));
    G[2] = finish(PL[2]);
    G[3] = finish(PL[3]);
#elif STYLE == 1
    H = vec4(0.18 + 0.03 * kick, 0.5 * bt, 0.15 * AU.w, detail);
#elif STYLE == 2
    H = vec4(0.5 * bt, 0.8 + 0.4 * kick, 0.15 * AU.w, detail);
#elif STYLE == 3
    H = vec4(6.0 + 2.0 * floor(3.0 * detail), 0.25 * bt, 0.0, 0.0);
    for (int i = 0; i < 4; ++i) {
        G[i] = finish(mix(PL[i], PL[(i + 2) & 3], zero));
        G[i + 4] = finish(mix(PL[i], PL[(i + 2) & 3], one));
    }
#else
    H = vec4(0.7 * t * speed, 0.5 * t * speed, 0.5 * bt, 2.0 * AU.y);
    H2 = vec4(detail, 0.0, 0.0, 0.0);
    for (int i = 0; i < 4; ++i) G[i] = finish(PL[i]);
#endif
}
