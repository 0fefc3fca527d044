// player-linux end to end, on a virtual X server (Xvfb with Mesa's llvmpipe) that the suite
// starts itself, with a short show packed by `tavrin pack`. The audio goes either through the
// real libasound into an ALSA file plugin, or through a stand-in libasound.so.2 that records
// every call (fake_alsa.cpp), or nowhere (no_libasound.cpp keeps libasound from loading).
//
// Times are measured from the start of the process, so the lower bounds are exact (the show
// cannot end before its clock says so); the upper bounds leave room for a loaded machine.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sndfile.h>

#include "audio/decode.h"
#include "core/payload.h"
#include "core/show.h"
#include "pack_fixture.h"
#include "platform/payload_file.h"

namespace {

const double slack = 10.0; // seconds a loaded two-core machine may add to a show's end (start-up included)

double now_mono() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void write_text(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// Runs a program with exactly the environment given; stdout and stderr go to files.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& out,
            const std::string& err) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    std::vector<char*> a, v;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const std::string& s : env) v.push_back(const_cast<char*>(s.c_str()));
    v.push_back(nullptr);
    execve(a[0], a.data(), v.data());
    _exit(127);
}

// Waits up to `timeout` seconds; -1 when the process is still running (it is then killed).
int wait_for(pid_t pid, double timeout) {
    double until = now_mono() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (now_mono() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(5000);
    }
}

// -1 while the process runs, else its exit status (128 + signal when it was killed).
int exit_status_if_ended(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts Xvfb on a free display number; returns its pid and sets `display` (":N").
pid_t start_xvfb(const std::vector<std::string>& extra, std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", "1280x720x24", "-nolisten",
                                         "tcp", "-noreset"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> a;
        for (const std::string& s : args) a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        execvp("Xvfb", a.data());
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    double until = now_mono() + 20.0;
    while (now_mono() < until && poll(&p, 1, 200) >= 0) {
        char c;
        if (!(p.revents & (POLLIN | POLLHUP))) continue;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    *display = ":" + number;
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// What the player's override-redirect window looks like to another client.
struct window_view {
    bool found = false;
    int x = 0, y = 0, width = 0, height = 0, border = 0;
    long event_mask = 0;
    bool keyboard_grabbed = false;
    int screen_width = 0, screen_height = 0;
};

window_view find_player_window(const std::string& display) {
    window_view v;
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return v;
    Window root = DefaultRootWindow(d);
    v.screen_width = DisplayWidth(d, DefaultScreen(d));
    v.screen_height = DisplayHeight(d, DefaultScreen(d));
    Window r, parent, *children = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, root, &r, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !v.found; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(d, children[i], &a)) continue;
            if (a.map_state != IsViewable || !a.override_redirect) continue;
            v.found = true;
            v.x = a.x;
            v.y = a.y;
            v.width = a.width;
            v.height = a.height;
            v.border = a.border_width;
            v.event_mask = a.all_event_masks;
        }
        if (children) XFree(children);
    }
    if (v.found) {
        // Another client cannot take the keyboard while the player holds it.
        int g = XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        v.keyboard_grabbed = g == AlreadyGrabbed;
        if (g == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
    }
    XCloseDisplay(d);
    return v;
}

// Waits until the process shows its window; when it ends first, *ended gets its status.
window_view wait_for_window(const std::string& display, pid_t pid, double timeout, int* ended) {
    double until = now_mono() + timeout;
    while (now_mono() < until) {
        *ended = exit_status_if_ended(pid);
        if (*ended >= 0) break;
        window_view v = find_player_window(display);
        if (v.found) return v;
        usleep(20000);
    }
    return window_view{};
}

std::vector<int16_t> read_raw(const std::string& path) {
    std::string b = read_file(path);
    std::vector<int16_t> s(b.size() / 2);
    if (!s.empty()) memcpy(s.data(), b.data(), s.size() * 2);
    return s;
}

// The PCM data of a WAV file that may never have been closed (its sizes not fixed up).
struct wav_data {
    bool ok = false;
    int format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;
};

wav_data read_wav(const std::string& path) {
    wav_data w;
    std::string b = read_file(path);
    if (b.size() < 12 || b.compare(0, 4, "RIFF") || b.compare(8, 4, "WAVE")) return w;
    size_t at = 12;
    auto u16 = [&](size_t i) { return (uint32_t)(uint8_t)b[i] | (uint32_t)(uint8_t)b[i + 1] << 8; };
    auto u32 = [&](size_t i) { return u16(i) | u16(i + 2) << 16; };
    while (at + 8 <= b.size()) {
        std::string id = b.substr(at, 4);
        uint32_t size = u32(at + 4);
        if (id == "fmt " && at + 24 <= b.size()) {
            w.format = (int)u16(at + 8);
            w.channels = (int)u16(at + 10);
            w.rate = u32(at + 12);
            w.bits = (int)u16(at + 22);
        } else if (id == "data") {
            size_t n = (b.size() - at - 8) / 2; // to the end of the file, whatever the header says
            w.samples.resize(n);
            if (n) memcpy(w.samples.data(), b.data() + at + 8, n * 2);
            w.ok = true;
            return w;
        }
        at += 8 + size;
    }
    return w;
}

std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> v;
    std::ifstream f(path);
    for (std::string line; std::getline(f, line);) v.push_back(line);
    return v;
}

