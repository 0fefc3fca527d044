#include "platform/linux/linux_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

// libasound is opened at run time; these are the few of its declarations the player needs.
typedef int (*snd_pcm_open_fn)(void** pcm, const char* name, int stream, int mode);
typedef int (*snd_pcm_set_params_fn)(void* pcm, int format, int access, unsigned int channels, unsigned int rate,
                                     int soft_resample, unsigned int latency_us);
typedef long (*snd_pcm_writei_fn)(void* pcm, const void* buffer, unsigned long frames);
typedef void (*snd_error_handler)(const char* file, int line, const char* function, int err, const char* fmt, ...);
typedef int (*snd_lib_error_set_handler_fn)(snd_error_handler handler);

enum : int {
    snd_pcm_stream_playback = 0,
    snd_pcm_format_s16_le = 2,
    snd_pcm_access_rw_interleaved = 3,
};
enum : uint32_t {
    audio_latency_us = 100000,
    audio_block_frames = 1024,
};

struct platform_state {
    Display* display;
    Window window;
    XVisualInfo* visual;
    GLXContext context;
    int32_t width;
    int32_t height;
    timeval epoch;
    bool gl_33;
};
platform_state platform = {nullptr, 0, nullptr, nullptr, 1920, 1080, {0, 0}, false};

// The thread that readies the GL programs, with its own context and a small window that is
// never shown.
struct gl_worker_state {
    GLXContext context;
    Window window;
    pthread_t thread;
    bool started;
    void (*job)();
    void (*failed)();
};
gl_worker_state gl_worker = {nullptr, 0, {}, false, nullptr, nullptr};

void* gl_worker_main(void*) {
    if (!glXMakeCurrent(platform.display, gl_worker.window, gl_worker.context)) {
        gl_worker.failed();
        return nullptr;
    }
    gl_worker.job();
    glXMakeCurrent(platform.display, None, nullptr);
    return nullptr;
}

// Shared with the writer thread: everything but frames_written is fixed before it starts.
struct audio_output {
    void* pcm_handle;
    snd_pcm_writei_fn writei;
    const int16_t* samples;
    uint32_t frames_total;
    std::atomic<uint32_t> frames_written; // written by the writer thread only
    std::atomic<uint32_t> running;
    float start;
};
audio_output audio_out = {nullptr, nullptr, nullptr, 0, {0}, {0}, 0.0f};

void alsa_quiet(const char*, int, const char*, int, const char*, ...) {}

void* audio_writer(void*) {
    uint32_t done = audio_out.frames_written.load(std::memory_order_relaxed);
    while (done < audio_out.frames_total) {
        uint32_t n = audio_out.frames_total - done;
        if (n > audio_block_frames) n = audio_block_frames;
        long r = audio_out.writei(audio_out.pcm_handle, audio_out.samples + done, n);
        if (r < 0) return nullptr; // no recovery: the rest stays silent, the picture goes on
        done += (uint32_t)r;
        audio_out.frames_written.store(done, std::memory_order_relaxed);
    }
    return nullptr;
}

// "M.m..." at the start of GL_VERSION, at least 3.3.
bool version_at_least_33(const char* v) {
    if (!v) return false;
    int major = 0, minor = 0;
    while (*v >= '0' && *v <= '9') major = major * 10 + (*v++ - '0');
    if (*v++ != '.') return false;
    while (*v >= '0' && *v <= '9') minor = minor * 10 + (*v++ - '0');
    return major > 3 || (major == 3 && minor >= 3);
}

} // namespace

int linux_open_window(int32_t* width, int32_t* height) {
    // A second thread draws through the same display connection (linux_start_gl_worker).
    XInitThreads();
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    platform.display = d;
    int screen = DefaultScreen(d);
    Window root = RootWindow(d, screen);
    platform.width = DisplayWidth(d, screen);
    platform.height = DisplayHeight(d, screen);

    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 24, 0};
    XVisualInfo* visual = glXChooseVisual(d, 0, attributes);
    if (!visual) return 1;

    XSetWindowAttributes wa = {};
    wa.border_pixel = 0;
    wa.override_redirect = True;
    wa.event_mask = KeyPressMask | ButtonPressMask;
    wa.colormap = XCreateColormap(d, root, visual->visual, AllocNone);
    platform.window = XCreateWindow(d, root, 0, 0, (unsigned)platform.width, (unsigned)platform.height, 0,
                                    visual->depth, InputOutput, visual->visual,
                                    CWBorderPixel | CWOverrideRedirect | CWEventMask | CWColormap, &wa);
    XMapRaised(d, platform.window);
    XGrabKeyboard(d, platform.window, True, GrabModeAsync, GrabModeAsync, CurrentTime);

    GLXContext context = glXCreateContext(d, visual, nullptr, True);
    glXMakeCurrent(d, platform.window, context);
    platform.visual = visual;
    platform.context = context;
    gettimeofday(&platform.epoch, nullptr);
    platform.gl_33 = version_at_least_33((const char*)glGetString(GL_VERSION));

    *width = platform.width;
    *height = platform.height;
    return 0;
}

