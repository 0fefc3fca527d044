#version 330 core
in vec3 V;
out vec4 C;
void main() {
    C = vec4(pow(max(V, 0.0), vec3(0.4545)), 1.0);
}
