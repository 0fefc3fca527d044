#include "tools/render.h"

#include "tools/cli.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <png.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/decode.h"
#include "core/payload.h"
#include "tools/payload_lookup.h"
#include "core/rng.h"
#include "core/show.h"
#include "platform/linux/linux_rules.h"
#include "platform/offscreen/offscreen_player.h"
#include "platform/payload_file.h"
#include "render/gl_api.h"

namespace fs = std::filesystem;

const char* const render_usage =
    "usage: tavrin render SEED [--payload FILE | --no-payload] [--size WxH] --at T1,T2,... -o DIR\n"
    "       tavrin render SEED [--payload FILE | --no-payload] [--size WxH] [--fps N] [--from S] [--to S]\n"
    "                     -o FILE.mp4|.mkv|.webm\n"
    "\n"
    "Draws the show of SEED without a display (EGL, Mesa's surfaceless platform) with the\n"
    "player's own start-up sequence and frame code, at show times you choose.\n"
    "\n"
    "With --at, writes one PNG per time into DIR (made when missing), named\n"
    "frame-0001-12.500s.png, frame-0002-... in the order the times are given. A frame that\n"
    "plays the echo effect is drawn after the second of frames that leads to it, so that its\n"
    "trail looks as it does in playback.\n"
    "\n"
    "With an output ending in .mp4, .mkv or .webm, renders every frame from --from to --to\n"
    "in order and hands them, with the show's music for the same stretch, to the ffmpeg\n"
    "program: H.264 with AAC for .mp4, H.264 with lossless FLAC for .mkv, VP9 with Opus for\n"
    ".webm. The file appears only once ffmpeg has finished it; on any failure it is left as\n"
    "it was.\n"
    "\n"
    "  SEED             decimal number, taken modulo 2^32 as the player takes it\n"
    "  --payload FILE   read the show payload from FILE (a player or payload file that\n"
    "                   `tavrin pack` wrote; a file without one is an error)\n"
    "  --no-payload     the silent 16-second show that the player runs without music\n"
    "                   Without either: the file named by TAVRIN_SELF, else\n"
    "                   default-show.tavrin beside this tool (the build's default show),\n"
    "                   else the silent show; `tavrin describe` finds it the same way.\n"
    "  --size WxH       picture size in pixels, 8 to 8192 each (default 1280x720; even\n"
    "                   numbers for a video)\n"
    "  --at T1,T2,...   show times in seconds, from 0 to the end of the show\n"
    "  --fps N          frames per second of the video, 1 to 240 (default 30); also the rate\n"
    "                   of the second of frames drawn before an echo frame\n"
    "  --from S         show time of the video's first frame in seconds (default 0)\n"
    "  --to S           show time where the video ends (default: the end of the music)\n"
    "  -o PATH          the directory for PNG frames, or the video file\n"
    "  --quiet          no progress on stderr\n"
    "\n"
    "The PNG paths, or the video's, are printed on stdout. Exit status: 0 when everything\n"
    "was written, 1 when rendering or writing failed, 2 for bad usage.\n";

namespace {

volatile sig_atomic_t interrupted = 0;
void on_signal(int) { interrupted = 1; }

bool is_video_path(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm";
}

std::string seconds_text(double s) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.3f", s);
    return buf;
}

// Progress on stderr: a bar redrawn in place on a terminal, a line every tenth otherwise.
struct progress_bar {
    bool on = false;
    bool tty = false;
    int64_t total = 0;
    int last_tenth = -1;
    std::chrono::steady_clock::time_point start, last_draw;

