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

static payload_read_outcome read_open_payload(FILE* f, payload_file_read* r) {
    long long length = -1;
    if (fseek(f, 0, SEEK_END) == 0) length = ftello(f);
    if (length < 0) return payload_read_no_length;
    r->file_size = (uint64_t)length;
    if (length <= (long long)payload_trailer_size) return payload_read_too_short;
    uint8_t trailer[payload_trailer_size];
    if (fseeko(f, length - payload_trailer_size, SEEK_SET) != 0 || fread(trailer, 1, sizeof trailer, f) != sizeof trailer)
        return payload_read_no_trailer;
    switch (read_payload_trailer(trailer, (uint64_t)length, &r->payload_size)) {
    case trailer_fine: break;
    case trailer_no_magic: return payload_read_no_magic;
    case trailer_bad_size: return payload_read_bad_size;
    }
    uint32_t size = r->payload_size;
    r->buffer = (uint8_t*)malloc(size);
    if (!r->buffer) return payload_read_no_memory;
    if (fseeko(f, length - payload_trailer_size - (long long)size, SEEK_SET) == 0)
        r->got = (uint32_t)fread(r->buffer, 1, size, f);
    return r->got == size ? payload_read_ok : payload_read_short;
}

payload_file_read read_payload_file(const char* path) {
    payload_file_read r;
    FILE* f = open_regular_file(path, &r.why);
    if (!f) return r; // payload_read_cannot_open
    r.outcome = read_open_payload(f, &r);
    fclose(f);
    return r;
}

void load_show_payload_file(const char* path) {
    payload_loader_start();
    // Only a regular file: a FIFO or a device named by TAVRIN_SELF is no payload (the silent show).
    payload_file_read r = read_payload_file(path);
    if (r.outcome == payload_read_ok) {
        publish_payload(r.buffer, r.payload_size);
    } else if (r.outcome == payload_read_short) {
        payload = r.buffer; // kept, as the player keeps it; no tracks
        payload_bytes = 0;
    }
}
