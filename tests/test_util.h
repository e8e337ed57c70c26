// Helpers shared by the test files.
#ifndef OSA_TESTS_TEST_UTIL_H
#define OSA_TESTS_TEST_UTIL_H

#include <allegro.h>

#include <cstdlib>
#include <string>

// Starts Allegro without a display: memory bitmaps, drawing, blending, RLE sprites, PCX,
// datafiles and samples work; timers and the screen do not. Pixels read as 0xRRGGBB, as in
// the game after its video mode is set. Safe to call more than once.
inline void init_headless_allegro() {
    static bool started = false;
    if (started) return;
    started = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    set_color_depth(32);
    _rgb_r_shift_32 = 16;
    _rgb_g_shift_32 = 8;
    _rgb_b_shift_32 = 0;
}

// The build tree (where the game and the generated dat/ live) and the source tree.
inline std::string build_dir() {
    const char* d = std::getenv("OSA_BUILD_DIR");
    return d ? d : ".";
}
inline std::string source_dir() {
    const char* d = std::getenv("OSA_SOURCE_DIR");
    return d ? d : "..";
}

#endif