    void begin(bool enabled, int64_t count) {
        on = enabled;
        tty = isatty(2);
        total = count;
        start = last_draw = std::chrono::steady_clock::now();
    }
    void update(int64_t done, bool force = false) {
        if (!on) return;
        auto now = std::chrono::steady_clock::now();
        double elapsed = std::chrono::duration<double>(now - start).count();
        int tenth = total ? (int)(10 * done / total) : 10;
        if (tty) {
            if (!force && std::chrono::duration<double>(now - last_draw).count() < 0.2) return;
        } else if (!force && tenth == last_tenth) {
            return;
        }
        last_draw = now;
        last_tenth = tenth;
        double rate = elapsed > 0 ? done / elapsed : 0;
        double left = rate > 0 ? (total - done) / rate : 0;
        const int width = 30;
        int filled = total ? (int)(width * done / total) : width;
        std::string bar(filled, '#');
        bar += std::string(width - filled, '-');
        int minutes = (int)(left / 60), seconds = (int)fmod(left, 60.0);
        fprintf(stderr, "%s[%s] %lld/%lld frames  %.1f fps  %d:%02d left%s", tty ? "\r" : "", bar.c_str(),
                (long long)done, (long long)total, rate, minutes, seconds, tty ? "  " : "\n");
        fflush(stderr);
    }
    void end() {
        if (on && tty) fputc('\n', stderr);
    }
};

// PNG writing with libpng; the setjmp error path keeps no C++ objects alive.
bool write_png(const char* path, const uint8_t* rgb, int w, int h) {
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, (png_const_bytep)(rgb + (size_t)y * 3 * (size_t)w));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

void put_u16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
void put_u32(std::vector<uint8_t>& b, uint32_t v) {
    put_u16(b, v & 0xFFFF);
    put_u16(b, v >> 16);
}

