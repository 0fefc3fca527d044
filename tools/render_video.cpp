// `tavrin render -o FILE.mp4|.mkv|.webm`: every frame of a stretch of the show, in order, handed
// with the music of the same stretch to the ffmpeg program (tools/media_out.h), which writes a
// hidden file beside the output that is renamed once complete.
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/show.h"
#include "platform/offscreen/offscreen_player.h"
#include "tools/cli.h"
#include "tools/media_out.h"
#include "tools/render.h"

namespace fs = std::filesystem;

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
    std::vector<uint8_t> rgb((size_t)o.show.width * (size_t)o.show.height * 3);
    progress_bar progress(!o.quiet, true);
    bool sent = true;
    for (int64_t i = 0; i < count && sent && !render_interrupted; ++i) {
        float t = (float)(o.from + (double)i / o.fps);
        if (i == 0)
            offscreen_frame_alone(t, o.fps);
        else
            offscreen_frame(t);
        offscreen_read_rgb(rgb.data());
        sent = write_all(encoder.frames_fd, rgb.data(), rgb.size(), &render_interrupted);
        progress.count(i + 1, count, "frames", i + 1 == count);
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
