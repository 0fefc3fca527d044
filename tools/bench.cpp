#include "tools/bench.h"

#include "tools/cli.h"


#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>

#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/rng.h"
#include "core/show.h"
#include "looks/palette.h"
#include "platform/offscreen/offscreen_player.h"
#include "render/gl_api.h"
#include "render/passes.h"
#include "render/render.h"
#include "tools/offscreen_show.h"

const char* const bench_usage =
    "usage: tavrin bench [SEED] [--payload FILE | --no-payload] [--size WxH] [--step S] [--json]\n"
    "\n"
    "Tells whether this machine plays a show smoothly, and where the time goes. Draws every\n"
    "frame of the show of SEED (default 42) offscreen (EGL, Mesa's surfaceless platform) at\n"
    "show times 0, S, 2S, ... to the end of the show, with the player's own start-up sequence\n"
    "and frame code, and times each frame up to the moment the GL driver has finished it.\n"
    "\n"
    "Prints the GL renderer, the time from start-up to the first finished frame, and over all\n"
    "frames the median, the 90th percentile, the maximum and how many frames took more than\n"
    "16.7 ms (one frame at 60 Hz) and more than 33 ms (two). A show plays smoothly at 60 Hz\n"
    "when the 90th percentile is at most 16.7 ms and no frame takes more than 33 ms.\n"
    "\n"
    "Then every frame is drawn a second time with the driver finishing after each pass, for a\n"
    "table of the median milliseconds of each kind of pass (the background by its pattern, the\n"
    "cover by picture and mask, the post effect by kind; programs are ready by then, so the\n"
    "table shows steady drawing; the frame figures above include getting programs ready).\n"
    "Waiting after each pass costs a little, so a frame's passes add up to a bit more than the\n"
    "frame.\n"
    "\n"
    "  SEED             decimal number, taken modulo 2^32 as the player takes it (default 42)\n"
    "  --payload FILE   read the show payload from FILE. Without it: the file named by\n"
    "                   TAVRIN_SELF, else default-show.tavrin beside this tool (the build's\n"
    "                   default show), else none (the silent 16-second default show)\n"
    "  --no-payload     the silent 16-second show that the player runs without music\n"
    "  --size WxH       picture size in pixels, 8 to 8192 each (default 1280x720)\n"
    "  --step S         seconds of show time between two frames, 0.001 to 60 (default 0.1)\n"
    "  --json           print one JSON object: renderer, size, frames, median_ms, p90_ms,\n"
    "                   max_ms, over_16_7, over_33, startup_ms, passes (name: median ms)\n"
    "\n"
    "The machine's other work slows frames down: close other programs, or run it twice.\n"
    "\n"
    "A software renderer (Mesa's llvmpipe) compiles each program the first time it draws it,\n"
    "and keeps the code in Mesa's shader cache (~/.cache/mesa_shader_cache): the first run on a\n"
    "machine, or after a Mesa update, compiles them all. A second thread with a GL context of\n"
    "its own compiles them ahead of the frames that need them, as in the player. To see a\n"
    "first run again, point MESA_SHADER_CACHE_DIR at an empty folder.\n"
    "\n"
    "Exit status: 0 when every frame was drawn, 1 when no offscreen context could be made,\n"
    "2 for bad usage.\n";

namespace {

double now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return 1000.0 * (double)ts.tv_sec + 1e-6 * (double)ts.tv_nsec;
}

double median_of(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

const char* const background_names[5] = {"rays and rings", "horizon", "tunnel", "petals", "plasma"};
const char* const picture_names[7] = {"Julia set", "Mandelbrot zoom", "bit carpet", "inversion fractal",
                                      "box fold", "log-polar dots", "textured checker"};
const char* const mask_names[6] = {"iris", "star", "diamonds", "flower", "stripes", "spiral"};
const char* const step_names[render_step_count] = {"program warm-up", "clear", "background", "figure", "ornaments",
                                                   "scene sprites", "post", "cover", "overlay"};

// The pass names of the frame just drawn: the background by its pattern, the post effect and
// the cover by what they play; empty for a pass that drew nothing.
void name_passes(std::string names[render_step_count]) {
    for (int i = 0; i < render_step_count; ++i) names[i] = step_names[i];
    int style = (int)(MOOD[2] * 5.0f);
    names[render_step_background] = std::string("background: ") + background_names[style < 0 ? 0 : (style > 4 ? 4 : style)];
    post_state post = post_for_frame(cue.phrase, cue.beat);
    names[render_step_post] = post.effect == 0 ? "" : (post.effect == 1 ? "post: echo" : "post: kaleidoscope");
    cover_state cover = cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow);
    if (!cover.draw) {
        names[render_step_cover] = "";
    } else {
        int f = cover.shape == 6 ? 6 : (cover.shape >= 0 && cover.shape < 5 ? cover.shape : 5);
        int s = cover.style < 5 ? cover.style : 5;
        const char* how = cover.full_cover ? "full" : (cover.k > 0.0f ? "wipe" : "glow");
        names[render_step_cover] = std::string("cover (") + how + "): " + picture_names[f] + ", " + mask_names[s];
    }
}