// A mono 16-bit WAV of `count` samples of the PCM buffer from sample `first` on (silence
// where the buffer has none).
bool write_wav(int fd, uint32_t rate, int64_t first, int64_t count) {
    std::vector<uint8_t> b;
    uint32_t data = (uint32_t)(2 * count);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put_u32(b, 36 + data);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_u32(b, 16);
    put_u16(b, 1); // PCM
    put_u16(b, 1); // mono
    put_u32(b, rate);
    put_u32(b, rate * 2);
    put_u16(b, 2);
    put_u16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put_u32(b, data);
    for (int64_t i = 0; i < count; ++i) {
        int64_t k = first + i;
        int16_t s = (pcm_buffer && k >= 0 && k < (int64_t)frames_total) ? pcm_buffer[k] : 0;
        put_u16(b, (uint16_t)s);
    }
    size_t done = 0;
    while (done < b.size()) {
        ssize_t n = write(fd, b.data() + done, b.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

bool write_all(int fd, const uint8_t* data, size_t bytes) {
    while (bytes) {
        ssize_t n = write(fd, data, bytes);
        if (n < 0 && errno == EINTR) {
            if (interrupted) return false;
            continue;
        }
        if (n <= 0) return false;
        data += n;
        bytes -= (size_t)n;
    }
    return true;
}

std::string find_on_path(const char* name) {
    const char* path = getenv("PATH");
    if (!path) return "";
    std::string all = path;
    size_t i = 0;
    while (i <= all.size()) {
        size_t j = all.find(':', i);
        if (j == std::string::npos) j = all.size();
        // An empty entry is the current directory.
        std::string candidate = j > i ? all.substr(i, j - i) : std::string(1, '.');
        candidate += '/';
        candidate += name;
        if (access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate)) return candidate;
        i = j + 1;
    }
    return "";
}

// The last lines of a file, for ffmpeg's messages.
std::string tail_of(const std::string& path, int lines) {
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

// Temporary files removed when the command ends, whatever happens.
struct temp_files {
    std::vector<std::string> paths;
    ~temp_files() {
        for (const std::string& p : paths) unlink(p.c_str());
    }
    void keep(const std::string& p) {
        for (std::string& q : paths)
            if (q == p) q.clear();
    }
};

std::string temp_dir() {
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    return ec ? std::string("/tmp") : p.string();
}

int make_temp(const std::string& pattern, int suffix, std::string* path) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    int fd = mkstemps(name.data(), suffix);
    if (fd >= 0) *path = name.data();
    return fd;
}

int error(const std::string& message, int status = 1) {
    fprintf(stderr, "tavrin render: %s\n", message.c_str());
    return status;
}

// Starts the show; returns 0 or an exit status after saying why.
int start_show(const render_options& o, const std::string& payload_path) {
    if (!o.quiet)
        fprintf(stderr, "tavrin render: seed %u at %dx%d, %s\n", o.seed, o.width, o.height,
                payload_path.empty() ? "no payload (the silent default show)" : ("payload " + payload_path).c_str());
    const char* why = nullptr;
    int status = offscreen_start(o.seed, payload_path.empty() ? nullptr : payload_path.c_str(), o.width, o.height, &why);
    if (status != offscreen_ok)
        return error(std::string("no offscreen OpenGL 3.3 core context: ") + (why ? why : "unknown failure"));
    if (!payload_path.empty() && track_count == 0)
        fprintf(stderr, "tavrin render: %s carries no usable show payload; rendering the silent default show\n",
                payload_path.c_str());
    else if (chosen_track >= 0 && !pcm_buffer)
        fprintf(stderr, "tavrin render: track %d could not be decoded; the show is silent\n", chosen_track);
    if (!o.quiet && chosen_track >= 0)
        fprintf(stderr, "tavrin render: track %d, %.2f s of music at %.1f bpm\n", chosen_track,
                (double)show.show_length, (double)show.beats_per_second * 60.0);
    return 0;
}

// The last show time the player draws.
double show_end() { return (double)show.show_length + 0.3; }

int render_pngs(const render_options& o) {
    for (double t : o.at)
        if (t > show_end())
            return error("time " + seconds_text(t) + " is past the end of the show (" + seconds_text(show_end()) + " s)", 2);

    std::vector<uint8_t> rgb((size_t)o.width * (size_t)o.height * 3);
    fs::path dir = o.output;
    std::error_code ec;
    bool made_dir = false;
    if (!fs::exists(dir, ec)) {
        if (!fs::create_directories(dir, ec)) return error("cannot make the directory " + o.output + ": " + ec.message());
        made_dir = true;
    }
    int digits = 4;
    for (size_t n = o.at.size(); n >= 10000; n /= 10) ++digits;

    temp_files temps;
    std::vector<std::pair<std::string, std::string>> files; // temporary, final
    progress_bar progress;
    progress.begin(!o.quiet, (int64_t)o.at.size());
    for (size_t i = 0; i < o.at.size() && !interrupted; ++i) {
        std::string number = std::to_string(i + 1);
        std::string name = "frame-";
        name.append(number.size() < (size_t)digits ? digits - number.size() : 0, '0');
        name += number;
        name += '-';
        name += seconds_text(o.at[i]);
        name += "s.png";
        std::string hidden = ".";
        hidden += name;
        hidden += ".partial";
        std::string final_path = (dir / name).string();
        std::string temp_path = (dir / hidden).string();
        temps.paths.push_back(temp_path);
        offscreen_frame_alone((float)o.at[i], o.fps);
        offscreen_read_rgb(rgb.data());
        if (!write_png(temp_path.c_str(), rgb.data(), o.width, o.height)) {
            progress.end();
            int e = errno;
            if (made_dir) {
                for (const std::string& p : temps.paths) unlink(p.c_str());
                fs::remove(dir, ec);
            }
            return error("cannot write " + temp_path + ": " + strerror(e));
        }
        files.push_back({temp_path, final_path});
        progress.update((int64_t)i + 1, i + 1 == o.at.size());
    }
    progress.end();
    if (interrupted) {
        for (const std::string& p : temps.paths) unlink(p.c_str());
        if (made_dir) fs::remove(dir, ec);
        return error("interrupted; nothing written", 130);
    }
    for (auto& f : files) {
        if (rename(f.first.c_str(), f.second.c_str()) != 0) return error("cannot rename to " + f.second + ": " + strerror(errno));
        temps.keep(f.first);
        printf("%s\n", f.second.c_str());
    }
    if (!o.quiet) fprintf(stderr, "tavrin render: wrote %zu frame%s into %s\n", files.size(), files.size() == 1 ? "" : "s", o.output.c_str());
    return 0;
}

// Hands the video's frames to ffmpeg from a second thread, so that the next frame is drawn
// while the last one is written: two frame buffers, one filled by the drawing thread while the
// other is written.
class frame_writer {
  public:
    frame_writer(int fd, size_t bytes) : fd_(fd) {
        for (auto& b : buffers_) b.resize(bytes);
        thread_ = std::thread([this] { run(); });
    }
    ~frame_writer() { finish(); }
    // The buffer for the next frame, once the writer is done with it; null after a failed write.
    uint8_t* next_buffer() {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return queued_ - written_ < 2 || failed_; });
        return failed_ ? nullptr : buffers_[queued_ % 2].data();
    }
    // The buffer from next_buffer holds a frame: write it.
    void hand_over() {
        std::lock_guard<std::mutex> lock(m_);
        ++queued_;
        cv_.notify_all();
    }
    // Waits until every frame handed over is written (or a write failed); false after a failure.
    bool finish() {
        {
            std::lock_guard<std::mutex> lock(m_);
            done_ = true;
            cv_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
        return !failed_;
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            cv_.wait(lock, [&] { return written_ < queued_ || done_; });
            if (written_ == queued_) return;
            std::vector<uint8_t>& b = buffers_[written_ % 2];
            lock.unlock();
            bool ok = write_all(fd_, b.data(), b.size());
            lock.lock();
            if (!ok) {
                failed_ = true;
                cv_.notify_all();
                return;
            }
            ++written_;
            cv_.notify_all();
        }
    }
    int fd_;
    std::vector<uint8_t> buffers_[2];
    std::mutex m_;
    std::condition_variable cv_;
    int64_t queued_ = 0, written_ = 0;
    bool failed_ = false, done_ = false;
    std::thread thread_;
};

