// Helpers shared by the test files.
#ifndef OSA_TESTS_TEST_UTIL_H
#define OSA_TESTS_TEST_UTIL_H

#include <allegro.h>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "text/language.h"
#include "world/level.h"

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

// The build tree (where the game and the generated dat/ live) and the source tree, as CMake
// knows them; OSA_BUILD_DIR in the environment names another build tree (the window tests').
inline std::string build_dir() {
    const char* d = std::getenv("OSA_BUILD_DIR");
    return d ? d : OSA_BUILD_TREE;
}
inline std::string source_dir() { return OSA_SOURCE_TREE; }

// Runs f and returns what it printed on stdout. Without a display, allegro_message (and so
// start_failure) prints its text there.
template <class F>
std::string stdout_of(F f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Runs the shell command cmd; returns its exit status (-1 when it did not exit), with what it
// printed on stdout in *out.
inline int run_command(const std::string& cmd, std::string* out) {
    out->clear();
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out->append(buf, n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The game's --verify on the replay at path: its exit status and the line it printed.
inline int verify_with_game(const std::string& path, std::string* line) {
    return run_command("'" + build_dir() + "/one-step-ahead' --verify '" + path + "' 2>&1", line);
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

// The tiles cut from the shipped sheet (in tiles and masktiles) and the two characters from the
// shipped datafiles, as the level tool loads them for its search. Made on the first call.
struct search_characters {
    PLAYER player{player_start_x, start_y, (build_dir() + "/dat/mora.dat").c_str(), 2};
    PLAYER partner{partner_start_x, start_y, (build_dir() + "/dat/vela.dat").c_str(), 3};
};
inline const search_characters& shipped_search_characters() {
    init_headless_allegro();
    if (tiles.empty()) {
        BITMAP* sheet = load_bitmap((build_dir() + "/dat/tiles.pcx").c_str(), nullptr);
        if (sheet) cut_tiles(sheet);
        if (sheet) destroy_bitmap(sheet);
    }
    static const search_characters d;
    return d;
}

// size bytes of noise, the same bytes for the same number: damaged files for the readers.
inline std::string noise_bytes(std::size_t size, unsigned number) {
    std::mt19937 random(number);
    std::string noise(size, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    return noise;
}

// The whole contents of the file at path; empty when it cannot be read.
inline std::string file_contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Sets the environment variable name to value (unsets it for a null value) while the object
// lives; then the old value comes back.
class scoped_env {
public:
    scoped_env(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        set(value);
    }
    ~scoped_env() { set(had_ ? old_.c_str() : nullptr); }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;
    void set(const char* value) {
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// The text of the smallest level the game takes (min_level_columns x min_level_rows cells) whose
// top-left cells are the given rows of cells, each as the file writes it ("1w"), and open tile 0
// everywhere else; then the shops, all at the origin unless given.
inline std::string level_with(const std::vector<std::vector<std::string>>& rows,
                              const std::string& shops = "0 0 0 0 0 0 0 0 0 0") {
    std::ostringstream out;
    out << min_level_columns << ' ' << min_level_rows << '\n';
    for (size_t cy = 0; cy < static_cast<size_t>(min_level_rows); cy++) {
        const size_t given = cy < rows.size() ? rows[cy].size() : 0;
        for (size_t cx = 0; cx < static_cast<size_t>(min_level_columns); cx++)
            out << (cx < given ? rows[cy][cx] : "0x") << ' ';
        out << '\n';
    }
    out << shops;
    return out.str();
}

// Little-endian helpers for the test files below.
inline void put16(std::string& b, size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& b, size_t at, unsigned v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A one-pattern Impulse Tracker module: a looped 16-bit sine sample played at `note` (C-5, middle
// C, by default) on row 0 of channel 0. It is 64 rows (7.68 s) long and then ends, unless the
// player loops it.
inline std::string sine_module(int note = 60) {
    constexpr size_t header = 0xC0, orders = 2, sample_header = 80, sample_frames = 100;
    const size_t order_at = header, sample_ptr_at = order_at + orders, pattern_ptr_at = sample_ptr_at + 4;
    const size_t sample_at = pattern_ptr_at + 4, pattern_at = sample_at + sample_header;
    std::string pattern;                             // packed rows
    pattern += static_cast<char>(0x81);              // channel 0, mask follows
    pattern += static_cast<char>(0x03);              // note and sample
    pattern += static_cast<char>(note);
    pattern += static_cast<char>(1);                 // sample 1
    pattern += std::string(64, '\0');                // the end of each of the 64 rows
    const size_t data_at = pattern_at + 8 + pattern.size();

    std::string b(data_at + 2 * sample_frames, '\0');
    b.replace(0, 4, "IMPM");
    b[0x1E] = 4;
    b[0x1F] = 16;
    put16(b, 0x20, orders);
    put16(b, 0x24, 1);       // samples
    put16(b, 0x26, 1);       // patterns
    put16(b, 0x28, 0x0214);
    put16(b, 0x2A, 0x0214);
    put16(b, 0x2C, 0x0009);  // stereo, linear slides
    b[0x30] = static_cast<char>(128);
    b[0x31] = 64;
    b[0x32] = 6;
    b[0x33] = 125;
    b[0x34] = static_cast<char>(128);
    for (int ch = 0; ch < 64; ch++) {
        b[0x40 + ch] = static_cast<char>(ch == 0 ? 32 : 160);
        b[0x80 + ch] = 64;
    }
    b[order_at] = 0;
    b[order_at + 1] = static_cast<char>(255);
    put32(b, sample_ptr_at, static_cast<unsigned>(sample_at));
    put32(b, pattern_ptr_at, static_cast<unsigned>(pattern_at));

    b.replace(sample_at, 4, "IMPS");
    b[sample_at + 0x11] = 64;    // global volume
    b[sample_at + 0x12] = 0x13;  // data, 16-bit, loop
    b[sample_at + 0x13] = 64;    // volume
    b[sample_at + 0x2E] = 0x01;  // signed
    b[sample_at + 0x2F] = 32;
    put32(b, sample_at + 0x30, sample_frames);
    put32(b, sample_at + 0x34, 0);
    put32(b, sample_at + 0x38, sample_frames);
    put32(b, sample_at + 0x3C, 26163);  // one period of 100 frames sounds middle C
    put32(b, sample_at + 0x48, static_cast<unsigned>(data_at));

    put16(b, pattern_at, static_cast<unsigned>(pattern.size()));
    put16(b, pattern_at + 2, 64);
    b.replace(pattern_at + 8, pattern.size(), pattern);
    for (size_t i = 0; i < sample_frames; i++) {
        const double v = std::sin(2 * 3.14159265358979 * static_cast<double>(i) / sample_frames) * 20000.0;
        put16(b, data_at + 2 * i, static_cast<unsigned>(static_cast<std::int16_t>(v)) & 0xFFFF);
    }
    return b;
}

// A mono 8-bit WAV of n samples of a square wave at 11025 Hz, for load_wav.
inline std::string square_wav(int n) {
    std::string b(44 + static_cast<size_t>(n), '\0');
    b.replace(0, 4, "RIFF");
    put32(b, 4, static_cast<unsigned>(36 + n));
    b.replace(8, 8, "WAVEfmt ");
    put32(b, 16, 16);
    put16(b, 20, 1);      // PCM
    put16(b, 22, 1);      // mono
    put32(b, 24, 11025);
    put32(b, 28, 11025);  // bytes per second
    put16(b, 32, 1);
    put16(b, 34, 8);
    b.replace(36, 4, "data");
    put32(b, 40, static_cast<unsigned>(n));
    for (int i = 0; i < n; i++) b[44 + static_cast<size_t>(i)] = static_cast<char>((i / 25) % 2 ? 0xC0 : 0x40);
    return b;
}

// ---- languages ------------------------------------------------------------------------------

// The shipped languages, as po/LINGUAS lists them.
inline std::vector<std::string> shipped_languages() {
    std::vector<std::string> out;
    std::istringstream in(file_contents(source_dir() + "/po/LINGUAS"));
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') out.push_back(line);
    return out;
}

// The folder holding the pseudo-language's catalogue (pseudo/LC_MESSAGES/one-step-ahead.mo), made
// once per test program from a template made afresh from the sources (po/make-pot.sh), so that a
// text marked today is in it, by tests/pseudo_catalogue.sh; removed when the program ends. Empty
// when it cannot be made (the failure is the caller's to report).
inline const std::string& pseudo_locale_dir() {
    struct made {
        std::string dir;
        made() {
            std::string pattern = (std::filesystem::temp_directory_path() / "osa-pseudo-XXXXXX").string();
            if (!mkdtemp(pattern.data())) return;
            const std::string out = pattern;
            std::string log;
            const std::string cmd = "bash '" + source_dir() + "/po/make-pot.sh' '" + source_dir() + "' '" + out +
                                    "/fresh.pot' && bash '" + source_dir() + "/tests/pseudo_catalogue.sh' '" + out +
                                    "/fresh.pot' '" + out + "' 2>&1";
            if (run_command(cmd, &log) == 0) dir = out;
            else std::fprintf(stderr, "the pseudo-language could not be made:\n%s", log.c_str());
        }
        ~made() {
            std::error_code ignored;
            if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
        }
    };
    static const made m;
    return m.dir;
}

// Puts lang in force with its catalogues: "en" (no catalogue), "pseudo" (pseudo_locale_dir), or
// a shipped language from the build tree's share/locale.
inline void speak(const std::string& lang) {
    bind_catalogues(lang == "pseudo" ? pseudo_locale_dir() : build_dir() + "/share/locale");
    set_language(lang);
}

// English, every shipped language and the pseudo-language: what every text must fit in.
inline std::vector<std::string> every_language() {
    std::vector<std::string> all = {"en"};
    for (const std::string& l : shipped_languages()) all.push_back(l);
    all.push_back("pseudo");
    return all;
}

#endif
