// The music layer: loading modules, rendering them in the stream's format, and playing them on
// the null sound driver without a screen.
#include <allegro.h>
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "music/music.h"
#include "test_util.h"

namespace {

constexpr int rate = 22050;

void put16(std::string& b, size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, size_t at, unsigned v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A one-pattern Impulse Tracker module: a looped 16-bit sine sample played at C-5 on row 0 of
// channel 0. It is 64 rows (7.68 s) long and then ends, unless the player loops it.
std::string sine_module() {
    constexpr size_t header = 0xC0, orders = 2, sample_header = 80, sample_frames = 100;
    const size_t order_at = header, sample_ptr_at = order_at + orders, pattern_ptr_at = sample_ptr_at + 4;
    const size_t sample_at = pattern_ptr_at + 4, pattern_at = sample_at + sample_header;
    std::string pattern;                             // packed rows
    pattern += static_cast<char>(0x81);              // channel 0, mask follows
    pattern += static_cast<char>(0x03);              // note and sample
    pattern += static_cast<char>(60);                // C-5
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
        const double v = std::sin(2 * M_PI * static_cast<double>(i) / sample_frames) * 20000.0;
        put16(b, data_at + 2 * i, static_cast<unsigned>(static_cast<std::int16_t>(v)) & 0xFFFF);
    }
    return b;
}

class Music : public testing::Test {
protected:
    void SetUp() override {
        init_headless_allegro();
        shipped = (std::filesystem::absolute(build_dir()) / "dat" / "music.it").string();
        work = std::make_unique<scoped_work_dir>();
        std::ofstream("sine.it", std::ios::binary) << sine_module();
    }
    void TearDown() override { work.reset(); }
    std::string shipped;  // the game's own module in the build tree
    std::unique_ptr<scoped_work_dir> work;
};

bool any_sound(const std::vector<unsigned short>& out) {
    for (unsigned short v : out)
        if (v != 0x8000) return true;
    return false;
}

} // namespace

TEST_F(Music, LoadingGivesAHandleOnlyForAModule) {
    EXPECT_NE(FMUSIC_LoadSong("sine.it"), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong("no-such-file.it"), nullptr);
    std::ofstream("text.it") << "this is not a module at all, just some words in a file";
    EXPECT_EQ(FMUSIC_LoadSong("text.it"), nullptr);
    std::string cut = sine_module().substr(0, 150);
    std::ofstream("cut.it", std::ios::binary) << cut;
    EXPECT_EQ(FMUSIC_LoadSong("cut.it"), nullptr);
}

TEST_F(Music, RenderingGivesLibopenmptsSamplesAsUnsigned16Bit) {
    FMUSIC_MODULE* mod = FMUSIC_LoadSong("sine.it");
    ASSERT_NE(mod, nullptr);
    constexpr int frames = 4096;
    std::vector<unsigned short> out(2 * frames);
    EXPECT_EQ(render_song(mod, rate, out.data(), frames), frames);
    EXPECT_TRUE(any_sound(out));

    // The oracle: the same module decoded straight through libopenmpt, signed 16-bit, no dither.
    std::istringstream in(sine_module());
    openmpt::module direct(in);
    direct.ctl_set_integer("dither", 0);
    std::vector<std::int16_t> want(2 * frames);
    ASSERT_EQ(direct.read_interleaved_stereo(rate, frames, want.data()), static_cast<size_t>(frames));
    int loudest = 0;
    for (int i = 0; i < 2 * frames; i++) {
        ASSERT_EQ(out[i], static_cast<unsigned short>(want[i] + 32768)) << i;
        loudest = std::max(loudest, std::abs(static_cast<int>(want[i])));
    }
    EXPECT_GT(loudest, 1000) << "the sine is clearly audible";
}

TEST_F(Music, AfterTheEndOfASongThatDoesNotLoopComesSilence) {
    FMUSIC_MODULE* mod = FMUSIC_LoadSong("sine.it");
    ASSERT_NE(mod, nullptr);
    // 64 rows of 0.12 s: 7.68 s, 169344 frames at 22050 Hz; render 8 s.
    constexpr int frames = 8 * rate;
    std::vector<unsigned short> out(2 * frames);
    const int got = render_song(mod, rate, out.data(), frames);
    EXPECT_GT(got, 7 * rate);
    EXPECT_LT(got, frames);
    for (int i = 2 * got; i < 2 * frames; i++) ASSERT_EQ(out[i], 0x8000) << i;
}

TEST_F(Music, NoModuleRendersSilence) {
    std::vector<unsigned short> out(2 * 100, 1);
    EXPECT_EQ(render_song(nullptr, rate, out.data(), 100), 0);
    EXPECT_FALSE(any_sound(out));
}

TEST_F(Music, TheShippedMusicIsNotSilent) {
    FMUSIC_MODULE* mod = FMUSIC_LoadSong(shipped.c_str());
    ASSERT_NE(mod, nullptr) << shipped;
    constexpr int frames = 10 * rate;  // the first ten seconds
    std::vector<unsigned short> out(2 * frames);
    EXPECT_EQ(render_song(mod, rate, out.data(), frames), frames);
    EXPECT_TRUE(any_sound(out));
}

TEST_F(Music, PlaysOnlyOnceSoundIsInstalledAndStopsCleanly) {
    FMUSIC_MODULE* mod = FMUSIC_LoadSong("sine.it");
    ASSERT_NE(mod, nullptr);
    // Before install_sound there is no output to play into.
    EXPECT_FALSE(FSOUND_Init(rate, 32, 0));
    EXPECT_FALSE(FMUSIC_PlaySong(mod));
    // The null driver: sound is installed, the stream plays into nothing and never drains.
    ASSERT_EQ(install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr), 0);
    EXPECT_TRUE(FSOUND_Init(rate, 32, 0));
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_TRUE(FMUSIC_PlaySong(mod));
    EXPECT_FALSE(FMUSIC_PlaySong(mod)) << "one song at a time";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    FSOUND_Close();
    FSOUND_Close();
    // Once closed, a song can start again.
    EXPECT_TRUE(FMUSIC_PlaySong(mod));
    FSOUND_Close();
    remove_sound();
}