int render_video(const render_options& o, const std::string& ffmpeg) {
    double to = o.to < 0 ? (double)show.show_length : o.to;
    if (to > show_end())
        return error("--to " + seconds_text(to) + " is past the end of the show (" + seconds_text(show_end()) + " s)", 2);
    if (o.from >= to)
        return error("--from " + seconds_text(o.from) + " is not before the end of the video (" + seconds_text(to) + " s)", 2);
    int64_t count = llround((to - o.from) * o.fps);
    if (count < 1) count = 1;

    // The music of the same stretch, sample for sample from the PCM buffer.
    uint32_t rate = offscreen_sample_rate() ? offscreen_sample_rate() : 22050;
    temp_files temps;
    std::string wav, log;
    int wav_fd = make_temp(temp_dir() + "/tavrin-audio-XXXXXX.wav", 4, &wav);
    if (wav_fd < 0) return error(std::string("cannot make a temporary file: ") + strerror(errno));
    temps.paths.push_back(wav);
    bool wav_ok = write_wav(wav_fd, rate, llround(o.from * rate), llround((double)count * rate / o.fps));
    close(wav_fd);
    if (!wav_ok) return error("cannot write " + wav + ": " + strerror(errno));
    int log_fd = make_temp(temp_dir() + "/tavrin-ffmpeg-XXXXXX.log", 4, &log);
    if (log_fd < 0) return error(std::string("cannot make a temporary file: ") + strerror(errno));
    temps.paths.push_back(log);

    // ffmpeg writes a hidden file beside the output, renamed once it is complete.
    fs::path out = o.output;
    std::string ext = out.extension().string();
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    std::string hidden = ".";
    hidden += out.filename().string();
    hidden += ".partial-";
    hidden += std::to_string(getpid());
    std::string partial = (out.parent_path() / hidden).string();
    temps.paths.push_back(partial);

    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgb24",
                                     "-video_size", std::to_string(o.width) + "x" + std::to_string(o.height),
                                     "-framerate", std::to_string(o.fps), "-i", "pipe:3",
                                     "-i", wav, "-map", "0:v:0", "-map", "1:a:0",
                                     // the frames arrive bottom row first, as GL reads them
                                     "-vf", "vflip"};
    if (ext == ".webm") {
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline", "realtime",
                                 "-cpu-used", "8", "-row-mt", "1", "-pix_fmt", "yuv420p",
                                 "-c:a", "libopus", "-b:a", "96k", "-ar", "48000", "-f", "webm"});
    } else {
        // superfast: on two cores the encoder takes about a third less time than with veryfast,
        // at the same quality (crf 20) in a file about half as large again
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "superfast", "-crf", "20", "-pix_fmt", "yuv420p"});
        if (ext == ".mp4")
            args.insert(args.end(), {"-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart", "-f", "mp4"});
        else // the music exactly as the player plays it
            args.insert(args.end(), {"-c:a", "flac", "-f", "matroska"});
    }
    args.push_back(partial);

    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return error(std::string("cannot make a pipe: ") + strerror(errno));
    pid_t child = fork();
    if (child < 0) return error(std::string("cannot start ffmpeg: ") + strerror(errno));
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
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(ffmpeg.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[0]);
    close(log_fd);
    int pipe_fd = pipe_fds[1];

    if (!o.quiet)
        fprintf(stderr, "tavrin render: %lld frames, %s s to %s s at %d fps, through %s\n", (long long)count,
                seconds_text(o.from).c_str(), seconds_text(to).c_str(), o.fps, ffmpeg.c_str());
    progress_bar progress;
    progress.begin(!o.quiet, count);
    bool sent = true;
    {
        frame_writer writer(pipe_fd, (size_t)o.width * (size_t)o.height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (int64_t i = 0; i < count && sent && !interrupted; ++i) {
            float t = (float)(o.from + (double)i / o.fps);
            if (i == 0)
                offscreen_frame_alone(t, o.fps);
            else
                offscreen_frame(t);
            uint8_t* rgb = writer.next_buffer();
            sent = rgb != nullptr;
            if (!sent) break;
            glReadPixels(0, 0, o.width, o.height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
            writer.hand_over();
            progress.update(i + 1, i + 1 == count);
        }
        // a writer blocked on a stopped ffmpeg returns once ffmpeg is gone
        if (!sent || interrupted) kill(child, SIGTERM);
        sent = writer.finish() && sent;
    }
    progress.end();
    bool stopped = !sent || interrupted;
    if (stopped) kill(child, SIGTERM);
    close(pipe_fd);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (interrupted) return error("interrupted; " + o.output + " left as it was", 130);
    bool ffmpeg_ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (stopped || !ffmpeg_ok) {
        std::string why = tail_of(log, 12);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && why.empty()) why = "could not run " + ffmpeg;
        return error("ffmpeg failed" + (why.empty() ? std::string() : ":\n" + why) + "\n" + o.output + " left as it was");
    }
    if (rename(partial.c_str(), o.output.c_str()) != 0) return error("cannot rename to " + o.output + ": " + strerror(errno));
    temps.keep(partial);
    printf("%s\n", o.output.c_str());
    if (!o.quiet)
        fprintf(stderr, "tavrin render: wrote %s (%dx%d, %lld frames, %.3f s)\n", o.output.c_str(), o.width, o.height,
                (long long)count, (double)count / o.fps);
    return 0;
}

} // namespace