// The samples of the first (only) track of a payload file, decoded as the player decodes them.
std::vector<int16_t> expected_pcm(const std::string& payload_file, uint32_t* rate) {
    std::vector<int16_t> pcm;
    load_show_payload_file(payload_file.c_str());
    if (track_count < 1) return pcm;
    track_record r = read_track_record(payload, 0);
    track_decode d;
    decode_record(payload, payload_bytes, r, &d);
    if (d.outcome == decode_ok) pcm.assign(d.loop.pcm, d.loop.pcm + d.loop.frames_total);
    free(d.loop.pcm);
    *rate = r.sample_rate;
    release_show_payload();
    return pcm;
}

} // namespace

class PlayerLinux : public ::testing::Test {
protected:
    static pid_t xvfb;
    static std::string display;
    static std::string dir;
    static std::string show_file;   // payload alone, for TAVRIN_SELF
    static std::string show_player; // the player with the payload appended
    static std::vector<int16_t> pcm;
    static uint32_t rate;
    static double show_length;

    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/tavrin-player-XXXXXX";
        dir = mkdtemp(tmpl);
        xvfb = start_xvfb({}, &display);

        // A three-second click track at 16 kHz, packed as one track played once.
        click_track t;
        t.bpm = 120;
        t.seconds = 3.0;
        t.rate = 16000;
        std::string wav = dir + "/clicks.wav";
        show_file = dir + "/show.tavrin";
        show_player = dir + "/show-player";
        if (!write_click_file(wav, t, SF_FORMAT_WAV | SF_FORMAT_PCM_16)) return;
        std::vector<std::string> pack = {TAVRIN_TOOL, "pack", "--rate", "16000", "--kbps", "24", "--quiet",
                                         "--bpm", "120", "--beat-origin", "0", "--mood", "0.5,0.5", wav};
        std::vector<std::string> alone = pack, appended = pack;
        alone.insert(alone.end(), {"-o", show_file});
        appended.insert(appended.end(), {"--append-to", PLAYER, "-o", show_player});
        for (auto* args : {&alone, &appended}) {
            pid_t p = spawn(*args, {"PATH=/usr/bin:/bin"}, dir + "/pack.out", dir + "/pack.err");
            if (wait_for(p, 120) != 0) return;
        }
        pcm = expected_pcm(show_file, &rate);
        if (rate) show_length = (double)((float)pcm.size() / (float)rate);
    }

    static void TearDownTestSuite() {
        stop(xvfb);
        if (!dir.empty()) {
            std::string cmd = "rm -rf '" + dir + "'";
            if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
        }
    }

    void SetUp() override {
        ASSERT_GT(xvfb, 0) << "Xvfb did not start";
        ASSERT_FALSE(pcm.empty()) << "the test show could not be packed and decoded";
        ASSERT_EQ(rate, 16000u);
        ASSERT_NEAR(show_length, 3.0, 0.01);
    }

    // One player run: its environment (DISPLAY included unless told otherwise), its files.
    struct run {
        std::string name;
        std::vector<std::string> env;
        std::string program = PLAYER;
        std::vector<std::string> args = {"7"};
        pid_t pid = -1;
        double started = 0;
        int status = -2;
        double elapsed = 0;
        std::string out() const { return dir + "/" + name + ".out"; }
        std::string err() const { return dir + "/" + name + ".err"; }
        std::string log() const { return dir + "/" + name + ".alsa.log"; }
        std::string raw() const { return dir + "/" + name + ".raw"; }
        std::string wav() const { return dir + "/" + name + ".wav"; }
        std::string alsa_conf() const { return dir + "/" + name + ".asoundrc"; }
    };

    static std::vector<std::string> base_env(bool with_display = true) {
        std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + dir};
        if (with_display) env.push_back("DISPLAY=" + display);
        return env;
    }

    // The ALSA configuration that routes "default" into a WAV file.
    static std::string file_plugin_env(const run& r) {
        write_text(r.alsa_conf(), "pcm.!default { type file slave { pcm { type null } } file \"" + r.wav() +
                                      "\" format \"wav\" }\n");
        return "ALSA_CONFIG_PATH=" + r.alsa_conf();
    }

    static std::vector<std::string> fake_alsa_env(const run& r, const char* library_dir) {
        return {std::string("LD_LIBRARY_PATH=") + library_dir, "FAKE_ALSA_LOG=" + r.log(), "FAKE_ALSA_PCM=" + r.raw()};
    }

    static void start(run& r) {
        std::vector<std::string> argv = {r.program};
        argv.insert(argv.end(), r.args.begin(), r.args.end());
        r.started = now_mono();
        r.pid = spawn(argv, r.env, r.out(), r.err());
    }

    static void finish(run& r, double timeout) {
        r.status = wait_for(r.pid, timeout - (now_mono() - r.started));
        r.elapsed = now_mono() - r.started;
    }

    static void expect_silent_output(const run& r) {
        EXPECT_EQ(read_file(r.out()), "") << r.name << ": the player printed on stdout";
        EXPECT_EQ(read_file(r.err()), "") << r.name << ": the player printed on stderr";
    }
};

