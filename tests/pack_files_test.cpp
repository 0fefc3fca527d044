// `tavrin pack` and the files it is handed: --append-to takes only a player executable, the
// partial files of a killed run are cleaned up, and a WAV cut short is reported.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sndfile.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/player_mark.h"
#include "pack_fixture.h"
#include "tools/media_out.h"
#include "tools/pack.h"
#include "tools/pack_checks.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes read_all(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_all(const std::string& path, const bytes& b) {
    std::ofstream f(path, std::ios::binary);
    f.write((const char*)b.data(), (std::streamsize)b.size());
}

bytes elf_image() {
    bytes b = {0x7f, 'E', 'L', 'F', 2, 1, 1, 0};
    b.resize(4096, 0);
    return b;
}

// A minimal PE file: the DOS header pointing (e_lfanew at 0x3c) at "PE\0\0".
bytes pe_image() {
    bytes b(4096, 0);
    b[0] = 'M';
    b[1] = 'Z';
    b[0x3c] = 0x80;
    memcpy(b.data() + 0x80, "PE\0\0", 4);
    return b;
}

bytes with_mark(bytes b, size_t at = 1000) {
    memcpy(b.data() + at, tavrin_player_mark, player_mark_size);
    return b;
}

std::string temp_dir() {
    const char* t = getenv("TMPDIR");
    std::string tmpl = std::string(t ? t : "/tmp") + "/tavrin-pack-files-XXXXXX";
    return mkdtemp(tmpl.data());
}

void remove_dir(const std::string& dir) {
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
}