bool parse_render_args(int argc, char** argv, render_options* out, bool* help, std::string* error_text) {
    render_options o;
    const char* seed_text = nullptr;
    bool from_given = false, to_given = false, at_given = false;
    auto fail = [&](const std::string& m) {
        *error_text = m;
        return false;
    };
    *help = false;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= argc) return false;
            *v = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            *help = true;
            return true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--payload") {
            if (!value(&v) || v.empty()) return fail("--payload needs a file name");
            if (o.no_payload) return fail("--payload and --no-payload exclude each other");
            o.payload = v;
        } else if (a == "--no-payload") {
            if (!o.payload.empty()) return fail("--payload and --no-payload exclude each other");
            o.no_payload = true;
        } else if (a == "--size") {
            if (!value(&v)) return fail("--size needs WxH");
            if (!parse_size(v, &o.width, &o.height) || o.width < 8 || o.height < 8 || o.width > 8192 || o.height > 8192)
                return fail("--size must be WxH with each side 8 to 8192 pixels, got '" + v + "'");
        } else if (a == "--at") {
            if (!value(&v)) return fail("--at needs a list of show times");
            at_given = true;
            size_t start = 0;
            for (;;) {
                size_t comma = v.find(',', start);
                std::string item = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                double t;
                if (!parse_number(item, &t) || t < 0)
                    return fail("--at takes show times in seconds from 0 on, separated by commas; got '" + item + "'");
                o.at.push_back(t);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--fps") {
            double f;
            if (!value(&v)) return fail("--fps needs a number");
            if (!parse_number(v, &f) || f != floor(f) || f < 1 || f > 240)
                return fail("--fps must be a whole number from 1 to 240, got '" + v + "'");
            o.fps = (int)f;
        } else if (a == "--from") {
            if (!value(&v)) return fail("--from needs a show time");
            if (!parse_number(v, &o.from) || o.from < 0) return fail("--from must be a show time of 0 s or more, got '" + v + "'");
            from_given = true;
        } else if (a == "--to") {
            if (!value(&v)) return fail("--to needs a show time");
            if (!parse_number(v, &o.to) || o.to <= 0) return fail("--to must be a show time above 0 s, got '" + v + "'");
            to_given = true;
        } else if (a == "-o" || a == "--output") {
            if (!value(&v) || v.empty()) return fail("-o needs a directory or a video file name");
            o.output = v;
        } else if (!a.empty() && a[0] == '-') {
            return fail("unknown option " + a + " (see tavrin render --help)");
        } else if (seed_text) {
            return fail("unexpected argument " + a);
        } else {
            seed_text = argv[i];
        }
    }
    if (!seed_text) return fail("missing SEED (see tavrin render --help)");
    const char* args[2] = {"tavrin", seed_text};
    if (!seed_from_args_linux(2, args, &o.seed)) return fail(std::string("SEED must begin with a digit, got '") + seed_text + "'");
    if (o.output.empty()) return fail("missing -o DIR (PNG frames) or -o FILE.mp4|.mkv|.webm (a video)");
    o.video = is_video_path(o.output);
    if (o.video) {
        if (at_given) return fail("--at writes PNG frames into a directory; a video takes --from and --to");
        if (o.width % 2 || o.height % 2) return fail("a video needs an even width and height, got " +
                                                     std::to_string(o.width) + "x" + std::to_string(o.height));
        if (to_given && o.to <= o.from)
            return fail("--to (" + seconds_text(o.to) + ") must come after --from (" + seconds_text(o.from) + ")");
    } else {
        if (!at_given) return fail("missing --at T1,T2,... for PNG frames (or name a .mp4, .mkv or .webm file for a video)");
        if (from_given || to_given) return fail("--from and --to are for a video (-o FILE.mp4|.mkv|.webm)");
    }
    *out = o;
    return true;
}


