// `tavrin render`: its command line, the checks made before anything is drawn, and the show's
// start; the two jobs are in render_frames.cpp and render_video.cpp.
#include "tools/render.h"

#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/payload.h"
#include "core/show.h"
#include "tools/cli.h"
#include "tools/media_out.h"

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

volatile sig_atomic_t render_interrupted = 0;

int render_error(const std::string& message, int status) {
    fprintf(stderr, "tavrin render: %s\n", message.c_str());
    return status;
}

double show_end() { return (double)show.show_length + 0.3; }

namespace {

void on_signal(int) { render_interrupted = 1; }

bool is_video_path(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm";
}

// Starts the show; returns 0 or an exit status after saying why.
int start_show(const render_options& o, const std::string& payload_path) {
    if (!o.quiet)
        fprintf(stderr, "tavrin render: seed %u at %dx%d, %s\n", o.show.seed, o.show.width, o.show.height,
                payload_path.empty() ? "no payload (the silent default show)" : ("payload " + payload_path).c_str());
    std::string why;
    if (!start_offscreen_show(o.show, payload_path, &why)) return render_error(why);
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

} // namespace

bool parse_render_args(int argc, char** argv, render_options* out, bool* help, std::string* error_text) {
    render_options o;
    bool from_given = false, to_given = false, at_given = false;
    auto fail = [&](const std::string& m) {
        *error_text = m;
        return false;
    };
    auto own = [&](const std::string& a, const std::function<bool(std::string*)>& value, std::string* error) {
        auto refuse = [&](const std::string& m) {
            *error = m;
            return -1;
        };
        std::string v;
        if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--at") {
            if (!value(&v)) return refuse("--at needs a list of show times");
            at_given = true;
            size_t start = 0;
            for (;;) {
                size_t comma = v.find(',', start);
                std::string item = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                double t;
                if (!parse_number(item, &t) || t < 0)
                    return refuse("--at takes show times in seconds from 0 on, separated by commas; got '" + item + "'");
                o.at.push_back(t);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--fps") {
            double f;
            if (!value(&v)) return refuse("--fps needs a number");
            if (!parse_number(v, &f) || f != floor(f) || f < 1 || f > 240)
                return refuse("--fps must be a whole number from 1 to 240, got '" + v + "'");
            o.fps = (int)f;
        } else if (a == "--from") {
            if (!value(&v)) return refuse("--from needs a show time");
            if (!parse_number(v, &o.from) || o.from < 0) return refuse("--from must be a show time of 0 s or more, got '" + v + "'");
            from_given = true;
        } else if (a == "--to") {
            if (!value(&v)) return refuse("--to needs a show time");
            if (!parse_number(v, &o.to) || o.to <= 0) return refuse("--to must be a show time above 0 s, got '" + v + "'");
            to_given = true;
        } else if (a == "-o" || a == "--output") {
            if (!value(&v) || v.empty()) return refuse("-o needs a directory or a video file name");
            o.output = v;
        } else {
            return 0;
        }
        return 1;
    };
    if (!parse_show_args(argc, argv, "render", own, &o.show, help, error_text)) return false;
    if (*help) return true;
    if (!o.show.seed_given) return fail("missing SEED (see tavrin render --help)");
    if (o.output.empty()) return fail("missing -o DIR (PNG frames) or -o FILE.mp4|.mkv|.webm (a video)");
    o.video = is_video_path(o.output);
    if (o.video) {
        if (at_given) return fail("--at writes PNG frames into a directory; a video takes --from and --to");
        if (o.show.width % 2 || o.show.height % 2)
            return fail("a video needs an even width and height, got " + std::to_string(o.show.width) + "x" +
                        std::to_string(o.show.height));
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
    if (!parse_render_args(argc, argv, &o, &help, &message)) return render_error(message, 2);
    if (help) {
        fputs(render_usage, stdout);
        return 0;
    }
    std::string payload_path, origin, why;
    if (!open_show_payload(o.show, &payload_path, &origin, &why)) return render_error(why);
    if (payload_path.empty() && !o.quiet) fprintf(stderr, "tavrin render: no payload (%s)\n", origin.c_str());
    std::string ffmpeg;
    std::error_code ec;
    if (o.video) {
        ffmpeg = program_on_path("ffmpeg");
        if (ffmpeg.empty())
            return render_error("the ffmpeg program was not found on PATH; it is needed for a video "
                                "(Debian: apt-get install ffmpeg). PNG frames (--at) need no ffmpeg.");
        fs::path parent = fs::path(o.output).parent_path();
        if (!parent.empty() && !fs::is_directory(parent, ec))
            return render_error("no directory " + parent.string() + " for " + o.output);
        if (fs::is_directory(o.output, ec)) return render_error(o.output + " is a directory");
    } else if (fs::exists(o.output, ec) && !fs::is_directory(o.output, ec)) {
        return render_error(o.output + " exists and is not a directory");
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