void* linux_gl_proc(const char* name) {
    if (!platform.gl_33) return nullptr;
    return (void*)glXGetProcAddress((const GLubyte*)name);
}

float linux_now_seconds() {
    timeval now;
    gettimeofday(&now, nullptr);
    float micro = (float)(now.tv_usec - platform.epoch.tv_usec) * 1e-6f;
    float whole = (float)(now.tv_sec - platform.epoch.tv_sec);
    return micro + whole;
}

void linux_wall_clock(uint32_t* seconds, uint32_t* microseconds) {
    timeval now;
    gettimeofday(&now, nullptr);
    *seconds = (uint32_t)now.tv_sec;
    *microseconds = (uint32_t)now.tv_usec;
}

size_t linux_read_cmdline(char* bytes, size_t capacity) {
    int fd = open("/proc/self/cmdline", O_RDONLY);
    if (fd < 0) return 0;
    size_t got = 0;
    while (got < capacity) {
        ssize_t r = read(fd, bytes + got, capacity - got);
        if (r <= 0) break;
        got += (size_t)r;
    }
    close(fd);
    return got;
}

void linux_start_audio(const int16_t* pcm, uint32_t frames, uint32_t sample_rate) {
    if (!pcm) return;
    void* lib = dlopen("libasound.so.2", RTLD_LAZY);
    if (!lib) return;
    // libasound reports its own failures on stderr unless given a handler; the player prints nothing.
    snd_lib_error_set_handler_fn set_handler = (snd_lib_error_set_handler_fn)dlsym(lib, "snd_lib_error_set_handler");
    if (set_handler) set_handler(alsa_quiet);
    snd_pcm_open_fn pcm_open = (snd_pcm_open_fn)dlsym(lib, "snd_pcm_open");
    snd_pcm_set_params_fn set_params = (snd_pcm_set_params_fn)dlsym(lib, "snd_pcm_set_params");
    snd_pcm_writei_fn writei = (snd_pcm_writei_fn)dlsym(lib, "snd_pcm_writei");
    if (!pcm_open || !set_params || !writei) return;

    void* handle = nullptr;
    if (pcm_open(&handle, "default", snd_pcm_stream_playback, 0) < 0) return;
    if (set_params(handle, snd_pcm_format_s16_le, snd_pcm_access_rw_interleaved, 1, sample_rate, 1,
                   audio_latency_us) < 0)
        return;

    audio_out.pcm_handle = handle;
    audio_out.writei = writei;
    audio_out.samples = pcm;
    audio_out.frames_total = frames;
    audio_out.frames_written.store(0, std::memory_order_relaxed);
    pthread_t thread;
    pthread_create(&thread, nullptr, audio_writer, nullptr);
    audio_out.running.store(1, std::memory_order_relaxed);
    audio_out.start = linux_now_seconds();
}

linux_audio_clock linux_audio_position() {
    linux_audio_clock c;
    c.running = audio_out.running.load(std::memory_order_relaxed) != 0;
    c.start = audio_out.start;
    c.frames_written = audio_out.frames_written.load(std::memory_order_relaxed);
    c.frames_total = audio_out.frames_total;
    return c;
}

bool linux_poll_events() {
    while (XPending(platform.display)) {
        XEvent e;
        XNextEvent(platform.display, &e);
        if (e.type == KeyPress || e.type == ButtonPress) return false;
    }
    return true;
}

void linux_present() { glXSwapBuffers(platform.display, platform.window); }

bool linux_start_gl_worker(void (*job)(), void (*failed)()) {
    if (!platform.display || !platform.context || gl_worker.started) return false;
    Display* d = platform.display;
    gl_worker.context = glXCreateContext(d, platform.visual, platform.context, True);
    if (!gl_worker.context) return false;
    // the visual of the player's window: the same colour and depth formats
    XSetWindowAttributes wa = {};
    wa.colormap = XCreateColormap(d, RootWindow(d, platform.visual->screen), platform.visual->visual, AllocNone);
    gl_worker.window = XCreateWindow(d, RootWindow(d, platform.visual->screen), 0, 0, 16, 16, 0, platform.visual->depth,
                                     InputOutput, platform.visual->visual, CWColormap, &wa);
    gl_worker.job = job;
    gl_worker.failed = failed;
    if (pthread_create(&gl_worker.thread, nullptr, gl_worker_main, nullptr) != 0) return false;
    gl_worker.started = true;
    return true;
}

void linux_join_gl_worker() {
    if (!gl_worker.started) return;
    pthread_join(gl_worker.thread, nullptr);
    gl_worker.started = false;
}

void linux_exit(int status) {
    audio_out.running.store(0, std::memory_order_relaxed);
    _exit(status);
}
