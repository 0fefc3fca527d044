// tavrin: the command-line companion of the player.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <string>
#include <vector>

#include "audio/decode.h"
#include "core/rng.h"
#include "platform/linux/linux_rules.h"
#include "platform/payload_file.h"
#include "tools/describe.h"
#include "tools/describe_ornaments.h"
#include "tools/inspect.h"
#include "tools/payload_lookup.h"
#ifndef _WIN32
#include "tools/pack.h"
#endif
#ifdef TAVRIN_RENDER
#include "tools/bench.h"
#include "tools/offscreen_show.h"
#include "tools/render.h"
#endif

namespace {

const char* usage_main =
    "usage: tavrin COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  describe SEED [--payload FILE]   print the show a seed makes, as JSON (--at: frame by\n"
    "                                   frame; --scene: the built-in figure scene;\n"
    "                                   --ornaments PHRASE: the ornament set of a phrase; the\n"
    "                                   payload as render finds it: --payload, TAVRIN_SELF,\n"
    "                                   default show)\n"
    "  inspect FILE [--json]            show the payload a file carries and what the player makes of it\n"
#ifndef _WIN32
    "  pack INPUT... -o OUT             pack audio files into a show payload (or a player with one)\n"
#endif
#ifdef TAVRIN_RENDER
    "  render SEED -o DIR|VIDEO         draw a show offscreen as PNG frames or a video with its music\n"
    "  bench [SEED]                     time every frame of a show offscreen: is this machine fast enough?\n"
#endif
    "\n"
    "Run 'tavrin COMMAND --help' for the options of a command.\n";

const char* usage_describe_head =
    "usage: tavrin describe SEED [--payload FILE | --no-payload] [--size WxH] [--at T1,T2,...]\n"
    "       tavrin describe SEED [--payload FILE | --no-payload] --ornaments PHRASE\n"
    "       tavrin describe --scene\n"
    "\n"
    "Prints, as one JSON object, every choice the player makes at start-up for SEED:\n"
    "palette, mood point, chosen track and its timing (show_length as decoding the track\n"
    "fixes it), show plan, phrase plan, pattern textures and pattern records, with the\n"
    "generator state after seeding and at the end.\n"
    "\n"
    "SEED is a decimal number; like the player, it is taken modulo 2^32.\n"
    "  --ornaments PHRASE\n"
    "                   print instead the ornament set that phrase PHRASE (0, 1, ...: beats\n"
    "                   32 PHRASE to 32 PHRASE + 31) builds: per slot its kind, colour picks,\n"
    "                   spin groups, turn and vertex range; the spin groups; the sums of the\n"
    "                   vertex values in vertex order; nan_values, the count of values that\n"
    "                   are not finite; and the generator state around the build, which must\n"
    "                   not move\n"
    "  --at T1,T2,...   add \"frames\": for each show time (seconds) the beat, dance phase,\n"
    "                   phrase, plan entry (index, variant, kind, key, progress before and\n"
    "                   after easing), energy, audio vector, the camera (eye, target, lens,\n"
    "                   view, projection and view-projection matrices, column-major) and\n"
    "                   the figure's tagged points (all, group0, group1, each of the four)\n"
    "  --size WxH       screen size whose aspect ratio the camera uses (default 1920x1080)\n"
    "  --scene          print the built-in figure scene instead (no SEED): key, vertex and\n"
    "                   index counts, the 48 pieces and the 13 bones\n";

// Comma-separated show times: finite numbers, at least one.
bool parse_times(const char* text, std::vector<float>* out) {
    std::string t = text;
    size_t start = 0;
    while (start <= t.size()) {
        size_t end = t.find(',', start);
        if (end == std::string::npos) end = t.size();
        std::string item = t.substr(start, end - start);
        char* stop = nullptr;
        errno = 0;
        double v = strtod(item.c_str(), &stop);
        if (item.empty() || errno || !stop || *stop || !(v == v) || v > 1e9 || v < -1e9) return false;
        out->push_back((float)v);
        start = end + 1;
    }
    return !out->empty();
}

bool parse_size(const char* text, int* w, int* h) {
    char x = 0, extra = 0;
    if (sscanf(text, "%d%c%d%c", w, &x, h, &extra) != 3 || (x != 'x' && x != 'X')) return false;
    return *w >= 1 && *h >= 1 && *w <= 65536 && *h <= 65536;
}

const char* usage_inspect =
    "usage: tavrin inspect FILE [--json]\n"
    "\n"
    "Reads the payload trailer at the end of FILE, the payload and its track table, and\n"
    "prints every track record, whether its blocks lie inside the payload, and which\n"
    "records the player can play. Each playable track's MP3 stream is decoded as the\n"
    "player decodes it: decoded_samples (all the stream decodes to, decoder delay\n"
    "included, also what the Linux player does not keep), frames_total and\n"
    "decoded_show_length (the looped PCM buffer), or why it gives none. A file without\n"
    "a valid payload is an error.\n"
    "  --json   print one JSON object instead of text\n";

bool is_help(const char* a) { return !strcmp(a, "--help") || !strcmp(a, "-h"); }

int fail(const char* command, const std::string& message) {
    fprintf(stderr, "tavrin %s: %s\n", command, message.c_str());
    return 2;
}

int cmd_describe(int argc, char** argv) {
    const char* seed_text = nullptr;
    const char* payload_path = nullptr;
    const char* phrase_text = nullptr;
    describe_frames frames;
    bool scene = false, sized = false;
    bool no_payload = false;
    for (int i = 0; i < argc; ++i) {
        if (is_help(argv[i])) {
            fputs(usage_describe_head, stdout);
            fputs(payload_lookup_help, stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--payload")) {
            if (i + 1 >= argc) return fail("describe", "--payload needs a file name");
            payload_path = argv[++i];
        } else if (!strcmp(argv[i], "--at")) {
            if (i + 1 >= argc) return fail("describe", "--at needs show times, e.g. --at 1.5,20,42");
            frames.times.clear();
            if (!parse_times(argv[++i], &frames.times))
                return fail("describe", std::string("--at takes comma-separated seconds, got '") + argv[i] + "'");
        } else if (!strcmp(argv[i], "--size")) {
            if (i + 1 >= argc || !parse_size(argv[i + 1], &frames.width, &frames.height))
                return fail("describe", std::string("--size takes WIDTHxHEIGHT, e.g. 1920x1080") +
                                            (i + 1 < argc ? std::string(", got '") + argv[i + 1] + "'" : ""));
            ++i;
            sized = true;
        } else if (!strcmp(argv[i], "--ornaments")) {
            if (i + 1 >= argc) return fail("describe", "--ornaments needs a phrase number");
            phrase_text = argv[++i];
        } else if (!strcmp(argv[i], "--scene")) {
            scene = true;
        } else if (!strcmp(argv[i], "--no-payload")) {
            no_payload = true;
        } else if (argv[i][0] == '-') {
            return fail("describe", std::string("unknown option ") + argv[i] + " (see tavrin describe --help)");
        } else if (seed_text) {
            return fail("describe", std::string("unexpected argument ") + argv[i]);
        } else {
            seed_text = argv[i];
        }
    }
    if (scene) {
        if (seed_text || payload_path || sized || !frames.times.empty() || phrase_text)
            return fail("describe", "--scene takes no SEED and no other option");
        std::string out = describe_scene();
        fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    if (phrase_text && (sized || !frames.times.empty()))
        return fail("describe", "--ornaments describes a phrase's build, not frames: leave out --at and --size");
    if (sized && frames.times.empty()) return fail("describe", "--size needs --at (it sets the camera's aspect ratio)");
    if (!seed_text) return fail("describe", "missing SEED (see tavrin describe --help)");
    uint32_t seed = 0;
    const char* args[2] = {"tavrin", seed_text};
    if (!seed_from_args_linux(2, args, &seed))
        return fail("describe", std::string("SEED must begin with a digit, got '") + seed_text + "'");
    if (payload_path && no_payload) return fail("describe", "--payload and --no-payload exclude each other");
    // The payload as render and the player find it; an empty path describes the silent show.
    payload_choice choice = find_payload(payload_path, no_payload);
    std::string why;
    if (choice.explicit_file && !check_payload_file(choice.path, &why)) return fail("describe", why);
    if (!choice.path.empty() && !choice.explicit_file && !check_payload_file(choice.path, &why))
        fprintf(stderr, "tavrin describe: %s (from %s); describing the silent show, as the player plays it\n",
                why.c_str(), choice.origin.c_str());
    if (choice.path.empty())
        fprintf(stderr, "tavrin describe: no payload (%s): the silent show\n", choice.origin.c_str());
    else
        fprintf(stderr, "tavrin describe: payload %s (%s)\n", choice.path.c_str(), choice.origin.c_str());
    const char* chosen = choice.path.c_str(); // "": the silent show
    if (phrase_text) {
        char* end = nullptr;
        errno = 0;
        long phrase = strtol(phrase_text, &end, 10);
        if (!*phrase_text || *end || errno || phrase < 0 || phrase > 2147483647L || phrase_text[0] == '-' ||
            phrase_text[0] == '+' || phrase_text[0] == ' ')
            return fail("describe", std::string("PHRASE must be a whole number from 0 to 2147483647, got '") +
                                        phrase_text + "'");
        std::string out = describe_ornaments(seed, chosen, (int32_t)phrase, decode_track);
        fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    std::string out = describe_show(seed, chosen, decode_track, frames);
    fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int cmd_inspect(int argc, char** argv) {
    const char* path = nullptr;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        if (is_help(argv[i])) {
            fputs(usage_inspect, stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--json"))
            json = true;
        else if (argv[i][0] == '-')
            return fail("inspect", std::string("unknown option ") + argv[i] + " (see tavrin inspect --help)");
        else if (path)
            return fail("inspect", std::string("unexpected argument ") + argv[i]);
        else
            path = argv[i];
    }
    if (!path) return fail("inspect", "missing FILE (see tavrin inspect --help)");
    inspection in = inspect_payload(path, decode_record);
    if (!in.ok) return fail("inspect", std::string(path) + ": " + in.error);
    std::string out = json ? inspection_json(in) : inspection_text(in, path);
    fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Windows opens both in text mode, which writes "\r\n" for "\n"; print the same bytes as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2 || is_help(argv[1])) {
        fputs(usage_main, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    std::string command = argv[1];
    if (command == "describe") return cmd_describe(argc - 2, argv + 2);
    if (command == "inspect") return cmd_inspect(argc - 2, argv + 2);
#ifndef _WIN32
    if (command == "pack") return run_pack(argc - 2, argv + 2);
#endif
#ifdef TAVRIN_RENDER
    if (command == "render" || command == "bench") {
        int status = command == "render" ? run_render(argc - 2, argv + 2) : run_bench(argc - 2, argv + 2);
        finish_offscreen_show();
        return status;
    }
#endif
    fprintf(stderr, "tavrin: unknown command '%s'\n\n%s", command.c_str(), usage_main);
    return 2;
}
