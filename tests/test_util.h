// Helpers shared by the test files.
#ifndef OSA_TESTS_TEST_UTIL_H
#define OSA_TESTS_TEST_UTIL_H

#include <allegro.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// Runs f and returns what it printed on stdout. Without a display, allegro_message (and so
// start_failure) prints its text there.
template <class F>
std::string stdout_of(F f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A fresh directory under the system's temporary directory that is the working directory while
// the object lives; then the old working directory comes back and the directory is removed.
class scoped_work_dir {
public:
    scoped_work_dir() : old_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "osa-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        std::filesystem::current_path(dir_);
    }
    ~scoped_work_dir() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    scoped_work_dir(const scoped_work_dir&) = delete;
    scoped_work_dir& operator=(const scoped_work_dir&) = delete;
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};

#endif