bool exists_no_follow(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Runs a shell command; returns its status and what it wrote on stderr.
int run_capturing(const std::string& command, std::string* err, const std::string& dir) {
    std::string err_file = dir + "/stderr";
    int status = system((command + " >/dev/null 2>'" + err_file + "'").c_str());
    bytes e = read_all(err_file);
    err->assign(e.begin(), e.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

payload_track tiny_track() {
    payload_track t;
    t.record.tempo_bpm = 120;
    t.record.show_length = 2;
    t.record.loop_length = 1;
    t.record.feature_rate = 20;
    t.record.sample_rate = 22050;
    t.record.loop_samples = 22050;
    t.record.mp3_kbps = 48;
    t.features.assign(8, 1);
    t.energy.assign(1, 2);
    t.mp3.assign(100, 3);
    return t;
}

} // namespace

// The tool knows the mark without carrying it: its decoded copy is the players' constant.
TEST(PlayerImage, TheToolsCopyOfTheMarkIsThePlayers) {
    std::string m = player_mark_bytes();
    ASSERT_EQ(m.size(), (size_t)player_mark_size);
    EXPECT_EQ(memcmp(m.data(), tavrin_player_mark, player_mark_size), 0);
}

TEST(PlayerImage, OnlyAnElfOrPeExecutableWithTheMarkIsAPlayer) {
    bytes text(4096, 'a');
    bytes bad_pe = with_mark(pe_image());
    bad_pe[0x3c] = 0xff; // e_lfanew past the PE header
    bad_pe[0x3d] = 0xff;
    bytes short_pe = {'M', 'Z'};
    struct Case {
        const char* name;
        bytes data;
        bool player;
        const char* why; // part of the reason when refused
    } cases[] = {
        {"ELF with the mark", with_mark(elf_image()), true, ""},
        {"PE with the mark", with_mark(pe_image()), true, ""},
        {"mark at the very end", with_mark(elf_image(), 4096 - player_mark_size), true, ""},
        {"ELF without the mark", elf_image(), false, "not the tavrin player"},
        {"PE without the mark", pe_image(), false, "not the tavrin player"},
        {"half a mark", [] {
             bytes b = elf_image();
             memcpy(b.data() + 4096 - 16, tavrin_player_mark, 16);
             return b;
         }(), false, "not the tavrin player"},
        {"text with the mark", with_mark(text), false, "not an executable"},
        {"MZ without a PE header", bad_pe, false, "not an executable"},
        {"two bytes", short_pe, false, "not an executable"},
        {"empty", bytes(), false, "not an executable"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(is_player_image(c.data.data(), c.data.size(), &why), c.player) << c.name;
        if (!c.player) {
            EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
        }
    }
}

// A player copied without its run bit (a PE from a Windows share) still gives a runnable file;
// anything but a player leaves no output at all.
TEST(PlayerImage, AppendingKeepsThePlayerRunnableAndRefusesOtherFiles) {
    std::string dir = temp_dir();
    mode_t old_mask = umask(022);
    std::string pe = dir + "/player.exe", text = dir + "/notes.txt", out = dir + "/show.exe";
    bytes image = with_mark(pe_image());
    write_all(pe, image);
    chmod(pe.c_str(), 0644);
    write_all(text, bytes(100, 'a'));

    std::vector<payload_track> tracks = {tiny_track()};
    std::string error;
    ASSERT_TRUE(write_show_file(out, pe, tracks, &error)) << error;
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    bytes written = read_all(out);
    ASSERT_GT(written.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));

    std::string refused = dir + "/refused";
    EXPECT_FALSE(write_show_file(refused, text, tracks, &error));
    EXPECT_NE(error.find("not an executable"), std::string::npos) << error;
    EXPECT_FALSE(exists_no_follow(refused));
    EXPECT_FALSE(check_append_target(text, &error));
    EXPECT_TRUE(check_append_target(pe, &error)) << error;
    umask(old_mask);
    remove_dir(dir);
}

// A partial file of the same output that no one holds is what a killed run leaves: the next
// write removes it. One that a running writer holds, other outputs' files, links and FIFOs
// are left alone (and never waited on).
TEST(PartialFiles, AStaleOneIsRemovedByTheNextRunOnlyThat) {
    std::string dir = temp_dir();
    std::string out = dir + "/show.tavrin";
    const std::string stale = out + ".partial-Ab12Cd", held = out + ".partial-HeLd01", fifo = out + ".partial-F1f0ab",
                      link = out + ".partial-L1nkab", other = dir + "/other.tavrin.partial-Ab12Cd",
                      longer = out + ".partial-Ab12Cd7", target = dir + "/target";
    for (const std::string& p : {stale, held, other, longer, target}) write_all(p, bytes(10, 1));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    int holder = open(held.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    // A killed writer: a child that locks its partial file and dies without cleaning up.
    const std::string killed = out + ".partial-K1lled";
    pid_t child = fork();
    if (child == 0) {
        int fd = open(killed.c_str(), O_WRONLY | O_CREAT, 0600);
        flock(fd, LOCK_EX);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(exists_no_follow(killed));

    std::string error;
    const uint8_t data[] = {1, 2, 3};
    ASSERT_TRUE(write_file_replacing(out, {{data, sizeof data}}, 0644, &error)) << error;
    EXPECT_EQ(read_all(out), bytes(data, data + 3));
    EXPECT_FALSE(exists_no_follow(stale));
    EXPECT_FALSE(exists_no_follow(killed));
    for (const std::string& p : {held, fifo, link, other, longer, target})
        EXPECT_TRUE(exists_no_follow(p)) << p << " was removed";
    close(holder);
    // Once its writer is gone, the held one goes with the next run too.
    EXPECT_EQ(remove_stale_partial_files(out), 1);
    EXPECT_FALSE(exists_no_follow(held));
    remove_dir(dir);
}

// A WAV whose data chunk claims more than the file holds is packed with a warning; a whole one,
// and one whose writer could not know the length (0xFFFFFFFF), without.
TEST(TruncatedInput, AWavCutShortIsPackedWithAWarning) {
    std::string dir = temp_dir();
    click_track t;
    t.seconds = 3;
    std::string whole = dir + "/whole.wav", cut = dir + "/cut.wav", streamed = dir + "/streamed.wav";
    ASSERT_TRUE(write_click_file(whole, t, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    bytes b = read_all(whole);
    bytes c(b.begin(), b.begin() + (ptrdiff_t)(b.size() * 2 / 3));
    write_all(cut, c);
    bytes s = b;
    for (size_t at = 12; at + 8 <= s.size();) {
        uint32_t n = s[at + 4] | s[at + 5] << 8 | s[at + 6] << 16 | (uint32_t)s[at + 7] << 24;
        if (!memcmp(s.data() + at, "data", 4)) {
            memset(s.data() + at + 4, 0xff, 4);
            break;
        }
        at += 8 + n + (n & 1);
    }
    write_all(streamed, s);

    EXPECT_EQ(truncated_input_warning(whole), "");
    EXPECT_EQ(truncated_input_warning(streamed), "");
    std::string w = truncated_input_warning(cut);
    EXPECT_NE(w.find("is truncated"), std::string::npos) << w;
    EXPECT_EQ(truncated_input_warning(dir + "/missing.wav"), "");

    std::string err;
    std::string cmd = std::string(TAVRIN_TOOL) + " pack --quiet --bpm 120 --beat-origin 0 '" + cut + "' -o '" + dir +
                      "/cut.tavrin'";
    EXPECT_EQ(run_capturing(cmd, &err, dir), 0) << err;
    EXPECT_NE(err.find("warning: " + cut + " is truncated"), std::string::npos) << err;
    EXPECT_TRUE(exists_no_follow(dir + "/cut.tavrin"));
    cmd = std::string(TAVRIN_TOOL) + " pack --quiet --bpm 120 --beat-origin 0 '" + whole + "' -o '" + dir +
          "/whole.tavrin'";
    EXPECT_EQ(run_capturing(cmd, &err, dir), 0) << err;
    EXPECT_EQ(err.find("warning"), std::string::npos) << err;
    remove_dir(dir);
}
