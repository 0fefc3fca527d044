#include "tools/media_out.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/le_bytes.h"

namespace fs = std::filesystem;

// --- Pictures and sound ---

bool write_all(int fd, const uint8_t* data, size_t bytes, const volatile sig_atomic_t* stop) {
    while (bytes) {
        ssize_t n = write(fd, data, bytes);
        if (n < 0 && errno == EINTR) {
            if (stop && *stop) return false;
            continue;
        }
        if (n <= 0) return false;
        data += n;
        bytes -= (size_t)n;
    }
    return true;
}

bool write_wav(int fd, uint32_t rate, const int16_t* pcm, int64_t pcm_frames, int64_t first, int64_t count) {
    const uint32_t data = (uint32_t)(2 * count);
    std::vector<uint8_t> b(44 + (size_t)data);
    uint8_t* h = b.data();
    memcpy(h, "RIFF", 4);
    write_u32_le(h + 4, 36 + data);
    memcpy(h + 8, "WAVEfmt ", 8);
    write_u32_le(h + 16, 16);           // the format chunk's size
    write_u32_le(h + 20, 1 | 1u << 16); // PCM, mono
    write_u32_le(h + 24, rate);
    write_u32_le(h + 28, rate * 2);     // bytes a second
    write_u32_le(h + 32, 2 | 16u << 16); // bytes a frame, bits a sample
    memcpy(h + 36, "data", 4);
    write_u32_le(h + 40, data);
    uint8_t* p = h + 44;
    for (int64_t i = 0; i < count; ++i, p += 2) {
        int64_t k = first + i;
        uint16_t s = (uint16_t)((pcm && k >= 0 && k < pcm_frames) ? pcm[k] : 0);
        p[0] = (uint8_t)s;
        p[1] = (uint8_t)(s >> 8);
    }
    return write_all(fd, b.data(), b.size());
}

// --- Files written whole or not at all ---

temp_files::~temp_files() { remove_all(); }

void temp_files::remove_all() {
    for (const std::string& p : paths)
        if (!p.empty()) unlink(p.c_str());
}

void temp_files::keep(const std::string& path) {
    for (std::string& q : paths)
        if (q == path) q.clear();
}

std::string system_temp_dir() {
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    return ec ? std::string("/tmp") : p.string();
}

int make_temp_file(const std::string& pattern, int suffix_length, std::string* path) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    int fd = mkstemps(name.data(), suffix_length);
    if (fd >= 0) *path = name.data();
    return fd;
}

std::string partial_path_beside(const std::string& final_path, const std::string& tag) {
    fs::path out = final_path;
    return (out.parent_path() / ("." + out.filename().string() + ".partial" + tag)).string();
}

int remove_stale_partial_files(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".partial-";
    DIR* d = opendir(dir.c_str());
    if (!d) return 0;
    int removed = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        // Only a regular file (never followed through a link, never waited on), and only one
        // that no running writer holds: a writer keeps its partial file locked until the rename.
        int fd = openat(dirfd(d), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            unlinkat(dirfd(d), name.c_str(), 0) == 0)
            ++removed;
        close(fd);
    }
    closedir(d);
    return removed;
}

bool write_file_replacing(const std::string& path, const std::vector<byte_span>& parts, unsigned mode,
                          std::string* error) {
    remove_stale_partial_files(path);
    std::string temp = path + ".partial-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        *error = "cannot create a file beside " + path + ": " + strerror(errno);
        return false;
    }
    // Held until the file is renamed: a later run removes the partial file only when no one
    // holds it, that is when the run that wrote it was killed.
    flock(fd, LOCK_EX);
    auto give_up = [&](const std::string& what) {
        *error = what + " " + name.data() + ": " + strerror(errno);
        close(fd);
        unlink(name.data());
        return false;
    };
    for (const byte_span& part : parts) {
        size_t done = 0;
        while (done < part.size) {
            ssize_t n = write(fd, part.data + done, part.size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return give_up("cannot write");
            done += (size_t)n;
        }
    }
    if (fchmod(fd, (mode_t)mode) != 0) return give_up("cannot set the permissions of");
    if (fsync(fd) != 0) return give_up("cannot write");
    // Renamed while still open and locked, so that no other run takes it for a stale one.
    if (rename(name.data(), path.c_str()) != 0) {
        *error = "cannot replace " + path + ": " + strerror(errno);
        close(fd);
        unlink(name.data());
        return false;
    }
    if (close(fd) != 0) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    return true;
}

// --- Other programs ---

std::string program_on_path(const char* name) {
    const char* path = getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        size_t colon = dirs.find(':', at);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(at, colon - at);
        std::string full = (dir.empty() ? std::string(".") : dir) + "/" + name;
        std::error_code ec;
        if (access(full.c_str(), X_OK) == 0 && fs::is_regular_file(full, ec)) return full;
        at = colon + 1;
    }
    return "";
}

