// Command-line helpers that every `tavrin` command parses its arguments with and reports its
// progress through.
#pragma once
#include <stdint.h>

#include <chrono>
#include <string>

// A finite decimal number that fills the whole text.
bool parse_number(const std::string& text, double* out);

// WIDTHxHEIGHT (or WIDTHXHEIGHT) in whole pixels, each side at most five digits; the caller
// checks the range it accepts.
bool parse_size(const std::string& text, int* w, int* h);

// Seconds with three decimals, no unit: "12.500".
std::string seconds_text(double s);

// Progress of long work on stderr. On a terminal a bar redrawn in place, at most five times a
// second and whenever what it says changes; elsewhere, when `lines_elsewhere`, a line at each
// tenth of the way (for logs), else nothing.
class progress_bar {
public:
    progress_bar(bool enabled, bool lines_elsewhere);
    // Work counted in items: "[######--------] 12/120 frames  29.1 fps  0:03 left". `force`
    // draws even between two redraws (the last item).
    void count(int64_t done, int64_t total, const char* unit, bool force = false);
    // Work measured as a fraction, with what is being done: "[######--------]  40% track 1/2 x".
    void fraction(double f, const std::string& label);
    // Leaves the last bar standing and moves to a fresh line.
    void end();
    // Erases the bar, for a command that prints its summary where the bar stood.
    void clear();

private:
    void draw(double f, const std::string& text, bool force, bool changed);
    bool tty_ = false, lines_ = false, drawn_ = false;
    int last_tenth_ = -1;
    std::string last_label_;
    std::chrono::steady_clock::time_point start_, last_draw_;
};