pid_t PlayerLinux::xvfb = -1;
std::string PlayerLinux::display;
std::string PlayerLinux::dir;
std::string PlayerLinux::show_file;
std::string PlayerLinux::show_player;
std::vector<int16_t> PlayerLinux::pcm;
uint32_t PlayerLinux::rate = 0;
double PlayerLinux::show_length = 0;

// The player carrying its own show plays it through ALSA to the end: every sample handed over
// in blocks of at most 1024 frames, with the parameters the device needs, and the show ends
// 0.1 s of latency after the audio has run out.
TEST_F(PlayerLinux, PlaysItsOwnShowThroughAlsaToTheEnd) {
    run r;
    r.name = "own-show";
    r.program = show_player;
    r.env = base_env();
    for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_DIR)) r.env.push_back(e);
    r.env.push_back("FAKE_ALSA_PACED=1");
    start(r);
    finish(r, show_length + 0.3 + slack + 10);
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(r.elapsed, show_length + 0.1);
    EXPECT_LE(r.elapsed, show_length + 0.3 + slack);
    expect_silent_output(r);

    std::vector<std::string> log = lines_of(r.log());
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "loaded");
    EXPECT_EQ(log[1], "handler") << "libasound's own error messages must be silenced first";
    EXPECT_EQ(log[2], "open default 0 0");
    EXPECT_EQ(log[3], "params 2 3 1 16000 1 100000"); // S16_LE, RW_INTERLEAVED, mono, rate, resample, 0.1 s
    size_t frames = 0, writes = 0, bad_blocks = 0;
    for (size_t i = 4; i < log.size(); ++i) {
        unsigned long n = 0;
        ASSERT_EQ(sscanf(log[i].c_str(), "write %lu", &n), 1) << log[i];
        bad_blocks += n < 1 || n > 1024;
        frames += n;
        ++writes;
    }
    EXPECT_EQ(bad_blocks, 0u) << "blocks of 1 to 1024 frames";
    EXPECT_EQ(frames, pcm.size());
    EXPECT_EQ(writes, (pcm.size() + 1023) / 1024);
    std::vector<int16_t> played = read_raw(r.raw());
    ASSERT_EQ(played.size(), pcm.size());
    EXPECT_TRUE(played == pcm) << "the samples handed to ALSA differ from the PCM buffer";
}

