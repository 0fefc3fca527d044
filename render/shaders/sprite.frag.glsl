#version 330 core
in vec2 U;
uniform sampler2D T;
uniform vec3 P[16];
out vec4 C;
void main() {
    int i = int(texture(T, U).r * 255.0 + 0.5);
    if (i < 1) discard; // index 0 is transparent
    C = vec4(pow(max(P[i & 15], 0.0), vec3(0.4545)), 1.0);
}
