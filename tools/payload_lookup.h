// Which show payload a `tavrin` command uses, found the same way by every command that plays,
// describes or renders a show, so that one seed describes what is rendered and played.
#pragma once
#include <string>

struct payload_choice {
    std::string path;   // empty: no payload, the silent 16-second show
    std::string origin; // how it was found, in words, for messages
    bool explicit_file = false; // named by --payload
};

// --payload FILE when given; --no-payload for the silent show; else the file named by
// TAVRIN_SELF when set and not empty; else default-show.tavrin beside this tool when it
// exists; else none.
payload_choice find_payload(const char* given, bool no_payload);

// Whether `path` ends with a show payload (its 12-byte trailer). False with a message that
// says what the file is and how to make a payload of it.
bool check_payload_file(const std::string& path, std::string* error);

// The lookup rule, for the --help texts.
extern const char* const payload_lookup_help;