int run_render(int argc, char** argv) {
    render_options o;
    bool help = false;
    std::string message;
    if (!parse_render_args(argc, argv, &o, &help, &message)) return error(message, 2);
    if (help) {
        fputs(render_usage, stdout);
        return 0;
    }
    payload_choice choice = find_payload(o.payload.empty() ? nullptr : o.payload.c_str(), o.no_payload);
    std::string payload_path = choice.path;
    std::string why;
    if (choice.explicit_file && !check_payload_file(payload_path, &why)) return error(why);
    if (!payload_path.empty()) {
        const char* why = nullptr;
        FILE* f = open_regular_file(payload_path.c_str(), &why); // never waits on a FIFO
        if (!f) return error("cannot read " + payload_path + " (" + choice.origin + "): " + why);
        fclose(f);
    }
    if (payload_path.empty() && !o.quiet)
        fprintf(stderr, "tavrin render: no payload (%s)\n", choice.origin.c_str());
    std::string ffmpeg;
    std::error_code ec;
    if (o.video) {
        ffmpeg = find_on_path("ffmpeg");
        if (ffmpeg.empty())
            return error("the ffmpeg program was not found on PATH; it is needed for a video "
                         "(Debian: apt-get install ffmpeg). PNG frames (--at) need no ffmpeg.");
        fs::path parent = fs::path(o.output).parent_path();
        if (!parent.empty() && !fs::is_directory(parent, ec)) return error("no directory " + parent.string() + " for " + o.output);
        if (fs::is_directory(o.output, ec)) return error(o.output + " is a directory");
    } else if (fs::exists(o.output, ec) && !fs::is_directory(o.output, ec)) {
        return error(o.output + " exists and is not a directory");
    }

    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    int status = start_show(o, payload_path);
    if (status != 0) return status;
    return o.video ? render_video(o, ffmpeg) : render_pngs(o);
}
