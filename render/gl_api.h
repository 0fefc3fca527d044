// The GL entry-point table: the 34 functions newer than GL 1.1, resolved by name at start-up in
// this fixed order. Every later call of one of them goes through the table (the macros below);
// the GL 1.1 functions are linked directly.
#pragma once
#include <stdint.h>

#include <GL/gl.h>
#include <GL/glext.h>

enum : int { gl_entry_count = 34 };

extern void* gl_entries[gl_entry_count];
extern const char* const gl_entry_names[gl_entry_count];

// Resolves the table in order with the platform's lookup; false at the first name the lookup
// does not know (the remaining entries stay null).
bool gl_resolve(void* (*get_proc)(const char*));

#define glCreateProgram ((PFNGLCREATEPROGRAMPROC)gl_entries[0])
#define glCreateShader ((PFNGLCREATESHADERPROC)gl_entries[1])
#define glShaderSource ((PFNGLSHADERSOURCEPROC)gl_entries[2])
#define glCompileShader ((PFNGLCOMPILESHADERPROC)gl_entries[3])
#define glAttachShader ((PFNGLATTACHSHADERPROC)gl_entries[4])
#define glLinkProgram ((PFNGLLINKPROGRAMPROC)gl_entries[5])
#define glUseProgram ((PFNGLUSEPROGRAMPROC)gl_entries[6])
#define glGetUniformLocation ((PFNGLGETUNIFORMLOCATIONPROC)gl_entries[7])
#define glUniformMatrix4fv ((PFNGLUNIFORMMATRIX4FVPROC)gl_entries[8])
#define glUniform3f ((PFNGLUNIFORM3FPROC)gl_entries[9])
#define glUniform1f ((PFNGLUNIFORM1FPROC)gl_entries[10])
#define glGenBuffers ((PFNGLGENBUFFERSPROC)gl_entries[11])
#define glBindBuffer ((PFNGLBINDBUFFERPROC)gl_entries[12])
#define glBufferData ((PFNGLBUFFERDATAPROC)gl_entries[13])
#define glVertexAttribPointer ((PFNGLVERTEXATTRIBPOINTERPROC)gl_entries[14])
#define glEnableVertexAttribArray ((PFNGLENABLEVERTEXATTRIBARRAYPROC)gl_entries[15])
#define glGenVertexArrays ((PFNGLGENVERTEXARRAYSPROC)gl_entries[16])
#define glBindVertexArray ((PFNGLBINDVERTEXARRAYPROC)gl_entries[17])
#define glUniform2f ((PFNGLUNIFORM2FPROC)gl_entries[18])
#define glVertexAttribIPointer ((PFNGLVERTEXATTRIBIPOINTERPROC)gl_entries[19])
#define glGenFramebuffers ((PFNGLGENFRAMEBUFFERSPROC)gl_entries[20])
#define glBindFramebuffer ((PFNGLBINDFRAMEBUFFERPROC)gl_entries[21])
#define glFramebufferTexture2D ((PFNGLFRAMEBUFFERTEXTURE2DPROC)gl_entries[22])
#define glActiveTexture ((PFNGLACTIVETEXTUREPROC)gl_entries[23])
#define glUniform1i ((PFNGLUNIFORM1IPROC)gl_entries[24])
#define glUniform3fv ((PFNGLUNIFORM3FVPROC)gl_entries[25])
#define glUniform4f ((PFNGLUNIFORM4FPROC)gl_entries[26])
#define glDeleteFramebuffers ((PFNGLDELETEFRAMEBUFFERSPROC)gl_entries[27])
#define glDeleteRenderbuffers ((PFNGLDELETERENDERBUFFERSPROC)gl_entries[28])
#define glGenRenderbuffers ((PFNGLGENRENDERBUFFERSPROC)gl_entries[29])
#define glBindRenderbuffer ((PFNGLBINDRENDERBUFFERPROC)gl_entries[30])
#define glRenderbufferStorage ((PFNGLRENDERBUFFERSTORAGEPROC)gl_entries[31])
#define glFramebufferRenderbuffer ((PFNGLFRAMEBUFFERRENDERBUFFERPROC)gl_entries[32])
#define glDrawElementsInstanced ((PFNGLDRAWELEMENTSINSTANCEDPROC)gl_entries[33])
