#include "tools/cli.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>

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
