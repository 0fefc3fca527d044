// The post effect for one kind (ECHO 1: the echo trail; 0: the kaleidoscope), with the values
// that depend on uniforms alone coming from the vertex shader. Draws the same pixels as the
// general post shader for that effect.
uniform vec2 R;
uniform sampler2D S; // screen copy
uniform sampler2D L; // echo memory
flat in vec4 W0;
flat in vec4 W1;
out vec4 C;

void main() {
    vec2 p = (2.0 * gl_FragCoord.xy - R) / R.y;
    float q = W0.w;
    // the screen copy at the pixel's own centre: the filter's weights are 0 there, so reading the
    // texel is the same value without the filtering
    vec3 c = texelFetch(S, ivec2(gl_FragCoord.xy), 0).rgb;
#if ECHO
    vec2 v = W0.x * vec2(p.x * W0.y + p.y * W0.z, -p.x * W0.z + p.y * W0.y);
    vec2 e = vec2(v.x / q, v.y) * 0.5 + 0.5;
    vec3 l = texture(L, e).rgb;
    if (abs(e.x - 0.5) > 0.5 || abs(e.y - 0.5) > 0.5) l = vec3(0.0);
    c = mix(c, max(c, 0.96 * l), W1.x);
#else
    float r = length(p) * W0.x;
    float w = W0.y;
    float a = mod(atan(p.y, p.x) + W0.z, w);
    a = abs(a - W1.x);
    vec2 v = 0.8 * r * vec2(cos(a), sin(a));
    vec2 e = vec2(v.x / q, v.y) * 0.5 + 0.5;
    c = mix(c, texture(S, e).rgb, W1.y);
#endif
    C = vec4(c, 1.0);
}
