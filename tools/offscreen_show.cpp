#include "tools/offscreen_show.h"

#include <stdio.h>

#include "platform/linux/linux_rules.h"
#include "platform/offscreen/offscreen_player.h"
#include "platform/payload_file.h"
#include "tools/cli.h"
#include "tools/payload_lookup.h"

bool parse_show_args(int argc, char** argv, const char* command, const own_option& own, show_options* show,
                     bool* help, std::string* error_text) {
    show_options o;
    const char* seed_text = nullptr;
    auto fail = [&](const std::string& m) {
        *error_text = m;
        return false;
    };
    *help = false;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= argc) return false;
            *v = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            *help = true;
            return true;
        } else if (a == "--payload") {
            if (!value(&v) || v.empty()) return fail("--payload needs a file name");
            if (o.no_payload) return fail("--payload and --no-payload exclude each other");
            o.payload = v;
        } else if (a == "--no-payload") {
            if (!o.payload.empty()) return fail("--payload and --no-payload exclude each other");
            o.no_payload = true;
        } else if (a == "--size") {
            if (!value(&v)) return fail("--size needs WxH");
            if (!parse_size(v, &o.width, &o.height) || o.width < 8 || o.height < 8 || o.width > 8192 || o.height > 8192)
                return fail("--size must be WxH with each side 8 to 8192 pixels, got '" + v + "'");
        } else if (int taken = own(a, value, error_text)) {
            if (taken < 0) return false;
        } else if (!a.empty() && a[0] == '-') {
            return fail("unknown option " + a + " (see tavrin " + command + " --help)");
        } else if (seed_text) {
            return fail("unexpected argument " + a);
        } else {
            seed_text = argv[i];
        }
    }
    if (seed_text) {
        // The player's own rule: the text's leading digits, taken modulo 2^32.
        const char* args[2] = {"tavrin", seed_text};
        if (!seed_from_args_linux(2, args, &o.seed))
            return fail(std::string("SEED must begin with a digit, got '") + seed_text + "'");
        o.seed_given = true;
    }
    *show = o;
    return true;
}

bool open_show_payload(const show_options& show, std::string* path, std::string* origin, std::string* error) {
    payload_choice choice = find_payload(show.payload.empty() ? nullptr : show.payload.c_str(), show.no_payload);
    *path = choice.path;
    *origin = choice.origin;
    if (choice.explicit_file && !check_payload_file(choice.path, error)) return false;
    if (!choice.path.empty()) {
        const char* why = nullptr;
        FILE* f = open_regular_file(choice.path.c_str(), &why); // never waits on a FIFO
        if (!f) {
            *error = "cannot read " + choice.path + " (" + choice.origin + "): " + why;
            return false;
        }
        fclose(f);
    }
    return true;
}

void finish_offscreen_show() { offscreen_finish(); }

bool start_offscreen_show(const show_options& show, const std::string& payload_path, std::string* error) {
    const char* why = nullptr;
    if (offscreen_start(show.seed, payload_path.empty() ? nullptr : payload_path.c_str(), show.width, show.height,
                        &why) == offscreen_ok)
        return true;
    *error = std::string("no offscreen OpenGL 3.3 core context: ") + (why ? why : "unknown failure");
    return false;
}
