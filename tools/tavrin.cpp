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
#include "tools/describe.h"
#include "tools/inspect.h"
#include "tools/payload_lookup.h"
#ifndef _WIN32
#include "tools/pack.h"
#endif
#ifdef TAVRIN_RENDER
#include "tools/render.h"
#endif

namespace {

const char* usage_main =
    "usage: tavrin COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  describe SEED [--payload FILE]   print the show a seed makes, as JSON (the payload as\n"
    "                                   render finds it: --payload, TAVRIN_SELF, default show)\n"
    "  inspect FILE [--json]            show the payload a file carries and what the player makes of it\n"
#ifndef _WIN32
    "  pack INPUT... -o OUT             pack audio files into a show payload (or a player with one)\n"
#endif
#ifdef TAVRIN_RENDER
    "  render SEED -o DIR|VIDEO         draw a show offscreen as PNG frames or a video with its music\n"
#endif
    "\n"
    "Run 'tavrin COMMAND --help' for the options of a command.\n";

const char* usage_describe_head =
    "usage: tavrin describe SEED [--payload FILE | --no-payload]\n"
    "\n"
    "Prints, as one JSON object, every choice the player makes at start-up for SEED:\n"
    "palette, mood point, chosen track and its timing (show_length as decoding the track\n"
    "fixes it), show plan, phrase plan, pattern textures and pattern records, with the\n"
    "generator state after seeding and at the end.\n"
    "\n"
    "SEED is a decimal number; like the player, it is taken modulo 2^32.\n";

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
    std::string out = describe_show(seed, choice.path.c_str(), decode_track);
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
    if (command == "render") return run_render(argc - 2, argv + 2);
#endif
    fprintf(stderr, "tavrin: unknown command '%s'\n\n%s", command.c_str(), usage_main);
    return 2;
}
