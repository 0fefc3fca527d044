// Offscreen frame timings (EGL, whatever GL driver the machine has), printed as one table for
// 1280 x 720 and 1920 x 1080: each background style, cover picture and post effect drawn
// alone (the mood, phrase plan and beat set directly so that one pass plays), whole frames of
// the default show at chosen show times, reading a frame back, the CPU time of a frame outside
// GL, and the start-up time to the first frame. Not a test: run it with `make bench`.
//
// usage: render_bench [PAYLOAD]   (default: the build's default show)
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "core/compositor.h"
#include "player/overlays.h"
#include "looks/sprites.h"
#include "player/player.h"
#include "core/show.h"
#include "looks/palette.h"
#include "platform/offscreen/offscreen_player.h"
#include "render/gl_api.h"
#include "render/passes.h"
#include "render/slots.h"

namespace {

const uint32_t seed = 42;
struct size {
    int w, h;
};
const size sizes[2] = {{1280, 720}, {1920, 1080}};

double seconds_of(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}
double now() { return seconds_of(CLOCK_MONOTONIC); }

struct timing {
    double median, best; // milliseconds
};

// Milliseconds of `step` followed by glFinish, after two unmeasured runs, over at least 8 runs
// and 0.3 s: the median and the best run (the best is the one least disturbed by other work on
// the machine). `prepare` runs before each step, unmeasured.
timing time_ms(const std::function<void()>& prepare, const std::function<void()>& step) {
    for (int i = 0; i < 2; ++i) {
        prepare();
        step();
        glFinish();
    }
    std::vector<double> runs;
    double total = 0;
    while (runs.size() < 8 || total < 0.3) {
        prepare();
        glFinish();
        double t0 = now();
        step();
        glFinish();
        double t = now() - t0;
        total += t;
        runs.push_back(1000.0 * t);
    }
    std::sort(runs.begin(), runs.end());
    return {runs[runs.size() / 2], runs[0]};
}

// Start-up to the first finished frame, in a child process so that it starts cold.
double startup_ms(const char* payload, size s) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        double t0 = now();
        double ms = -1;
        if (offscreen_start(seed, payload, s.w, s.h, nullptr) == offscreen_ok) {
            offscreen_frame(0.0f);
            glFinish();
            ms = 1000.0 * (now() - t0);
        }
        if (write(fds[1], &ms, sizeof ms) != sizeof ms) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double ms = -1;
    if (read(fds[0], &ms, sizeof ms) != sizeof ms) ms = -1;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return ms;
}

struct row {
    std::string label;
    timing at[2];
};
std::vector<row> rows;

void add(const std::string& label, int size_index, timing value) {
    for (row& r : rows)
        if (r.label == label) {
            r.at[size_index] = value;
            return;
        }
    row r = {label, {{-1, -1}, {-1, -1}}};
    r.at[size_index] = value;
    rows.push_back(r);
}

// The phrase plan as start-up made it, put back after each isolated pass.
struct plan_copy {
    uint8_t effect[phrase_capacity], cover[phrase_capacity], shape[phrase_capacity], style[phrase_capacity];
    float mood[4];
    void save() {
        memcpy(effect, phrase_effect, sizeof effect);
        memcpy(cover, phrase_cover, sizeof cover);
        memcpy(shape, phrase_cover_shape, sizeof shape);
        memcpy(style, phrase_cover_style, sizeof style);
        memcpy(mood, MOOD, sizeof mood);
    }
    void restore() const {
        memcpy(phrase_effect, effect, sizeof effect);
        memcpy(phrase_cover, cover, sizeof cover);
        memcpy(phrase_cover_shape, shape, sizeof shape);
        memcpy(phrase_cover_style, style, sizeof style);
        memcpy(MOOD, mood, sizeof mood);
    }
};

const char* const background_names[5] = {"rays and rings", "horizon", "tunnel", "petals", "plasma"};
const char* const cover_names[7] = {"Julia set", "Mandelbrot zoom", "bit carpet", "inversion fractal",
                                    "box fold", "log-polar dots", "textured checker"};

float time_of_beat(float beat) { return show.beat_origin + beat / show.beats_per_second; }

