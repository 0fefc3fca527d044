// The GL entry-point table: the 34 functions newer than GL 1.1, resolved by name at start-up in
// this fixed order. Every later call of one of them goes through the table (the macros below);
// the GL 1.1 functions are linked directly.
//
// TAVRIN_GL_ENTRIES is the one list: each entry's pointer type and name give the table's index,
// its name string and its typed access. A new entry point is one X(...) line here and one
// routing #define at the end (gl_api.cpp fails to compile when an entry has no #define).
#pragma once
#include <stdint.h>

#include <GL/gl.h>
#include <GL/glext.h>

#define TAVRIN_GL_ENTRIES(X) \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram) \
    X(PFNGLCREATESHADERPROC, glCreateShader) \
    X(PFNGLSHADERSOURCEPROC, glShaderSource) \
    X(PFNGLCOMPILESHADERPROC, glCompileShader) \
    X(PFNGLATTACHSHADERPROC, glAttachShader) \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram) \
    X(PFNGLUSEPROGRAMPROC, glUseProgram) \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation) \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv) \
    X(PFNGLUNIFORM3FPROC, glUniform3f) \
    X(PFNGLUNIFORM1FPROC, glUniform1f) \
    X(PFNGLGENBUFFERSPROC, glGenBuffers) \
    X(PFNGLBINDBUFFERPROC, glBindBuffer) \
    X(PFNGLBUFFERDATAPROC, glBufferData) \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer) \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray) \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays) \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray) \
    X(PFNGLUNIFORM2FPROC, glUniform2f) \
    X(PFNGLVERTEXATTRIBIPOINTERPROC, glVertexAttribIPointer) \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers) \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer) \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D) \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture) \
    X(PFNGLUNIFORM1IPROC, glUniform1i) \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv) \
    X(PFNGLUNIFORM4FPROC, glUniform4f) \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers) \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers) \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers) \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer) \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage) \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer) \
    X(PFNGLDRAWELEMENTSINSTANCEDPROC, glDrawElementsInstanced) \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)

#define TAVRIN_GL_X(type, name) gl_index_##name,
enum gl_entry_index : int { TAVRIN_GL_ENTRIES(TAVRIN_GL_X) gl_entry_count };
#undef TAVRIN_GL_X
#define TAVRIN_GL_X(type, name) typedef type gl_type_##name;
TAVRIN_GL_ENTRIES(TAVRIN_GL_X)
#undef TAVRIN_GL_X

extern void* gl_entries[gl_entry_count];
extern const char* const gl_entry_names[gl_entry_count];

// Resolves the table in order with the platform's lookup; false at the first name the lookup
// does not know (the remaining entries stay null).
bool gl_resolve(void* (*get_proc)(const char*));

// A call of entry point `name` through the table, with the entry's own type.
#define TAVRIN_GL_ENTRY(name) ((gl_type_##name)gl_entries[gl_index_##name])

#define glCreateProgram TAVRIN_GL_ENTRY(glCreateProgram)
#define glCreateShader TAVRIN_GL_ENTRY(glCreateShader)
#define glShaderSource TAVRIN_GL_ENTRY(glShaderSource)
#define glCompileShader TAVRIN_GL_ENTRY(glCompileShader)
#define glAttachShader TAVRIN_GL_ENTRY(glAttachShader)
#define glLinkProgram TAVRIN_GL_ENTRY(glLinkProgram)
#define glUseProgram TAVRIN_GL_ENTRY(glUseProgram)
#define glGetUniformLocation TAVRIN_GL_ENTRY(glGetUniformLocation)
#define glUniformMatrix4fv TAVRIN_GL_ENTRY(glUniformMatrix4fv)
#define glUniform3f TAVRIN_GL_ENTRY(glUniform3f)
#define glUniform1f TAVRIN_GL_ENTRY(glUniform1f)
#define glGenBuffers TAVRIN_GL_ENTRY(glGenBuffers)
#define glBindBuffer TAVRIN_GL_ENTRY(glBindBuffer)
#define glBufferData TAVRIN_GL_ENTRY(glBufferData)
#define glVertexAttribPointer TAVRIN_GL_ENTRY(glVertexAttribPointer)
#define glEnableVertexAttribArray TAVRIN_GL_ENTRY(glEnableVertexAttribArray)
#define glGenVertexArrays TAVRIN_GL_ENTRY(glGenVertexArrays)
#define glBindVertexArray TAVRIN_GL_ENTRY(glBindVertexArray)
#define glDeleteVertexArrays TAVRIN_GL_ENTRY(glDeleteVertexArrays)
#define glUniform2f TAVRIN_GL_ENTRY(glUniform2f)
#define glVertexAttribIPointer TAVRIN_GL_ENTRY(glVertexAttribIPointer)
#define glGenFramebuffers TAVRIN_GL_ENTRY(glGenFramebuffers)
#define glBindFramebuffer TAVRIN_GL_ENTRY(glBindFramebuffer)
#define glFramebufferTexture2D TAVRIN_GL_ENTRY(glFramebufferTexture2D)
#define glActiveTexture TAVRIN_GL_ENTRY(glActiveTexture)
#define glUniform1i TAVRIN_GL_ENTRY(glUniform1i)
#define glUniform3fv TAVRIN_GL_ENTRY(glUniform3fv)
#define glUniform4f TAVRIN_GL_ENTRY(glUniform4f)
#define glDeleteFramebuffers TAVRIN_GL_ENTRY(glDeleteFramebuffers)
#define glDeleteRenderbuffers TAVRIN_GL_ENTRY(glDeleteRenderbuffers)
#define glGenRenderbuffers TAVRIN_GL_ENTRY(glGenRenderbuffers)
#define glBindRenderbuffer TAVRIN_GL_ENTRY(glBindRenderbuffer)
#define glRenderbufferStorage TAVRIN_GL_ENTRY(glRenderbufferStorage)
#define glFramebufferRenderbuffer TAVRIN_GL_ENTRY(glFramebufferRenderbuffer)
#define glDrawElementsInstanced TAVRIN_GL_ENTRY(glDrawElementsInstanced)