// Through the real libasound and its file plugin, the WAV it writes holds the PCM buffer sample
// for sample. The plugin keeps the device's last buffer (0.1 s, the latency asked for) in memory
// until the device is drained or closed, which the player never does: it ends with _exit.
TEST_F(PlayerLinux, AudioThroughTheAlsaFilePluginIsThePcmBuffer) {
    run r;
    r.name = "file-plugin";
    r.env = base_env();
    r.env.push_back(file_plugin_env(r));
    r.env.push_back("TAVRIN_SELF=" + show_file);
    start(r);
    finish(r, show_length + 0.3 + slack + 10);
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(r.elapsed, show_length + 0.1);
    EXPECT_LE(r.elapsed, show_length + 0.3 + slack);
    expect_silent_output(r);

    wav_data w = read_wav(r.wav());
    ASSERT_TRUE(w.ok) << "no WAV data from the file plugin";
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.rate, 16000u);
    const size_t held_back = rate / 10;
    ASSERT_EQ(w.samples.size(), pcm.size() - held_back);
    EXPECT_TRUE(std::equal(w.samples.begin(), w.samples.end(), pcm.begin()))
        << "the samples written differ from the PCM buffer";
}

// Without sound the show runs on the clock and ends 0.3 s after show_length, close to where
// the show with sound ends (0.1 s after it, counted from audio start).
TEST_F(PlayerLinux, WithoutSoundTheShowRunsOnTheClockAndEndsAtTheSameTime) {
    struct silent_case {
        const char* name;
        const char* why;
    };
    const silent_case cases[] = {
        {"no-libasound", "libasound.so.2 cannot be loaded"},
        {"no-writei", "libasound.so.2 lacks snd_pcm_writei"},
        {"no-device", "no ALSA device (libasound's errors stay silent)"},
        {"write-fails", "the device fails after 4096 frames"},
    };
    std::vector<run> runs;
    for (const silent_case& c : cases) {
        run r;
        r.name = c.name;
        r.env = base_env();
        r.env.push_back("TAVRIN_SELF=" + show_file);
        std::string n = c.name;
        if (n == "no-libasound") {
            r.env.push_back(file_plugin_env(r));
            r.env.push_back(std::string("LD_PRELOAD=") + NO_LIBASOUND);
            r.env.push_back("FAKE_ALSA_LOG=" + r.log());
        } else if (n == "no-writei") {
            for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_NO_WRITEI_DIR)) r.env.push_back(e);
        } else if (n == "no-device") {
            write_text(r.alsa_conf(), "# nothing: no device called default\n");
            r.env.push_back("ALSA_CONFIG_PATH=" + r.alsa_conf());
        } else {
            for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_DIR)) r.env.push_back(e);
            r.env.push_back("FAKE_ALSA_FAIL_AFTER=4096");
        }
        runs.push_back(r);
    }
    // The reference: the same show with sound.
    run with_sound;
    with_sound.name = "with-sound";
    with_sound.env = base_env();
    with_sound.env.push_back("TAVRIN_SELF=" + show_file);
    for (const std::string& e : fake_alsa_env(with_sound, FAKE_ALSA_DIR)) with_sound.env.push_back(e);
    with_sound.env.push_back("FAKE_ALSA_PACED=1");
    runs.push_back(with_sound);

    for (run& r : runs) start(r);
    for (run& r : runs) finish(r, show_length + 0.3 + slack + 10);
    const run& reference = runs.back();
    EXPECT_EQ(reference.status, 0);
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
        const run& r = runs[i];
        SCOPED_TRACE(std::string(r.name) + ": " + cases[i].why);
        EXPECT_EQ(r.status, 0);
        EXPECT_GE(r.elapsed, show_length + 0.3);
        EXPECT_LE(r.elapsed, show_length + 0.3 + slack);
        EXPECT_NEAR(r.elapsed, reference.elapsed, 1.5);
        expect_silent_output(r);
    }
    // Each silent run took the path it was meant to take.
    EXPECT_EQ(lines_of(runs[0].log()), std::vector<std::string>{"refused"});
    EXPECT_FALSE(exists(runs[0].wav())) << "libasound was used although it could not be loaded";
    EXPECT_EQ(lines_of(runs[1].log()), (std::vector<std::string>{"loaded", "handler"}))
        << "without snd_pcm_writei the device must not be opened";
    std::vector<std::string> failing = lines_of(runs[3].log());
    size_t writes = 0;
    for (const std::string& line : failing) writes += line.rfind("write ", 0) == 0;
    EXPECT_EQ(writes, 5u) << "four blocks accepted, then one failed write ends the writer: no retry";
    EXPECT_EQ(read_raw(runs[3].raw()).size(), 4096u);
}