// Per-pass timing: the driver finishes after each step of the frame.
double step_mark;
double step_ms[render_step_count];
void on_step_done(int step) {
    glFinish();
    double t = now_ms();
    step_ms[step] = t - step_mark;
    step_mark = t;
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if ((unsigned char)c < 0x20) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

frame_stats summarise_frames(std::vector<double> ms) {
    frame_stats s;
    s.frames = (int)ms.size();
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    s.median_ms = median_of(ms);
    // nearest rank: the smallest time that at least 90 % of the frames do not exceed
    size_t rank = (size_t)ceil(0.9 * (double)ms.size());
    s.p90_ms = ms[rank ? rank - 1 : 0];
    s.max_ms = ms.back();
    for (double v : ms) {
        if (v > 1000.0 / 60.0) ++s.over_16_7;
        if (v > 1000.0 / 30.0) ++s.over_33;
    }
    return s;
}

bool parse_bench_args(int argc, char** argv, bench_options* out, bool* help, std::string* error_text) {
    bench_options o;
    auto own = [&](const std::string& a, const std::function<bool(std::string*)>& value, std::string* error) {
        std::string v;
        if (a == "--json") {
            o.json = true;
        } else if (a == "--step") {
            if (!value(&v)) {
                *error = "--step needs a number of seconds";
                return -1;
            }
            if (!parse_number(v, &o.step) || o.step < 0.001 || o.step > 60) {
                *error = "--step must be 0.001 to 60 seconds, got '" + v + "'";
                return -1;
            }
        } else {
            return 0;
        }
        return 1;
    };
    if (!parse_show_args(argc, argv, "bench", own, &o.show, help, error_text)) return false;
    if (!o.show.seed_given) o.show.seed = 42;
    *out = o;
    return true;
}

int run_bench(int argc, char** argv) {
    bench_options o;
    bool help = false;
    std::string message;
    if (!parse_bench_args(argc, argv, &o, &help, &message)) {
        fprintf(stderr, "tavrin bench: %s\n", message.c_str());
        return 2;
    }
    if (help) {
        fputs(bench_usage, stdout);
        return 0;
    }
    // The payload as `tavrin render` and `tavrin describe` find it.
    std::string payload_path, origin, why;
    if (!open_show_payload(o.show, &payload_path, &origin, &why)) {
        fprintf(stderr, "tavrin bench: %s\n", why.c_str());
        return 1;
    }

    // Start-up to the first finished frame, as the player starts.
    double t0 = now_ms();
    if (!start_offscreen_show(o.show, payload_path, &why)) {
        fprintf(stderr, "tavrin bench: %s\n", why.c_str());
        return 1;
    }
    double started = now_ms();
    offscreen_frame(0.0f);
    glFinish();
    double first = now_ms();
    double startup_ms = first - t0;
    std::string renderer = (const char*)glGetString(GL_RENDERER);

    // The show times: 0, S, 2S, ... up to the end of the music.
    std::vector<float> times;
    for (int64_t i = 0;; ++i) {
        double t = (double)i * o.step;
        if (t > (double)show.show_length) break;
        times.push_back((float)t);
    }
    if (!o.json)
        fprintf(stderr, "tavrin bench: seed %u, %dx%d, %zu frames every %.3f s of %.2f s of show\n", o.show.seed,
                o.show.width, o.show.height, times.size(), o.step, (double)show.show_length);

    // 1. Frames as the player draws them, in order (frame 0 was the start-up's first frame).
    std::vector<double> frame_ms;
    frame_ms.push_back(first - started);
    struct slow_frame {
        double ms;
        float t;
    };
    std::vector<slow_frame> frames_by_time;
    progress_bar progress(!o.json, false);
    frames_by_time.push_back({first - started, 0.0f});
    for (size_t i = 1; i < times.size(); ++i) {
        double a = now_ms();
        offscreen_frame(times[i]);
        glFinish();
        double ms = now_ms() - a;
        frame_ms.push_back(ms);
        frames_by_time.push_back({ms, times[i]});
        progress.count((int64_t)i + 1, (int64_t)times.size(), "frames");
    }

    progress.clear();

    // 2. The same frames again, finishing after each pass.
    progress_bar pass_progress(!o.json, false);
    std::map<std::string, std::vector<double>> pass_ms;
    render_step_done = on_step_done;
    for (size_t i = 0; i < times.size(); ++i) {
        glFinish();
        step_mark = now_ms();
        offscreen_frame(times[i]);
        std::string names[render_step_count];
        name_passes(names);
        for (int k = 0; k < render_step_count; ++k)
            if (!names[k].empty()) pass_ms[names[k]].push_back(step_ms[k]);
        pass_progress.count((int64_t)i + 1, (int64_t)times.size(), "frames, pass by pass");
    }
    render_step_done = nullptr;
    pass_progress.clear();

    frame_stats s = summarise_frames(frame_ms);
    std::vector<std::pair<std::string, double>> passes;
    for (auto& p : pass_ms) passes.push_back({p.first, median_of(p.second)});
    char size_text[32];
    snprintf(size_text, sizeof size_text, "%dx%d", o.show.width, o.show.height);

    if (o.json) {
        printf("{\"renderer\": %s, \"size\": \"%s\", \"frames\": %d, \"median_ms\": %.3f, \"p90_ms\": %.3f, "
               "\"max_ms\": %.3f, \"over_16_7\": %d, \"over_33\": %d, \"startup_ms\": %.3f, \"passes\": {",
               json_string(renderer).c_str(), size_text, s.frames, s.median_ms, s.p90_ms, s.max_ms, s.over_16_7,
               s.over_33, startup_ms);
        for (size_t i = 0; i < passes.size(); ++i)
            printf("%s%s: %.3f", i ? ", " : "", json_string(passes[i].first).c_str(), passes[i].second);
        printf("}}\n");
        return 0;
    }

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    printf("renderer:      %s (%ld CPUs, load %.1f)\n", renderer.c_str(), sysconf(_SC_NPROCESSORS_ONLN), load[0]);
    printf("show:          seed %u, %s, %.2f s\n", o.show.seed, payload_path.empty() ? "no payload" : payload_path.c_str(),
           (double)show.show_length);
    printf("size:          %s, a frame every %.3f s of show time\n", size_text, o.step);
    printf("start-up:      %.1f ms to the first finished frame\n", startup_ms);
    printf("frames:        %d\n", s.frames);
    printf("median:        %.2f ms\n", s.median_ms);
    printf("90th pct:      %.2f ms\n", s.p90_ms);
    printf("maximum:       %.2f ms\n", s.max_ms);
    printf("over 16.7 ms:  %d (%.1f %%)\n", s.over_16_7, s.frames ? 100.0 * s.over_16_7 / s.frames : 0.0);
    printf("over 33 ms:    %d (%.1f %%)\n", s.over_33, s.frames ? 100.0 * s.over_33 / s.frames : 0.0);
    std::sort(frames_by_time.begin(), frames_by_time.end(), [](const slow_frame& a, const slow_frame& b) { return a.ms > b.ms; });
    printf("slowest:      ");
    for (size_t i = 0; i < frames_by_time.size() && i < 5; ++i)
        printf(" %.1f ms at %.2f s%s", frames_by_time[i].ms, (double)frames_by_time[i].t, i + 1 < 5 ? "," : "");
    printf("\n\n| %-46s | %7s | %9s |\n", "pass", "frames", "median ms");
    printf("|%s|%s|%s|\n", std::string(48, '-').c_str(), "--------:", "----------:");
    for (auto& p : passes)
        printf("| %-46s | %7zu | %9.2f |\n", p.first.c_str(), pass_ms[p.first].size(), p.second);
    return 0;
}