std::string last_lines(const std::string& path, int lines) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "";
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    size_t at = text.size();
    for (int k = 0; k < lines && at != std::string::npos && at > 0; ++k) at = text.rfind('\n', at - 1);
    return at == std::string::npos || at == 0 ? text : text.substr(at + 1);
}

namespace {

std::vector<char*> argv_of(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

bool run_collecting(const std::string& program, const std::vector<std::string>& args, std::vector<uint8_t>* out,
                    std::string* messages, int* status, std::string* why) {
    std::vector<std::string> child_args = args;
    std::vector<char*> argv = argv_of(child_args); // made before the fork: the child allocates nothing
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) != 0) {
        *why = strerror(errno);
        return false;
    }
    if (pipe(err_pipe) != 0) {
        *why = strerror(errno);
        close(out_pipe[0]);
        close(out_pipe[1]);
        return false;
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        int null_in = open("/dev/null", O_RDONLY);
        if (null_in >= 0) dup2(null_in, 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (child < 0) {
        *why = strerror(errno);
        close(out_pipe[0]);
        close(err_pipe[0]);
        return false;
    }
    uint8_t buffer[65536];
    bool out_open = true, err_open = true;
    while (out_open || err_open) {
        struct pollfd fds[2] = {{out_open ? out_pipe[0] : -1, POLLIN, 0}, {err_open ? err_pipe[0] : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                (k == 0 ? out_open : err_open) = false;
            } else if (k == 0) {
                out->insert(out->end(), buffer, buffer + got);
            } else if (messages->size() < 4096) {
                messages->append((const char*)buffer, (size_t)got);
            }
        }
    }
    close(out_pipe[0]);
    close(err_pipe[0]);
    *status = 0;
    while (waitpid(child, status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

bool start_video_encoder(const std::string& ffmpeg, int w, int h, int fps, const std::string& wav,
                         const std::string& extension, const std::string& out_path, temp_files* temps,
                         video_encoder* v, std::string* error) {
    int log_fd = make_temp_file(system_temp_dir() + "/tavrin-ffmpeg-XXXXXX.log", 4, &v->log_path);
    if (log_fd < 0) {
        *error = std::string("cannot make a temporary file: ") + strerror(errno);
        return false;
    }
    temps->paths.push_back(v->log_path);

    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgb24",
                                     "-video_size", std::to_string(w) + "x" + std::to_string(h),
                                     "-framerate", std::to_string(fps), "-i", "pipe:3",
                                     "-i", wav, "-map", "0:v:0", "-map", "1:a:0",
                                     // the frames arrive bottom row first, as GL reads them
                                     "-vf", "vflip"};
    if (extension == ".webm") {
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline", "realtime",
                                 "-cpu-used", "8", "-row-mt", "1", "-pix_fmt", "yuv420p",
                                 "-c:a", "libopus", "-b:a", "96k", "-ar", "48000", "-f", "webm"});
    } else {
        // superfast: on two cores the encoder takes about a third less time than with veryfast,
        // at the same quality (crf 20) in a file about half as large again
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "superfast", "-crf", "20", "-pix_fmt", "yuv420p"});
        if (extension == ".mp4")
            args.insert(args.end(), {"-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart", "-f", "mp4"});
        else // the music exactly as the player plays it
            args.insert(args.end(), {"-c:a", "flac", "-f", "matroska"});
    }
    args.push_back(out_path);
    std::vector<char*> argv = argv_of(args);

    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + strerror(errno);
        close(log_fd);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        *error = std::string("cannot start ffmpeg: ") + strerror(errno);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        close(log_fd);
        return false;
    }
    if (child == 0) {
        // The frames arrive on descriptor 3; stdin and stdout are /dev/null, stderr the log.
        // The standard descriptors first: the log may itself be descriptor 3.
        int null_fd = open("/dev/null", O_RDWR);
        dup2(log_fd, 2);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        if (pipe_fds[0] == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(pipe_fds[0], 3);
        execv(ffmpeg.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[0]);
    close(log_fd);
    v->program = ffmpeg;
    v->child = child;
    v->frames_fd = pipe_fds[1];
    return true;
}

bool finish_video_encoder(video_encoder* v, bool abandon, std::string* why) {
    if (abandon) kill(v->child, SIGTERM);
    close(v->frames_fd);
    v->frames_fd = -1;
    int status = 0;
    while (waitpid(v->child, &status, 0) < 0 && errno == EINTR) {
    }
    v->child = -1;
    if (!abandon && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    *why = last_lines(v->log_path, 12);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && why->empty()) *why = "could not run " + v->program;
    return false;
}
