// A stand-in for libasound.so.2 for the player's end-to-end tests, found first through
// LD_LIBRARY_PATH. It records what the player asks of ALSA and the samples it hands over, and
// can behave like a real device (writes block while its 0.1 s buffer is full) or fail.
//
//   FAKE_ALSA_LOG         text log: "loaded", "handler", "open NAME STREAM MODE",
//                         "params FORMAT ACCESS CHANNELS RATE SOFT_RESAMPLE LATENCY", "write N"
//   FAKE_ALSA_PCM         raw file that receives every sample accepted
//   FAKE_ALSA_PACED       "1": accept samples at the device's rate, as a sound card would
//   FAKE_ALSA_FAIL_AFTER  number of frames after which every write fails (-EPIPE)
//   FAKE_ALSA_OPEN_DELAY_MS  opening the device takes this long (a slow start-up)
//
// Built twice: once complete, once without snd_pcm_writei (FAKE_ALSA_NO_WRITEI).
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace {

struct device {
    unsigned rate;
    unsigned long accepted;
    bool started;
    timespec first_write;
};
device dev;

void log_line(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void log_line(const char* fmt, ...) {
    const char* path = getenv("FAKE_ALSA_LOG");
    if (!path) return;
    char line[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line - 1, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    if (n > (int)sizeof line - 2) n = (int)sizeof line - 2;
    line[n++] = '\n';
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    ssize_t w = write(fd, line, (size_t)n);
    (void)w;
    close(fd);
}

[[maybe_unused]] double seconds_since(const timespec& t0) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - t0.tv_sec) + (double)(now.tv_nsec - t0.tv_nsec) * 1e-9;
}

__attribute__((constructor)) void loaded() { log_line("loaded"); }

} // namespace

extern "C" {

typedef void (*snd_lib_error_handler_t)(const char*, int, const char*, int, const char*, ...);

int snd_lib_error_set_handler(snd_lib_error_handler_t) {
    log_line("handler");
    return 0;
}

int snd_pcm_open(void** pcm, const char* name, int stream, int mode) {
    log_line("open %s %d %d", name ? name : "(null)", stream, mode);
    const char* delay = getenv("FAKE_ALSA_OPEN_DELAY_MS");
    if (delay) usleep((useconds_t)strtoul(delay, nullptr, 10) * 1000);
    *pcm = &dev;
    return 0;
}

int snd_pcm_set_params(void*, int format, int access, unsigned channels, unsigned rate, int soft_resample,
                       unsigned latency) {
    log_line("params %d %d %u %u %d %u", format, access, channels, rate, soft_resample, latency);
    dev.rate = rate;
    return 0;
}

#ifndef FAKE_ALSA_NO_WRITEI
long snd_pcm_writei(void*, const void* buffer, unsigned long frames) {
    log_line("write %lu", frames);
    const char* fail = getenv("FAKE_ALSA_FAIL_AFTER");
    if (fail && dev.accepted >= strtoul(fail, nullptr, 10)) return -EPIPE;

    const char* paced = getenv("FAKE_ALSA_PACED");
    if (paced && !strcmp(paced, "1") && dev.rate > 0) {
        if (!dev.started) {
            clock_gettime(CLOCK_MONOTONIC, &dev.first_write);
            dev.started = true;
        }
        // The device plays from the first write on and holds 0.1 s: wait until it has room.
        double buffer_frames = dev.rate / 10.0;
        for (;;) {
            double played = seconds_since(dev.first_write) * dev.rate;
            double queued = (double)(dev.accepted + frames) - played;
            if (queued <= buffer_frames) break;
            usleep((useconds_t)((queued - buffer_frames) / dev.rate * 1e6) + 100);
        }
    }

    const char* path = getenv("FAKE_ALSA_PCM");
    if (path) {
        int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            ssize_t w = write(fd, buffer, frames * 2);
            (void)w;
            close(fd);
        }
    }
    dev.accepted += frames;
    return (long)frames;
}
#endif
}
