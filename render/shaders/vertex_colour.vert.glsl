#version 330 core
layout(location = 0) in vec3 p;
layout(location = 1) in vec3 c;
uniform mat4 MVP;
out vec3 V;
void main() {
    V = c;
    gl_Position = MVP * vec4(p, 1.0);
}
