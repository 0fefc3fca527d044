#include "render/gl_api.h"

void* gl_entries[gl_entry_count];

const char* const gl_entry_names[gl_entry_count] = {
    "glCreateProgram",       "glCreateShader",
    "glShaderSource",        "glCompileShader",
    "glAttachShader",        "glLinkProgram",
    "glUseProgram",          "glGetUniformLocation",
    "glUniformMatrix4fv",    "glUniform3f",
    "glUniform1f",           "glGenBuffers",
    "glBindBuffer",          "glBufferData",
    "glVertexAttribPointer", "glEnableVertexAttribArray",
    "glGenVertexArrays",     "glBindVertexArray",
    "glUniform2f",           "glVertexAttribIPointer",
    "glGenFramebuffers",     "glBindFramebuffer",
    "glFramebufferTexture2D", "glActiveTexture",
    "glUniform1i",           "glUniform3fv",
    "glUniform4f",           "glDeleteFramebuffers",
    "glDeleteRenderbuffers", "glGenRenderbuffers",
    "glBindRenderbuffer",    "glRenderbufferStorage",
    "glFramebufferRenderbuffer", "glDrawElementsInstanced",
};

bool gl_resolve(void* (*get_proc)(const char*)) {
    for (int i = 0; i < gl_entry_count; ++i) {
        gl_entries[i] = get_proc(gl_entry_names[i]);
        if (!gl_entries[i]) return false;
    }
    return true;
}