// Without a payload (the plain player, a missing file, a file without a trailer) the default
// show of 16 seconds plays silently on the clock and ends once the clock passes 16.3 s.
TEST_F(PlayerLinux, WithoutAPayloadTheDefaultShowRunsSixteenSeconds) {
    const char* self_values[] = {nullptr, "/nonexistent/show.tavrin", "clicks.wav"};
    std::vector<run> runs;
    for (int i = 0; i < 3; ++i) {
        run r;
        r.name = "default-show-" + std::to_string(i);
        r.env = base_env();
        if (self_values[i]) {
            std::string v = self_values[i];
            r.env.push_back("TAVRIN_SELF=" + (v[0] == '/' ? v : dir + "/" + v));
        }
        for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_DIR)) r.env.push_back(e);
        runs.push_back(r);
    }
    for (run& r : runs) start(r);
    for (run& r : runs) finish(r, 16.3 + slack + 10);
    for (const run& r : runs) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.status, 0);
        EXPECT_GE(r.elapsed, 16.3);
        EXPECT_LE(r.elapsed, 16.3 + slack);
        EXPECT_FALSE(exists(r.log())) << "nothing to play, so ALSA is not even loaded";
        expect_silent_output(r);
    }
}

// Any key or mouse button ends the show at once with status 0; moving the mouse does not.
// The window covers the whole screen (not the 1920 x 1080 the player assumes before it asks),
// has no border, wants key and button presses and holds the keyboard.
TEST_F(PlayerLinux, KeysAndButtonsEndTheShowMotionDoesNot) {
    const std::vector<std::vector<std::string>> presses = {
        {"key", "a"}, {"key", "Escape"}, {"click", "1"}, {"click", "3"}};
    for (const std::vector<std::string>& press : presses) {
        SCOPED_TRACE(press[0] + " " + press[1]);
        run r;
        r.name = "input-" + press[0] + "-" + press[1];
        r.env = base_env();
        start(r);
        int ended = -1;
        ASSERT_TRUE(wait_for_window(display, r.pid, 30, &ended).found)
            << "no window appeared; the player ended with " << ended << " after " << now_mono() - r.started
            << " s";

        std::vector<std::string> xenv = base_env();
        for (const char* to : {"100 100", "700 400", "20 600"}) {
            std::string x = to;
            std::string y = x.substr(x.find(' ') + 1);
            x = x.substr(0, x.find(' '));
            pid_t m = spawn({"/usr/bin/xdotool", "mousemove", x, y}, xenv, dir + "/xdotool.out", dir + "/xdotool.err");
            EXPECT_EQ(wait_for(m, 10), 0);
        }
        usleep(600000);
        ASSERT_EQ(exit_status_if_ended(r.pid), -1) << "mouse motion ended the show";

        window_view w = find_player_window(display);
        ASSERT_TRUE(w.found);
        EXPECT_EQ(w.x, 0);
        EXPECT_EQ(w.y, 0);
        EXPECT_EQ(w.width, 1280);
        EXPECT_EQ(w.height, 720);
        EXPECT_EQ(w.border, 0);
        EXPECT_EQ(w.event_mask & (KeyPressMask | ButtonPressMask), KeyPressMask | ButtonPressMask);
        EXPECT_TRUE(w.keyboard_grabbed);

        double pressed = now_mono();
        pid_t x = spawn({"/usr/bin/xdotool", press[0], press[1]}, xenv, dir + "/xdotool.out", dir + "/xdotool.err");
        EXPECT_EQ(wait_for(x, 10), 0);
        int status = wait_for(r.pid, 10);
        double reaction = now_mono() - pressed;
        EXPECT_EQ(status, 0);
        EXPECT_LT(reaction, 3.0) << "the press did not end the show at once";
        EXPECT_LT(now_mono() - r.started, 16.3) << "the show ran to its end instead";
        expect_silent_output(r);
    }
}

