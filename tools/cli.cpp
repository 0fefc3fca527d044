#include "tools/cli.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>

bool parse_number(const std::string& text, double* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = strtod(text.c_str(), &end);
    if (errno || !end || *end || !isfinite(v)) return false;
    *out = v;
    return true;
}

bool parse_size(const std::string& text, int* w, int* h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
    auto whole = [](const std::string& s, int* out) {
        if (s.empty() || s.size() > 5) return false;
        for (char c : s)
            if (c < '0' || c > '9') return false;
        *out = atoi(s.c_str());
        return true;
    };
    return whole(text.substr(0, x), w) && whole(text.substr(x + 1), h);
}

std::string seconds_text(double s) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.3f", s);
    return buf;
}

progress_bar::progress_bar(bool enabled, bool lines_elsewhere) {
    tty_ = enabled && isatty(2);
    lines_ = enabled && !tty_ && lines_elsewhere;
    start_ = last_draw_ = std::chrono::steady_clock::now();
}

void progress_bar::draw(double f, const std::string& text, bool force, bool changed) {
    if (!tty_ && !lines_) return;
    f = std::min(1.0, std::max(0.0, f));
    auto now = std::chrono::steady_clock::now();
    int tenth = (int)(f * 10.0 + 1e-9);
    if (tty_) {
        // A terminal redraws a changed label at once, anything else at most five times a second.
        if (!force && !changed && std::chrono::duration<double>(now - last_draw_).count() < 0.2) return;
    } else if (!force && tenth == last_tenth_) {
        return;
    }
    last_draw_ = now;
    last_tenth_ = tenth;
    const int width = 30;
    int filled = (int)(width * f + 1e-9);
    fprintf(stderr, "%s[%s%s] %s%s", tty_ ? "\r" : "", std::string(filled, '#').c_str(),
            std::string(width - filled, '-').c_str(), text.c_str(), tty_ ? "  " : "\n");
    fflush(stderr);
    drawn_ = true;
}

void progress_bar::count(int64_t done, int64_t total, const char* unit, bool force) {
    if (!tty_ && !lines_) return;
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double rate = elapsed > 0 ? done / elapsed : 0;
    double left = rate > 0 ? (total - done) / rate : 0;
    char text[128];
    snprintf(text, sizeof text, "%lld/%lld %s  %.1f fps  %d:%02d left", (long long)done, (long long)total, unit, rate,
             (int)(left / 60), (int)fmod(left, 60.0));
    draw(total ? (double)done / (double)total : 1.0, text, force, false);
}

void progress_bar::fraction(double f, const std::string& label) {
    if (!tty_ && !lines_) return;
    bool changed = label != last_label_;
    last_label_ = label;
    char text[64];
    snprintf(text, sizeof text, "%3d%% %-40.40s", (int)(std::min(1.0, std::max(0.0, f)) * 100.0), label.c_str());
    draw(f, text, false, changed);
}

void progress_bar::end() {
    if (tty_ && drawn_) fputc('\n', stderr);
    drawn_ = false;
}

void progress_bar::clear() {
    if (tty_ && drawn_) fprintf(stderr, "\r%80s\r", "");
    drawn_ = false;
}
