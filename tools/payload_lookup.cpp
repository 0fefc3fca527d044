#include "tools/payload_lookup.h"

#include "core/payload.h"
#include "platform/payload_file.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

const char* const payload_lookup_help =
    "  --payload FILE   read the show payload from FILE (a player or payload file that\n"
    "                   `tavrin pack` wrote; a file without one is an error)\n"
    "  --no-payload     the silent 16-second show that the player runs without music\n"
    "                   Without either: the file named by TAVRIN_SELF, else\n"
    "                   default-show.tavrin beside this tool (the build's default show),\n"
    "                   else the silent show. The payload used is named on stderr.\n";

namespace {

std::string tool_directory() {
#ifdef _WIN32
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "";
    std::string p(path, n);
    size_t slash = p.find_last_of("\\/");
#else
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string p(path, (size_t)n);
    size_t slash = p.find_last_of('/');
#endif
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

bool is_file(const std::string& path) {
    FILE* f = open_regular_file(path.c_str()); // never waits on a FIFO
    if (!f) return false;
    fclose(f);
    return true;
}

} // namespace

payload_choice find_payload(const char* given, bool no_payload) {
    payload_choice c;
    if (no_payload) {
        c.origin = "--no-payload";
        return c;
    }
    if (given) {
        c.path = given;
        c.origin = "--payload";
        c.explicit_file = true;
        return c;
    }
    const char* self = getenv("TAVRIN_SELF");
    if (self && *self) {
        c.path = self;
        c.origin = "TAVRIN_SELF";
        return c;
    }
    std::string dir = tool_directory();
    if (!dir.empty() && is_file(dir + "default-show.tavrin")) {
        c.path = dir + "default-show.tavrin";
        c.origin = "the default show beside this tool";
        return c;
    }
    c.origin = "no TAVRIN_SELF and no default-show.tavrin beside this tool";
    return c;
}

bool check_payload_file(const std::string& path, std::string* error) {
    const char* why = nullptr;
    FILE* f = open_regular_file(path.c_str(), &why); // a FIFO or device is refused, never waited on
    if (!f) {
        *error = "cannot read " + path + ": " + why;
        return false;
    }
    unsigned char trailer[12];
    bool ok = fseek(f, -12, SEEK_END) == 0 && fread(trailer, 1, 12, f) == 12 && memcmp(trailer + 4, "TAVRINJ1", 8) == 0;
    fclose(f);
    if (!ok)
        *error = path + " holds no show payload (it does not end with one); if it is music, pack it first "
                        "with tavrin pack " + path + " -o show.tavrin, or use --no-payload for the silent show";
    return ok;
}
