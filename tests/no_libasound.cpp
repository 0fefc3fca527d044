// Preloaded into the player by its end-to-end tests: dlopen of libasound fails, as on a system
// without ALSA. Every other library loads as usual. Each refusal is noted in FAKE_ALSA_LOG.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern "C" void* dlopen(const char* file, int mode) {
    typedef void* (*dlopen_fn)(const char*, int);
    static dlopen_fn real = (dlopen_fn)dlsym(RTLD_NEXT, "dlopen");
    if (file && strstr(file, "libasound")) {
        const char* log = getenv("FAKE_ALSA_LOG");
        if (log) {
            int fd = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                static const char line[] = "refused\n";
                ssize_t w = write(fd, line, sizeof line - 1);
                (void)w;
                close(fd);
            }
        }
        return nullptr;
    }
    return real ? real(file, mode) : nullptr;
}
