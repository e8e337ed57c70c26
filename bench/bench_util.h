// Helpers shared by the benchmarks.
#ifndef OSA_BENCH_BENCH_UTIL_H
#define OSA_BENCH_BENCH_UTIL_H

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "core/assets.h"
#include "world/level.h"

// Starts Allegro without a display (32-bit pixels read as 0xRRGGBB) and works from the build
// tree, beside dat/: OSA_BUILD_DIR when set, else the directory above this program's.
// Returns false when either fails; safe to call more than once.
inline bool start_headless_in_build_tree() {
    static int done = 0;
    if (done) return done > 0;
    done = -1;
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return false;
    set_color_depth(32);
    _rgb_r_shift_32 = 16;
    _rgb_g_shift_32 = 8;
    _rgb_b_shift_32 = 0;
    const char* dir = std::getenv("OSA_BUILD_DIR");
    std::error_code ec;
    const std::filesystem::path build =
        dir ? std::filesystem::path(dir)
            : std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path();
    std::filesystem::current_path(build, ec);
    done = ec ? -1 : 1;
    return done > 0;
}

// The game's own start, headless: the assets and the shipped level loaded as the game loads them,
// and a background for a screen of w x h. False when any of it fails.
inline bool start_game_headless(int w, int h) {
    if (!start_headless_in_build_tree()) return false;
    load_shit();
    load_level();
    return !blStartFailed && make_back(w, h);
}

// The shipped tiles with their masks and the shipped level, loaded once from the build tree.
inline bool load_shipped_tiles_and_level() {
    static int done = 0;
    if (done) return done > 0;
    done = -1;
    if (!start_headless_in_build_tree()) return false;
    BITMAP* sheet = load_bitmap("dat/tiles.pcx", nullptr);
    if (!sheet || !cut_tiles(sheet)) return false;
    destroy_bitmap(sheet);
    std::ifstream level("dat/level.dat");
    std::string error;
    if (!read_level(level, static_cast<int>(tiles.size()), &error)) return false;
    done = 1;
    return true;
}

#endif
