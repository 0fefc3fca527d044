// The tools' media output (tools/media_out.h): the WAV bytes `render` hands to ffmpeg, the
// hidden names files are written under, finding a program on PATH, and collecting what a
// program writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/le_bytes.h"
#include "tools/media_out.h"

namespace {

std::string make_dir() {
    const char* t = getenv("TMPDIR");
    std::string tmpl = std::string(t ? t : "/tmp") + "/tavrin-media-XXXXXX";
    return mkdtemp(tmpl.data());
}

std::vector<uint8_t> read_all(const std::string& path) {
    std::vector<uint8_t> b;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return b;
    uint8_t buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

void write_text(const std::string& path, const char* text, mode_t mode) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    fputs(text, f);
    fclose(f);
    chmod(path.c_str(), mode);
}

} // namespace

TEST(MediaOut, WavIsMono16BitWithSilenceWhereTheBufferEnds) {
    std::string dir = make_dir();
    std::string path = dir + "/a.wav";
    // The buffer is four samples long; what lies past it must never be read.
    const int16_t pcm[5] = {1000, -2, 32767, -32768, 555};
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    // Two samples before the buffer, its four, two after it.
    ASSERT_TRUE(write_wav(fd, 22050, pcm, 4, -2, 8));
    close(fd);
    std::vector<uint8_t> b = read_all(path);
    ASSERT_EQ(b.size(), 44u + 16u);
    EXPECT_EQ(memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(read_u32_le(&b[4]), 36u + 16u);
    EXPECT_EQ(memcmp(&b[8], "WAVEfmt ", 8), 0);
    EXPECT_EQ(read_u32_le(&b[16]), 16u);
    EXPECT_EQ(b[20] | b[21] << 8, 1); // PCM
    EXPECT_EQ(b[22] | b[23] << 8, 1); // mono
    EXPECT_EQ(read_u32_le(&b[24]), 22050u);
    EXPECT_EQ(read_u32_le(&b[28]), 44100u);
    EXPECT_EQ(b[32] | b[33] << 8, 2);
    EXPECT_EQ(b[34] | b[35] << 8, 16);
    EXPECT_EQ(memcmp(&b[36], "data", 4), 0);
    EXPECT_EQ(read_u32_le(&b[40]), 16u);
    const int16_t expected[8] = {0, 0, 1000, -2, 32767, -32768, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ((int16_t)(b[44 + 2 * i] | b[45 + 2 * i] << 8), expected[i]) << i;
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST(MediaOut, PartialFilesAreHiddenBesideTheirFile) {
    struct {
        const char* final_path;
        const char* tag;
        const char* partial;
    } cases[] = {
        {"out/frame-0001-1.000s.png", "", "out/.frame-0001-1.000s.png.partial"},
        {"show.mp4", "-42", ".show.mp4.partial-42"},
        {"/a/b/c.webm", "-7", "/a/b/.c.webm.partial-7"},
    };
    for (const auto& c : cases) EXPECT_EQ(partial_path_beside(c.final_path, c.tag), c.partial) << c.final_path;
}

TEST(MediaOut, ProgramOnPathTakesOnlyExecutableRegularFiles) {
    std::string dir = make_dir();
    ASSERT_EQ(mkdir((dir + "/a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir + "/b").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir + "/c").c_str(), 0755), 0);
    write_text(dir + "/a/tool", "#!/bin/sh\n", 0644);         // not executable
    ASSERT_EQ(mkdir((dir + "/b/tool").c_str(), 0755), 0);      // a folder
    write_text(dir + "/c/tool", "#!/bin/sh\n", 0755);
    std::string old = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir + "/a:" + dir + "/b:" + dir + "/c").c_str(), 1);
    EXPECT_EQ(program_on_path("tool"), dir + "/c/tool");
    EXPECT_EQ(program_on_path("no-such-tool"), "");
    // An empty entry is the current folder.
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir((dir + "/c").c_str()), 0);
    setenv("PATH", (dir + "/a::").c_str(), 1);
    EXPECT_EQ(program_on_path("tool"), "./tool");
    ASSERT_EQ(chdir(cwd), 0);
    setenv("PATH", old.c_str(), 1);
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST(MediaOut, RunCollectingKeepsOutputMessagesAndStatus) {
    std::vector<uint8_t> out;
    std::string messages, why;
    int status = -1;
    ASSERT_TRUE(run_collecting("/bin/sh", {"sh", "-c", "printf 'out put'; printf oops >&2; exit 3"}, &out, &messages,
                               &status, &why))
        << why;
    EXPECT_EQ(std::string(out.begin(), out.end()), "out put");
    EXPECT_EQ(messages, "oops");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    // A program that cannot run exits 127 from the child.
    out.clear();
    messages.clear();
    ASSERT_TRUE(run_collecting("/nonexistent/program", {"program"}, &out, &messages, &status, &why));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}
