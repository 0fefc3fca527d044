#include "platform/payload_file.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "core/payload.h"

#ifndef _WIN32
static const char* not_regular_why(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a regular file";
#ifdef S_ISFIFO
    if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
#endif
#ifdef S_ISSOCK
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
#endif
    if (S_ISCHR(mode)) return "it is a character device, not a regular file";
#ifdef S_ISBLK
    if (S_ISBLK(mode)) return "it is a block device, not a regular file";
#endif
    return "it is not a regular file";
}
#endif

FILE* open_regular_file(const char* path, const char** why) {
    const char* ignored;
    if (!why) why = &ignored;
    *why = nullptr;
#ifdef _WIN32
    FILE* f = fopen(path, "rb");
    if (!f) {
        *why = strerror(errno);
        return nullptr;
    }
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        *why = "it is not a regular file";
        fclose(f);
        return nullptr;
    }
    return f;
#else
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        *why = strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = not_regular_why(st.st_mode);
        close(fd);
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        *why = strerror(errno);
        close(fd);
    }
    return f;
#endif
}

void load_show_payload_file(const char* path) {
    payload_loader_start();
    // Only a regular file: a FIFO or a device named by TAVRIN_SELF is no payload (the silent show).
    FILE* f = open_regular_file(path);
    if (!f) return;
    uint8_t trailer[12];
    uint32_t size = 0;
    long long length = -1;
    if (fseek(f, 0, SEEK_END) == 0) length = ftello(f);
    if (length > 12 && fseeko(f, length - 12, SEEK_SET) == 0 && fread(trailer, 1, 12, f) == 12 &&
        check_payload_trailer(trailer, (uint64_t)length, &size)) {
        uint8_t* buffer = (uint8_t*)malloc(size);
        if (buffer) {
            if (fseeko(f, length - 12 - (long long)size, SEEK_SET) == 0 && fread(buffer, 1, size, f) == size) {
                publish_payload(buffer, size);
            } else {
                payload = buffer; // kept, as the player keeps it; no tracks
                payload_bytes = 0;
            }
        }
    }
    fclose(f);
}
