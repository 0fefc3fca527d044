// `tavrin render -o FILE.mp4|.mkv|.webm`: every frame of a stretch of the show, in order, handed
// with the music of the same stretch to the ffmpeg program (tools/media_out.h), which writes a
// hidden file beside the output that is renamed once complete.
#include <errno.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/decode.h"
#include "core/show.h"
#include "platform/offscreen/offscreen_player.h"
#include "tools/cli.h"
#include "tools/media_out.h"
#include "tools/render.h"

namespace fs = std::filesystem;

namespace {

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
            bool ok = write_all(fd_, b.data(), b.size(), &render_interrupted);
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

} // namespace

int render_video(const render_options& o, const std::string& ffmpeg) {
    double to = o.to < 0 ? (double)show.show_length : o.to;
    if (to > show_end())
        return render_error("--to " + seconds_text(to) + " is past the end of the show (" + seconds_text(show_end()) + " s)", 2);
    if (o.from >= to)
        return render_error("--from " + seconds_text(o.from) + " is not before the end of the video (" + seconds_text(to) + " s)", 2);
    int64_t count = llround((to - o.from) * o.fps);
    if (count < 1) count = 1;

    // The music of the same stretch, sample for sample from the PCM buffer.
    uint32_t rate = offscreen_sample_rate() ? offscreen_sample_rate() : 22050;
    temp_files temps;
    std::string wav;
    int wav_fd = make_temp_file(system_temp_dir() + "/tavrin-audio-XXXXXX.wav", 4, &wav);
    if (wav_fd < 0) return render_error(std::string("cannot make a temporary file: ") + strerror(errno));
    temps.paths.push_back(wav);
    bool wav_ok = write_wav(wav_fd, rate, pcm_buffer, (int64_t)frames_total, llround(o.from * rate),
                            llround((double)count * rate / o.fps));
    close(wav_fd);
    if (!wav_ok) return render_error("cannot write " + wav + ": " + strerror(errno));

    std::string partial = partial_path_beside(o.output, "-" + std::to_string(getpid()));
    temps.paths.push_back(partial);
    std::string ext = fs::path(o.output).extension().string();
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    video_encoder encoder;
    std::string why;
    if (!start_video_encoder(ffmpeg, o.show.width, o.show.height, o.fps, wav, ext, partial, &temps, &encoder, &why))
        return render_error(why);

    if (!o.quiet)
        fprintf(stderr, "tavrin render: %lld frames, %s s to %s s at %d fps, through %s\n", (long long)count,
                seconds_text(o.from).c_str(), seconds_text(to).c_str(), o.fps, ffmpeg.c_str());
    progress_bar progress(!o.quiet, true);
    bool sent = true;
    {
        frame_writer writer(encoder.frames_fd, (size_t)o.show.width * (size_t)o.show.height * 3);
        for (int64_t i = 0; i < count && sent && !render_interrupted; ++i) {
            float t = (float)(o.from + (double)i / o.fps);
            if (i == 0)
                offscreen_frame_alone(t, o.fps);
            else
                offscreen_frame(t);
            uint8_t* rgb = writer.next_buffer();
            sent = rgb != nullptr;
            if (!sent) break;
            offscreen_read_rgb_bottom_up(rgb);
            writer.hand_over();
            progress.count(i + 1, count, "frames", i + 1 == count);
        }
        // a writer blocked on a stopped ffmpeg returns once ffmpeg is gone
        if (!sent || render_interrupted) kill(encoder.child, SIGTERM);
        sent = writer.finish() && sent;
    }
    progress.end();
    bool finished = finish_video_encoder(&encoder, !sent || render_interrupted, &why);
    if (render_interrupted) return render_error("interrupted; " + o.output + " left as it was", 130);
    if (!finished)
        return render_error("ffmpeg failed" + (why.empty() ? std::string() : ":\n" + why) + "\n" + o.output + " left as it was");
    if (rename(partial.c_str(), o.output.c_str()) != 0) return render_error("cannot rename to " + o.output + ": " + strerror(errno));
    temps.keep(partial);
    printf("%s\n", o.output.c_str());
    if (!o.quiet)
        fprintf(stderr, "tavrin render: wrote %s (%dx%d, %lld frames, %.3f s)\n", o.output.c_str(), o.show.width,
                o.show.height, (long long)count, (double)count / o.fps);
    return 0;
}