// Whole frames of the show: a few show times picked from its own plans.
struct frame_time {
    std::string label;
    float t;
};
std::vector<frame_time> chosen_times() {
    std::vector<frame_time> times;
    char buf[160];
    int style = (int)(MOOD[2] * 5.0f);
    if (style > 4) style = 4;
    snprintf(buf, sizeof buf, "frame at %.2f s: %s background", (double)time_of_beat(8), background_names[style]);
    times.push_back({buf, time_of_beat(8)});
    for (int p = 1; p < phrase_capacity - 1; ++p) {
        if (phrase_cover[p] == 0 || phrase_effect[p] != 0) continue;
        float t = time_of_beat(32.0f * p + 2.0f);
        if (t > show.show_length - 14.0f) break;
        snprintf(buf, sizeof buf, "frame at %.2f s: full cover, %s", (double)t, cover_names[phrase_cover_shape[p] % 7]);
        times.push_back({buf, t});
        float wipe = time_of_beat(32.0f * p + 4.0f * phrase_cover[p] + 0.5f);
        snprintf(buf, sizeof buf, "frame at %.2f s: cover wiping out (mask %d)", (double)wipe, phrase_cover_style[p]);
        times.push_back({buf, wipe});
        break;
    }
    const char* effect_names[4] = {"", "echo", "kaleidoscope", "kaleidoscope"};
    for (int e = 1; e <= 2; ++e)
        for (int p = 0; p < phrase_capacity; ++p) {
            if (!(phrase_effect[p] == e || (e == 2 && phrase_effect[p] == 3))) continue;
            float t = time_of_beat(32.0f * p + 8.0f);
            if (t > show.show_length) break;
            snprintf(buf, sizeof buf, "frame at %.2f s: %s%s", (double)t, effect_names[e],
                     t > show.show_length - 14.0f ? " + closing glow" : "");
            times.push_back({buf, t});
            break;
        }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    const char* payload = argc > 1 ? argv[1] : TAVRIN_DEFAULT_SHOW;
    // Start-up first, in children, before this process has a context of its own.
    double startup[2];
    for (int i = 0; i < 2; ++i) {
        startup[i] = startup_ms(payload, sizes[i]);
        for (int k = 0; k < 2; ++k) startup[i] = std::min(startup[i], startup_ms(payload, sizes[i]));
    }

    const char* why = nullptr;
    if (offscreen_start(seed, payload, sizes[0].w, sizes[0].h, &why) != offscreen_ok) {
        fprintf(stderr, "render_bench: no offscreen context: %s\n", why ? why : "?");
        return 1;
    }
    plan_copy plan;
    plan.save();
    std::vector<frame_time> times = chosen_times();
    const float base_t = time_of_beat(8);

    for (int si = 0; si < 2; ++si) {
        int w = sizes[si].w, h = sizes[si].h;
        offscreen_set_size(w, h);
        auto clear = [] { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); };
        auto at_base = [&] {
            plan.restore();
            update_audio_features(base_t);
            update_cue(base_t);
        };
        auto nothing = [] {};

        at_base();
        add("clear only", si, time_ms(nothing, clear));
        for (int s = 0; s < 5; ++s) {
            at_base();
            MOOD[2] = ((float)s + 0.5f) / 5.0f;
            add("background " + std::to_string(s) + ": " + background_names[s], si, time_ms(nothing, [&] {
                    clear();
                    background_pass(w, h);
                }));
        }
        // The figure pass alone (48 draws) with the camera of the show's first entry, and the
        // background pass followed by it.
        at_base();
        direct_camera(w, h, audio.AU);
        add("figure pass: 48 pieces, camera of the first entry", si, time_ms(clear, [&] { figure_pass(w, h); }));
        add("background and figure passes", si, time_ms(nothing, [&] {
                clear();
                background_pass(w, h);
                figure_pass(w, h);
            }));
        // A cover alone: phrase 1 fully covered (iris mask at k = 1) by picture f.
        for (int f = 0; f < 7; ++f) {
            at_base();
            phrase_effect[1] = 0;
            phrase_cover[1] = 4;
            phrase_cover_shape[1] = (uint8_t)f;
            phrase_cover_style[1] = 0;
            cue.phrase = 1;
            cue.beat = 34.0f;
            add("cover " + std::to_string(f) + ": " + cover_names[f], si, time_ms(clear, [&] { cover_pass(w, h); }));
        }
        // A post effect alone, over a background drawn before it.
        const char* post_names[2] = {"post 1: echo", "post 2: kaleidoscope"};
        for (int e = 1; e <= 2; ++e) {
            at_base();
            phrase_effect[1] = (uint8_t)e;
            phrase_cover[1] = 0;
            cue.phrase = 1;
            cue.beat = 40.0f;
            offscreen_reset_echo();
            add(post_names[e - 1], si, time_ms([&] {
                    clear();
                    background_pass(w, h);
                }, [&] { post_pass(w, h); }));
        }
        // The ornament, scene sprite, full-cover extra and overlay passes alone, with the
        // camera of their show time (the ornament set is built in the unmeasured runs).
        auto at_time = [&](float t) {
            plan.restore();
            update_audio_features(t);
            update_cue(t);
            direct_camera(w, h, audio.AU);
        };
        at_time(time_of_beat(40));
        add("ornaments (29 slots, mid-phrase)", si, time_ms(clear, [&] { ornament_pass(w, h); }));
        // scene sprites: the first bar from beat 20 on whose camera sees at least two of them
        int seen = 0;
        for (int b = 20; b < 2000 && seen < 2; b += 2) {
            at_time(time_of_beat((float)b + 0.5f));
            scene_sprite sp[scene_sprite_slots];
            int n = scene_sprites_now(camera.eye, camera.view, sprites, sp);
            seen = 0;
            for (int k = 0; k < n; ++k) {
                const float* m = camera.view_projection;
                float c[4];
                for (int r = 0; r < 4; ++r) c[r] = m[r] * sp[k].x + m[4 + r] * sp[k].y + m[8 + r] * sp[k].z + m[12 + r];
                if (c[3] > 0 && fabsf(c[0]) < c[3] && fabsf(c[1]) < c[3] && fabsf(sp[k].height) > 0.5f) ++seen;
            }
        }
        add("scene sprites (" + std::to_string(seen) + " in view)", si,
            time_ms(clear, [&] { scene_sprite_pass(w, h); }));
        at_time(time_of_beat(72));
        add("full-cover extras: emblem and three sprites", si,
            time_ms(clear, [&] { full_cover_extras(w, h, 2, 8.0f); }));
        at_time(3.0f);
        add("overlay: the title", si, time_ms(clear, [&] { overlay_pass(w, h); }));
        at_time(show.show_length - 10.0f);
        add("overlay: a closing card", si, time_ms(clear, [&] { overlay_pass(w, h); }));
        glEnable(GL_DEPTH_TEST);

        plan.restore();
        for (const frame_time& ft : times) add(ft.label, si, time_ms(nothing, [&] { offscreen_frame(ft.t); }));

        std::vector<uint8_t> rgb((size_t)w * h * 3);
        add("read back RGB, rows flipped", si, time_ms(nothing, [&] { offscreen_read_rgb(rgb.data()); }));

        // The thread's own CPU time for a whole frame: the core's values and the GL calls
        // issued, without waiting for the driver to finish the picture.
        float t = times.size() > 1 ? times[1].t : base_t;
        double cpu = 0;
        const int frames = 20;
        for (int i = 0; i < frames; ++i) {
            double c0 = seconds_of(CLOCK_THREAD_CPUTIME_ID);
            offscreen_frame(t);
            cpu += seconds_of(CLOCK_THREAD_CPUTIME_ID) - c0;
            glFinish();
        }
        double cpu_ms = 1000.0 * cpu / frames;
        add("frame CPU on the calling thread (no wait)", si, {cpu_ms, cpu_ms});
    }

    // The core's per-frame work outside GL: audio values, beat clock, plan entry, the
    // compositor's decisions, over the whole show.
    const int steps = 200000;
    double c0 = seconds_of(CLOCK_THREAD_CPUTIME_ID);
    float sink = 0;
    for (int i = 0; i < steps; ++i) {
        float t = show.show_length * (float)i / (float)steps;
        update_audio_features(t);
        update_cue(t);
        post_state p = post_for_frame(cue.phrase, cue.beat);
        cover_state c = cover_for_frame(cue.phrase, cue.beat, t, show.show_length, cover_last_glow);
        sink += p.k + c.k + audio.AU[0];
    }
    double core_us = 1e6 * (seconds_of(CLOCK_THREAD_CPUTIME_ID) - c0) / steps;

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    printf("tavrin offscreen frames: %s, %s; %ld CPUs, load %.1f\n", (const char*)glGetString(GL_RENDERER),
           (const char*)glGetString(GL_VERSION), sysconf(_SC_NPROCESSORS_ONLN), load[0]);
    printf("seed %u, payload %s\n", seed, payload);
    printf("milliseconds per frame, glFinish after each: median and best of at least 8 runs\n\n");
    printf("| %-52s | %9s | %9s | %9s | %9s |\n", "", "720p med", "720p best", "1080p med", "1080p best");
    printf("|%s|%s|%s|%s|%s|\n", std::string(54, '-').c_str(), "----------:", "----------:", "----------:",
           "----------:");
    for (const row& r : rows)
        printf("| %-52s | %9.2f | %9.2f | %9.2f | %9.2f |\n", r.label.c_str(), r.at[0].median, r.at[0].best,
               r.at[1].median, r.at[1].best);
    printf("| %-52s | %9.0f | %9s | %9.0f | %9s |\n", "start-up to the first frame (best of 3 processes)", startup[0], "",
           startup[1], "");
    printf("\ncore per-frame work outside GL (audio values, cue, compositor decisions): %.3f us%s\n", core_us,
           sink == 12345.0f ? " " : "");
    return 0;
}