// A key pressed while the player is still starting (here: while the audio device takes two
// seconds to open, with the window already up) is seen at the first frame and ends the show.
TEST_F(PlayerLinux, AKeyPressedDuringStartUpEndsTheShowAtTheFirstFrame) {
    run r;
    r.name = "key-during-start-up";
    r.env = base_env();
    r.env.push_back("TAVRIN_SELF=" + show_file);
    for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_DIR)) r.env.push_back(e);
    r.env.push_back("FAKE_ALSA_OPEN_DELAY_MS=2000");
    start(r);
    double until = now_mono() + 30;
    bool opening = false;
    while (!opening && now_mono() < until && exit_status_if_ended(r.pid) < 0) {
        for (const std::string& line : lines_of(r.log())) opening = opening || line.rfind("open ", 0) == 0;
        usleep(10000);
    }
    ASSERT_TRUE(opening) << "the player never opened the audio device";
    double opened = now_mono();
    pid_t x = spawn({"/usr/bin/xdotool", "key", "q"}, base_env(), dir + "/xdotool.out", dir + "/xdotool.err");
    EXPECT_EQ(wait_for(x, 10), 0);
    EXPECT_LT(now_mono() - opened, 1.5) << "the key was not pressed during start-up";
    finish(r, 30);
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(now_mono() - opened, 1.9) << "the player ended before its start-up was over";
    EXPECT_LT(r.elapsed, 2.0 + show_length) << "the show played on after the key press";
    expect_silent_output(r);
}

// Start-up failures of the platform: no display or no GLX visual gives 1, a context without
// OpenGL 3.3 (its newer entry points are missing) gives 2, at once and without a word.
TEST_F(PlayerLinux, PlatformFailuresEndWithTheirStatusAndPrintNothing) {
    std::string no_glx_display;
    pid_t no_glx = start_xvfb({"-extension", "GLX"}, &no_glx_display);
    ASSERT_GT(no_glx, 0);
    struct failure_case {
        const char* name;
        std::vector<std::string> env;
        int status;
    };
    std::vector<std::string> old_gl = base_env();
    old_gl.push_back("MESA_GL_VERSION_OVERRIDE=3.2COMPAT");
    const failure_case cases[] = {
        {"no-display", base_env(false), 1},
        {"no-glx", {"PATH=/usr/bin:/bin", "DISPLAY=" + no_glx_display}, 1},
        {"gl-3.2", old_gl, 2},
    };
    for (const failure_case& c : cases) {
        SCOPED_TRACE(c.name);
        run r;
        r.name = c.name;
        r.env = c.env;
        r.env.push_back("TAVRIN_SELF=" + show_file);
        start(r);
        finish(r, 20);
        EXPECT_EQ(r.status, c.status);
        EXPECT_LT(r.elapsed, 10.0);
        expect_silent_output(r);
    }
    stop(no_glx);
}

