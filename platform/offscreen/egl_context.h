// An offscreen GL 3.3 core context without a display: Mesa's surfaceless EGL platform, drawing
// into a framebuffer object (RGBA8 colour and 24-bit depth renderbuffers). For the offscreen
// renderer and the GL tests.
#pragma once

// Creates the context, makes it current, resolves the GL entry-point table (render/gl_api.h)
// and binds a width x height framebuffer object for drawing and reading. False on any failure;
// *why (if given) then names the step that failed.
bool offscreen_open(int width, int height, const char** why);
// Re-makes the framebuffer's storage at a new size (same framebuffer object).
void offscreen_resize(int width, int height);
// The framebuffer object's name (bound while the context is open).
unsigned offscreen_framebuffer();
// The EGL lookup of GL functions, for gl_resolve and for extra functions the caller wants.
void* offscreen_get_proc(const char* name);
void offscreen_close();

// A second context sharing the first one's objects, for a worker thread (offscreen_open first).
bool offscreen_open_worker_context();
// On the worker thread: makes it current with a small framebuffer of the frames' formats bound.
bool offscreen_bind_worker_context();
// On the worker thread, when done: deletes that framebuffer and releases the context.
void offscreen_release_worker_context();
// Destroys the worker's context (its thread has released it).
void offscreen_close_worker_context();
