// The background: five animated patterns in the show palette. The version line is passed
// separately, ahead of this text.
uniform vec2 R;
uniform float t;
uniform float beat;
uniform int cue;
uniform float sinceCue;
uniform float P[8]; // P[0] speed, P[1] detail
uniform vec3 COL;
uniform vec3 PL[4];
uniform vec4 AU;
uniform vec4 MOOD;
out vec4 C;

float hermite(float e0, float e1, float x) {
    float s = clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return s * s * (3.0 - 2.0 * s);
}

vec3 pick(float k) {
    float m = mod(k, 4.0);
    if (m == 1.0) return PL[1];
    if (m == 2.0) return PL[2];
    if (m == 3.0) return PL[3];
    return PL[0];
}

void main() {
    vec2 q = gl_FragCoord.xy / R;
    vec2 p = (2.0 * q - 1.0) * vec2(R.x / R.y, 1.0);
    float speed = P[0];
    float detail = P[1];
    int style = int(MOOD.z * 5.0);
    float r = length(p);
    float a = atan(p.y, p.x) / 6.2831853;
    float bt = beat * speed;
    float kick = AU.x;
    vec3 c;
    if (style == 0) {
        // rays and rings, switching every 8 beats
        float ray = step(0.5, fract(a * floor(12.0 + 24.0 * detail) + t * 0.02 * speed));
        float ring = step(0.5, fract(5.0 * r * detail - 0.25 * bt));
        float v = fract(bt / 16.0) < 0.5 ? ray : ring;
        c = mix(PL[0], PL[1], v);
        if (abs(r - 0.6 - 0.05 * kick) <= 0.05) c = PL[2];
        if (r <= 0.07 + 0.05 * kick) c = PL[3];
    } else if (style == 1) {
        // horizon with a sun and stripes scrolling near the bottom edge
        float y = q.y;
        c = mix(PL[2], PL[1], hermite(0.1, 0.9, y));
        if (length(p - vec2(0.6, 0.45)) <= 0.18 + 0.03 * kick) c = PL[3];
        float bands = step(0.5, fract(18.0 * y * detail - 0.5 * bt));
        c = mix(c, PL[0], bands * hermite(0.38, 0.0, y) * 0.8);
    } else if (style == 2) {
        // tunnel
        float depth = 0.3 / max(r, 0.03) + 0.5 * bt;
        float check = mod(floor(2.0 * depth * detail) + floor(16.0 * a), 2.0);
        c = mix(pick(floor(depth)), pick(floor(depth) + 1.0), check);
        c = c * hermite(0.0, 0.5, r) * (0.8 + 0.4 * kick);
    } else if (style == 3) {
        // petals
        float n = 6.0 + 2.0 * floor(3.0 * detail);
        float s = abs(fract(a * n + 0.5) - 0.5);
        float m = floor(3.0 * r - 0.25 * bt);
        float petal = step(3.0 * s, fract(3.0 * r - 0.25 * bt));
        c = mix(pick(m), pick(m + 2.0), petal);
    } else {
        // plasma
        float v = sin(3.0 * p.x * detail + 0.7 * t * speed) + sin(4.0 * p.y * detail - 0.5 * t * speed)
                + sin(6.0 * r * detail - 0.5 * bt);
        c = pick(floor(1.3 * v + 4.0 + 2.0 * AU.y));
    }
    c = mix(c, PL[1], 0.15 * AU.w);
    vec3 rgb = c * COL;
    float alpha = 1.0;
    rgb = pow(max(rgb, 0.0), vec3(0.4545));
    C = vec4(max(rgb, 0.0) * alpha, alpha); // premultiplied
}
