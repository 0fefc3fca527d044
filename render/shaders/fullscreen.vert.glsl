#version 330 core
// One triangle over the whole viewport: (-1, -1), (3, -1), (-1, 3).
void main() {
    vec2 v = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(2.0 * v - 1.0, 0.0, 1.0);
}