// Hostile payloads, each through the loader, `tavrin describe`, `tavrin inspect` and a player
// run that a key press ends: records that would make the player allocate gigabytes or play for
// weeks are refused (the silent default show), one exactly at the one-hour limit plays, and a
// FIFO, a device or a folder as the payload is never waited on (no payload for the player, a
// clear error for the tools).
TEST_F(PlayerLinux, HostilePayloadsEndQuicklyAndCleanly) {
    const std::string good = read_file(show_file);
    ASSERT_GT(good.size(), 4u + 64u + 12u);
    auto edited = [&](const std::string& name, std::vector<std::pair<size_t, uint32_t>> fields) {
        std::string b = good;
        for (auto [at, v] : fields) memcpy(&b[4 + at], &v, 4); // record 0 of the bare payload
        std::string path = dir + "/" + name + ".tavrin";
        std::ofstream(path, std::ios::binary) << b;
        return path;
    };
    auto f32 = [](float v) {
        uint32_t u;
        memcpy(&u, &v, 4);
        return u;
    };
    const size_t show_at = 8, loop_at = 24, rate_at = 52, loop_samples_at = 56;
    std::string fifo = dir + "/hostile-fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct hostile_case {
        std::string name;
        std::string path;
        std::string problem; // the record's problem; empty when it plays
        std::string tool_error; // a special file: what the tools say
    };
    // The packed show is one loop of 48000 samples (3 s at 16 kHz).
    const hostile_case cases[] = {
        {"4-gb-loop", edited("4-gb-loop", {{show_at, f32(400.0f)}, {loop_at, f32(0.001f)}, {loop_samples_at, 5000}}),
         "plays longer than one hour", ""},
        {"endless-show", edited("endless-show", {{show_at, f32(1e30f)}}), "show_length is longer than one hour", ""},
        {"rate-1", edited("rate-1", {{rate_at, 1}}), "sample_rate is not an MPEG audio rate", ""},
        {"huge-loop", edited("huge-loop", {{loop_samples_at, 0xFFFFFFFFu}}), "loop_samples is more than half an hour",
         ""},
        {"long-loop", edited("long-loop", {{loop_at, f32(1800.5f)}}), "loop_length is longer than half an hour", ""},
        {"one-sample-too-many",
         edited("one-sample-too-many", {{show_at, f32(3600.0f)}, {loop_at, f32(3.0f)}, {loop_samples_at, 48001}}),
         "plays longer than one hour", ""},
        {"one-hour", edited("one-hour", {{show_at, f32(3600.0f)}, {loop_at, f32(3.0f)}}), "", ""},
        {"fifo", fifo, "", "it is a FIFO, not a regular file"},
        {"device", "/dev/zero", "", "it is a character device, not a regular file"},
        {"folder", dir, "", "it is a folder, not a regular file"},
    };
    for (const hostile_case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool special = !c.tool_error.empty();

        // The loader: a special file is no payload; a record is refused when it is chosen.
        load_show_payload_file(c.path.c_str());
        if (special) {
            EXPECT_EQ(track_count, 0);
            EXPECT_EQ(payload, nullptr);
        } else {
            ASSERT_EQ(track_count, 1);
            const char* problem = track_record_problem(read_track_record(payload, 0), payload_bytes);
            if (c.problem.empty()) {
                EXPECT_EQ(problem, nullptr) << problem;
            } else {
                ASSERT_NE(problem, nullptr);
                EXPECT_NE(std::string(problem).find(c.problem), std::string::npos) << problem;
            }
        }
        release_show_payload();

        // describe and inspect.
        auto tool = [&](const std::vector<std::string>& args, std::string* out, std::string* err) {
            run t;
            t.name = c.name + "-" + args[1];
            t.program = TAVRIN_TOOL;
            t.args = args;
            t.args.erase(t.args.begin());
            t.env = base_env(false);
            start(t);
            finish(t, 120);
            *out = read_file(t.out());
            *err = read_file(t.err());
            return t.status;
        };
        std::string out, err;
        int status = tool({TAVRIN_TOOL, "describe", "7", "--payload", c.path}, &out, &err);
        if (special) {
            EXPECT_EQ(status, 2);
            EXPECT_NE(err.find(c.tool_error), std::string::npos) << err;
        } else {
            EXPECT_EQ(status, 0) << err;
            EXPECT_NE(out.find(c.problem.empty() ? "\"chosen_track\": 0" : "\"chosen_track\": -1"), std::string::npos);
            EXPECT_NE(out.find(c.problem.empty() ? "\"show_length\": 3600," : "\"show_length\": 16,"),
                      std::string::npos);
        }
        status = tool({TAVRIN_TOOL, "inspect", c.path}, &out, &err);
        if (special) {
            EXPECT_EQ(status, 2);
            EXPECT_NE(err.find(c.tool_error), std::string::npos) << err;
        } else {
            EXPECT_EQ(status, 0) << err;
            EXPECT_NE(out.find(c.problem.empty() ? "usable: yes\n  decoded_samples" : "usable: no, "),
                      std::string::npos) << out;
            EXPECT_NE(out.find(c.problem), std::string::npos) << out;
            if (c.problem.empty()) {
                EXPECT_NE(out.find("frames_total: 57600000\n"), std::string::npos) << out;
            }
        }

        // The player: its window comes up, a key ends it; only the playable record loads ALSA.
        run r;
        r.name = "hostile-" + c.name;
        r.env = base_env();
        r.env.push_back("TAVRIN_SELF=" + c.path);
        for (const std::string& e : fake_alsa_env(r, FAKE_ALSA_DIR)) r.env.push_back(e);
        start(r);
        int ended = -1;
        ASSERT_TRUE(wait_for_window(display, r.pid, 60, &ended).found) << "ended with " << ended;
        pid_t x = spawn({"/usr/bin/xdotool", "key", "a"}, base_env(), dir + "/xdotool.out", dir + "/xdotool.err");
        EXPECT_EQ(wait_for(x, 10), 0);
        finish(r, 60);
        EXPECT_EQ(r.status, 0) << "a key press did not end the show";
        EXPECT_EQ(exists(r.log()), c.problem.empty() && !special);
        expect_silent_output(r);
    }
}
