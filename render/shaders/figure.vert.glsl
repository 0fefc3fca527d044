#version 330 core
// Skinned figure vertex: dequantise, blend two bones, place with the piece matrix.
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
}
