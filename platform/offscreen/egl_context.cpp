#include "platform/offscreen/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "render/gl_api.h"

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;
EGLConfig chosen_config;
GLuint framebuffer, colour_buffer, depth_buffer;
EGLContext worker_context = EGL_NO_CONTEXT;
GLuint worker_framebuffer, worker_buffers[2];
} // namespace

void* offscreen_get_proc(const char* name) { return (void*)eglGetProcAddress(name); }

static bool fail(const char** why, const char* step) {
    if (why) *why = step;
    return false;
}

// A framebuffer object with RGBA8 colour and 24-bit depth renderbuffers, left bound. The
// worker's has the frames' formats: the driver's code for a program depends on them, not on
// the size.
static void make_framebuffer(GLuint* fb, GLuint* colour, GLuint* depth, int width, int height) {
    glGenFramebuffers(1, fb);
    glBindFramebuffer(GL_FRAMEBUFFER, *fb);
    glGenRenderbuffers(1, colour);
    glGenRenderbuffers(1, depth);
    glBindRenderbuffer(GL_RENDERBUFFER, *colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, *depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, *colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, *depth);
}

bool offscreen_open(int width, int height, const char** why) {
    auto get_platform_display =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    if (!get_platform_display) return fail(why, "eglGetPlatformDisplayEXT is missing");
    display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return fail(why, "no surfaceless EGL display");
    if (!eglInitialize(display, nullptr, nullptr)) return fail(why, "eglInitialize failed");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail(why, "eglBindAPI(EGL_OPENGL_API) failed");
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!eglChooseConfig(display, config_attributes, &config, 1, &configs) || configs < 1)
        return fail(why, "no EGL config for desktop GL");
    const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                         EGL_NONE};
    chosen_config = config;
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, context_attributes);
    if (context == EGL_NO_CONTEXT) return fail(why, "no GL 3.3 core context");
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return fail(why, "eglMakeCurrent failed");
    if (!gl_resolve(offscreen_get_proc)) return fail(why, "a GL entry point is missing");

    make_framebuffer(&framebuffer, &colour_buffer, &depth_buffer, width, height);
    auto status = (PFNGLCHECKFRAMEBUFFERSTATUSPROC)offscreen_get_proc("glCheckFramebufferStatus");
    if (!status || status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return fail(why, "framebuffer incomplete");
    glViewport(0, 0, width, height);
    return true;
}

bool offscreen_open_worker_context() {
    if (display == EGL_NO_DISPLAY || context == EGL_NO_CONTEXT) return false;
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    worker_context = eglCreateContext(display, chosen_config, context, attributes);
    return worker_context != EGL_NO_CONTEXT;
}

bool offscreen_bind_worker_context() {
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, worker_context)) return false;
    make_framebuffer(&worker_framebuffer, &worker_buffers[0], &worker_buffers[1], 16, 16);
    return true;
}

void offscreen_release_worker_context() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &worker_framebuffer);
    glDeleteRenderbuffers(2, worker_buffers);
    glFinish();
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void offscreen_close_worker_context() {
    if (worker_context != EGL_NO_CONTEXT) eglDestroyContext(display, worker_context);
    worker_context = EGL_NO_CONTEXT;
}

void offscreen_resize(int width, int height) {
    glBindRenderbuffer(GL_RENDERBUFFER, colour_buffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_buffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

unsigned offscreen_framebuffer() { return framebuffer; }

void offscreen_close() {
    if (display == EGL_NO_DISPLAY) return;
    if (framebuffer) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour_buffer);
        glDeleteRenderbuffers(1, &depth_buffer);
        framebuffer = colour_buffer = depth_buffer = 0;
    }
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    offscreen_close_worker_context();
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    eglTerminate(display);
    display = EGL_NO_DISPLAY;
    context = EGL_NO_CONTEXT;
}
