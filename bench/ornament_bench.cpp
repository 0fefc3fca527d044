// Ornament builds: the time of one phrase's build (median and worst) and the vertex and group
// counts it writes, over 100 seeds x 10 phrases (seed palettes from the start-up choices
// without a payload). Prints figures; not a test.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "looks/ornaments.h"
#include "core/rng.h"
#include "player/startup.h"

int main(int argc, char** argv) {
    int seeds = argc > 1 ? atoi(argv[1]) : 100;
    int phrases = argc > 2 ? atoi(argv[2]) : 10;
    if (!ornament_buffer_allocate()) return 1;
    std::vector<double> ms;
    int32_t most = 0, fewest = ornament_capacity, most_groups = 0;
    uint32_t most_seed = 0;
    int32_t most_phrase = 0;
    int at_cap = 0;
    for (int s = 0; s < seeds; ++s) {
        reset_show_state();
        startup_hooks hooks{};
        uint32_t seed = 1u + (uint32_t)s * 2654435761u;
        run_startup_choices(seed, hooks);
        for (int p = 0; p < phrases; ++p) {
            auto a = std::chrono::steady_clock::now();
            build_ornament_set(p);
            auto b = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(b - a).count());
            if (ornament_vertex_count > most) {
                most = ornament_vertex_count;
                most_seed = seed;
                most_phrase = p;
            }
            fewest = std::min(fewest, ornament_vertex_count);
            most_groups = std::max(most_groups, spin_group_count);
            if (ornament_vertex_count >= ornament_capacity) ++at_cap;
        }
    }
    std::sort(ms.begin(), ms.end());
    printf("ornament builds: %zu (%d seeds x %d phrases)\n", ms.size(), seeds, phrases);
    printf("build time: median %.3f ms, 90th %.3f ms, worst %.3f ms\n", ms[ms.size() / 2], ms[ms.size() * 9 / 10],
           ms.back());
    printf("vertices: fewest %d, most %d (seed %u phrase %d), builds at the cap %d\n", fewest, most, most_seed,
           most_phrase, at_cap);
    printf("spin groups: most %d\n", most_groups);
    return 0;
}
