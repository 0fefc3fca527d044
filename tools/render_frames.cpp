// `tavrin render --at`: one PNG per show time, each written under a hidden name and all renamed
// into place once every frame was drawn.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/offscreen/offscreen_player.h"
#include "tools/cli.h"
#include "tools/media_out.h"
#include "tools/render.h"

namespace fs = std::filesystem;

namespace {

// frame-0001-12.500s.png: numbered in the order the times are given, with at least four digits.
std::string frame_name(size_t index, size_t count, double t) {
    int digits = 4;
    for (size_t n = count; n >= 10000; n /= 10) ++digits;
    std::string number = std::to_string(index + 1);
    std::string name = "frame-";
    name.append(number.size() < (size_t)digits ? digits - number.size() : 0, '0');
    name += number;
    name += '-';
    name += seconds_text(t);
    name += "s.png";
    return name;
}

} // namespace

int render_pngs(const render_options& o) {
    for (double t : o.at)
        if (t > show_end())
            return render_error("time " + seconds_text(t) + " is past the end of the show (" + seconds_text(show_end()) + " s)", 2);

    std::vector<uint8_t> rgb((size_t)o.show.width * (size_t)o.show.height * 3);
    fs::path dir = o.output;
    std::error_code ec;
    bool made_dir = false;
    if (!fs::exists(dir, ec)) {
        if (!fs::create_directories(dir, ec)) return render_error("cannot make the directory " + o.output + ": " + ec.message());
        made_dir = true;
    }

    temp_files temps;
    std::vector<std::pair<std::string, std::string>> files; // temporary, final
    progress_bar progress(!o.quiet, true);
    for (size_t i = 0; i < o.at.size() && !render_interrupted; ++i) {
        std::string final_path = (dir / frame_name(i, o.at.size(), o.at[i])).string();
        std::string temp_path = partial_path_beside(final_path, "");
        temps.paths.push_back(temp_path);
        offscreen_frame_alone((float)o.at[i], o.fps);
        offscreen_read_rgb(rgb.data());
        if (!write_png(temp_path, rgb.data(), o.show.width, o.show.height)) {
            progress.end();
            int e = errno;
            if (made_dir) {
                temps.remove_all();
                fs::remove(dir, ec);
            }
            return render_error("cannot write " + temp_path + ": " + strerror(e));
        }
        files.push_back({temp_path, final_path});
        progress.count((int64_t)i + 1, (int64_t)o.at.size(), "frames", i + 1 == o.at.size());
    }
    progress.end();
    if (render_interrupted) {
        temps.remove_all();
        if (made_dir) fs::remove(dir, ec);
        return render_error("interrupted; nothing written", 130);
    }
    for (auto& f : files) {
        if (rename(f.first.c_str(), f.second.c_str()) != 0) return render_error("cannot rename to " + f.second + ": " + strerror(errno));
        temps.keep(f.first);
        printf("%s\n", f.second.c_str());
    }
    if (!o.quiet) fprintf(stderr, "tavrin render: wrote %zu frame%s into %s\n", files.size(), files.size() == 1 ? "" : "s", o.output.c_str());
    return 0;
}
