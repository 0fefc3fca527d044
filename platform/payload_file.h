// Reading a show payload from a named file, for the players that read one (Linux, offscreen)
// and for the tools, in both builds. The payload's parsing and checks are the core's
// (core/payload.h); this is only the file side.
#pragma once
#include <stdio.h>

// Opens `path` for reading only when it is a regular file, without ever waiting on it: a FIFO
// (whose open would block until a writer comes), a device, a socket or a folder is refused.
// Null when refused or not openable; *why (optional) then says why in a few words.
FILE* open_regular_file(const char* path, const char** why = nullptr);

// Loads with the Linux rules from a named file (size > 12, a full read of the payload).
void load_show_payload_file(const char* path);
