// Media output for the Linux tools: PNG pictures, WAV sound, the ffmpeg program on a pipe (for
// writing a video and for reading audio that libsndfile does not), temporary files, and files
// written beside their final name and renamed once complete, so that a name never holds half a
// file. `pack`, `render` and `bench` write through this module.
#pragma once
#include <signal.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#include <string>
#include <vector>

// --- Pictures and sound ---

// An 8-bit RGB picture, rows top first, as a PNG file (libpng; tools/media_png.cpp).
bool write_png(const std::string& path, const uint8_t* rgb, int w, int h);

// A mono 16-bit WAV of `count` samples of `pcm` (`pcm_frames` long, may be null) from sample
// `first` on, silence where it has none, written to a descriptor.
bool write_wav(int fd, uint32_t rate, const int16_t* pcm, int64_t pcm_frames, int64_t first, int64_t count);

// Writes every byte, going on after a signal interrupts a write unless *stop (optional) is set.
bool write_all(int fd, const uint8_t* data, size_t bytes, const volatile sig_atomic_t* stop = nullptr);

// --- Files written whole or not at all ---

// Temporary files removed when the owner goes away, whatever happens; keep() spares one that
// was renamed into place.
struct temp_files {
    std::vector<std::string> paths;
    ~temp_files();
    void remove_all();
    void keep(const std::string& path);
};

// The system's folder for temporary files (/tmp when it names none).
std::string system_temp_dir();

// Creates a file from `pattern` (XXXXXX followed by `suffix_length` characters) and opens it;
// returns the descriptor (-1 on failure) and the name made.
int make_temp_file(const std::string& pattern, int suffix_length, std::string* path);

// A hidden name beside `final_path` for writing it: ".NAME.partial" followed by `tag`.
std::string partial_path_beside(const std::string& final_path, const std::string& tag);

// Removes the partial files of `path` that write_file_replacing left and no running writer
// holds (left by a killed run); returns how many.
int remove_stale_partial_files(const std::string& path);

struct byte_span {
    const uint8_t* data;
    size_t size;
};
// Writes `parts` one after the other to a new file beside `path` and renames it over `path`,
// so that `path` is either untouched or complete. `mode` gives the permission bits. The new
// file is OUT.partial-XXXXXX beside OUT, locked while it is written; partial files of the same
// OUT that no one holds are removed first.
bool write_file_replacing(const std::string& path, const std::vector<byte_span>& parts, unsigned mode,
                          std::string* error);

// --- Other programs ---

// The full name of an executable regular file `name` on PATH (an empty entry is the current
// folder; without PATH, /usr/local/bin:/usr/bin:/bin); empty when there is none.
std::string program_on_path(const char* name);

// The last `lines` lines of a text file (a program's messages).
std::string last_lines(const std::string& path, int lines);

// Runs `program` with `args` (args[0] is its name), stdin from /dev/null, and collects what it
// writes to stdout and the first 4 KiB of its stderr (both read together, so that a flood of
// messages cannot stall it). False with *why when it could not be started; otherwise *status
// is its wait status.
bool run_collecting(const std::string& program, const std::vector<std::string>& args, std::vector<uint8_t>* out,
                    std::string* messages, int* status, std::string* why);

// ffmpeg encoding a video: raw RGB frames of a fixed size on a pipe (the child's descriptor 3),
// with a sound file beside them; its messages go to a temporary log.
struct video_encoder {
    std::string program;  // the ffmpeg that runs
    pid_t child = -1;
    int frames_fd = -1;   // write frames here, width * height * 3 bytes each, bottom row first
    std::string log_path; // ffmpeg's messages
};

// Starts `ffmpeg` writing `out_path` from frames of w x h at `fps` and the sound in `wav`;
// the container and codecs follow `extension` (".mp4": H.264 and AAC, ".mkv": H.264 and
// FLAC, ".webm": VP9 and Opus). `temps` takes the log file. False with *error when it could
// not start.
bool start_video_encoder(const std::string& ffmpeg, int w, int h, int fps, const std::string& wav,
                         const std::string& extension, const std::string& out_path, temp_files* temps,
                         video_encoder* v, std::string* error);

// Closes the frame pipe and waits for ffmpeg; `abandon` stops it first. True when ffmpeg
// finished the file; otherwise *why holds the end of its messages (possibly empty).
bool finish_video_encoder(video_encoder* v, bool abandon, std::string* why);
