#version 330 core
layout(location = 0) in vec2 p;
uniform mat4 M;
out vec2 U;
void main() {
    U = vec2(p.x + 0.5, 0.5 - p.y); // image row 0 at the top of the quad
    gl_Position = M * vec4(p, 0.0, 1.0);
}
