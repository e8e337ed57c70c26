// The music layer: loading modules, rendering them in the stream's format, and playing them on
// the null sound driver without a screen; the mixer of our own sound output.
#include <allegro.h>
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "music/mixer.h"
#include "music/music.h"
#include "test_util.h"

namespace {

constexpr int rate = 22050;

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

    // The master volume scales every sample (the same frames again, from a fresh load); 0 is
    // silence, and a volume past either end is taken as that end.
    for (int volume : {91, 0, 300}) {
        FMUSIC_MODULE* quieter = FMUSIC_LoadSong("sine.it");
        ASSERT_NE(quieter, nullptr);
        FMUSIC_SetMasterVolume(quieter, volume);
        ASSERT_EQ(render_song(quieter, rate, out.data(), frames), frames);
        const int gain = std::min(volume, 256);
        for (int i = 0; i < 2 * frames; i++)
            ASSERT_EQ(out[i], static_cast<unsigned short>(want[i] * gain / 256 + 32768)) << volume << " at " << i;
    }
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
    // Before install_sound there is no output to play into: the sound driver is missing, which
    // the caller reports, not this layer.
    EXPECT_FALSE(FSOUND_Init(rate, 32, 0));
    EXPECT_EQ(music_start_fault(), music_fault::no_sound_driver);
    EXPECT_FALSE(FMUSIC_PlaySong(mod));
    // The null driver: sound is installed, the stream plays into nothing and never drains.
    ASSERT_EQ(install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr), 0);
    EXPECT_FALSE(FSOUND_Init(0, 32, 0));
    EXPECT_EQ(music_start_fault(), music_fault::layer_failed) << "the sound is there, the layer cannot use it";
    EXPECT_TRUE(FSOUND_Init(rate, 32, 0));
    EXPECT_EQ(music_start_fault(), music_fault::none);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_TRUE(FMUSIC_PlaySong(mod));
    EXPECT_TRUE(FMUSIC_IsPlaying(mod));
    // One song at a time: another takes its place (fading, see below).
    FMUSIC_MODULE* other = FMUSIC_LoadSong("sine.it");
    EXPECT_TRUE(FMUSIC_PlaySong(other));
    EXPECT_TRUE(FMUSIC_IsPlaying(other));
    EXPECT_FALSE(FMUSIC_IsPlaying(mod));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    FSOUND_Close();
    FSOUND_Close();
    EXPECT_FALSE(FMUSIC_IsPlaying(other));
    // Once closed, a song can start again.
    EXPECT_TRUE(FMUSIC_PlaySong(mod));
    FSOUND_Close();
    remove_sound();
}

// A change of tune as heard: the tune sounding falls to silence one step a frame, never cut, and
// the next then starts from its beginning at full, sample for sample as it renders alone; a
// change back before the fade's end brings the first up again as it fell.
TEST_F(Music, AChangeOfTuneFadesTheOneHeardOutAndTheNextInFromItsStart) {
    std::ofstream("high.it", std::ios::binary) << sine_module(72);
    FMUSIC_MODULE* low = FMUSIC_LoadSong("sine.it");
    FMUSIC_MODULE* high = FMUSIC_LoadSong("high.it");
    FMUSIC_MODULE* high_alone = FMUSIC_LoadSong("high.it");
    ASSERT_TRUE(low && high && high_alone);
    constexpr int fade = 2000, before = 1000;
    std::vector<std::int16_t> out(2 * (before + fade + 3000));
    MUSIC_FADE f;
    render_fading(f, low, rate, out.data(), before, fade);
    EXPECT_EQ(f.sounding, low);
    // In uneven pieces, as the output's periods come.
    for (int done = before; done < before + fade + 3000;) {
        const int n = std::min(317, before + fade + 3000 - done);
        render_fading(f, high, rate, out.data() + 2 * done, n, fade);
        done += n;
    }
    EXPECT_EQ(f.sounding, high);

    // The oracle for the fade: the low tune alone, each frame scaled by what is left of the fade.
    FMUSIC_MODULE* low_alone = FMUSIC_LoadSong("sine.it");
    std::vector<unsigned short> alone(2 * (before + fade));
    render_song(low_alone, rate, alone.data(), before + fade);
    for (int i = 0; i < before + fade; i++) {
        const int level = i < before ? fade : fade - (i - before + 1);
        for (int c = 0; c < 2; c++) {
            const int want = (static_cast<int>(alone[2 * i + c]) - 32768) * level / fade;
            ASSERT_EQ(out[2 * i + c], want) << "frame " << i;
        }
    }
    std::vector<unsigned short> fresh(2 * 3000);
    render_song(high_alone, rate, fresh.data(), 3000);
    for (int i = 0; i < 2 * 3000; i++)
        ASSERT_EQ(out[2 * (before + fade) + i], static_cast<int>(fresh[i]) - 32768) << "the high tune at " << i / 2;

    // Halfway out of the high tune, back to it: it rises again from where it fell.
    render_fading(f, low, rate, out.data(), fade / 2, fade);
    EXPECT_EQ(f.level, fade / 2);
    render_fading(f, high, rate, out.data(), fade, fade);
    EXPECT_EQ(f.sounding, high);
    EXPECT_EQ(f.level, fade);
}

TEST_F(Music, WithoutItsThreadTheGameGoesOnSilentWithItsSignalMask) {
    FMUSIC_MODULE* mod = FMUSIC_LoadSong("sine.it");
    ASSERT_NE(mod, nullptr);
    ASSERT_EQ(install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr), 0);
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    // Threads made from here on ask for a stack larger than any memory: std::thread throws, as it
    // does when the process is short of address space.
    pthread_attr_t usual, huge;
    ASSERT_EQ(pthread_getattr_default_np(&usual), 0);
    pthread_attr_init(&huge);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, std::size_t{1} << 46), 0);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    sigset_t before, after;
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    bool played = true;
    EXPECT_NO_THROW(played = FMUSIC_PlaySong(mod));
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    ASSERT_EQ(pthread_setattr_default_np(&usual), 0);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&usual);
    EXPECT_FALSE(played);
    for (int sig = 1; sig < NSIG; sig++) EXPECT_EQ(sigismember(&after, sig), sigismember(&before, sig)) << "signal " << sig;
    // Nothing was left half started: with threads to be had, the song plays.
    EXPECT_TRUE(FMUSIC_PlaySong(mod));
    FSOUND_Close();
    remove_sound();
}

// ---------------------------------------------------------------------------------------------
// The mixer of our own output

namespace {

// A 16-bit mono sample at `freq` Hz whose frame i is the signed value values[i].
SAMPLE* sample_of(const std::vector<int>& values, int freq) {
    SAMPLE* s = create_sample(16, 0, freq, static_cast<int>(values.size()));
    auto* data = static_cast<unsigned short*>(s->data);
    for (size_t i = 0; i < values.size(); i++) data[i] = static_cast<unsigned short>(values[i] + 32768);
    return s;
}

} // namespace

// Full left at full volume and at the output's own rate, a sample comes out as it is on the left
// and not at all on the right, then the voice is free; at twice the pitch it takes every other
// frame and ends in half the time; centred it is heard at half its amplitude on each side.
TEST_F(Music, TheMixerPlaysASampleAtItsPanAndPitch) {
    const std::vector<int> values = {1000, -2000, 3000, -4000, 5000, -6000, 7000, -8000};
    SAMPLE* s = sample_of(values, rate);
    MIXER m;
    m.rate = rate;
    const int frames = 12;
    std::vector<std::int32_t> acc(2 * frames, 0);

    mixer_play(m, s, 255, 0, 1000, 0);
    mixer_add_voices(m, acc.data(), frames);
    for (int i = 0; i < frames; i++) {
        EXPECT_EQ(acc[2 * i], i < 8 ? values[static_cast<size_t>(i)] : 0) << "frame " << i;
        EXPECT_EQ(acc[2 * i + 1], 0) << "frame " << i;
    }
    for (const MIXER_VOICE& v : m.voice) EXPECT_EQ(v.sample, nullptr);

    std::fill(acc.begin(), acc.end(), 0);
    mixer_play(m, s, 255, 255, 2000, 0);
    mixer_add_voices(m, acc.data(), frames);
    for (int i = 0; i < frames; i++) {
        EXPECT_EQ(acc[2 * i], 0);
        EXPECT_EQ(acc[2 * i + 1], i < 4 ? values[static_cast<size_t>(2 * i)] : 0) << "frame " << i;
    }

    std::fill(acc.begin(), acc.end(), 0);
    mixer_play(m, s, 255, 128, 1000, 0);
    mixer_add_voices(m, acc.data(), frames);
    for (int i = 0; i < 8; i++) {
        EXPECT_NEAR(acc[2 * i], values[static_cast<size_t>(i)] / 2.0, std::abs(values[static_cast<size_t>(i)]) / 100.0);
        EXPECT_NEAR(acc[2 * i + 1], values[static_cast<size_t>(i)] / 2.0, std::abs(values[static_cast<size_t>(i)]) / 100.0);
    }
    destroy_sample(s);
}

// Voices add up and the sum is clipped to 16 bits once, at the end.
TEST_F(Music, TheMixerAddsVoicesAndClipsTheSum) {
    SAMPLE* s = sample_of({30000, -30000, 100}, rate);
    MIXER m;
    m.rate = rate;
    mixer_play(m, s, 255, 0, 1000, 0);
    mixer_play(m, s, 255, 0, 1000, 0);
    std::vector<std::int32_t> acc(2 * 3, 0);
    mixer_add_voices(m, acc.data(), 3);
    EXPECT_EQ(acc[0], 60000);
    EXPECT_EQ(acc[4], 200);
    std::vector<std::int16_t> out(2 * 3);
    mixer_clip(acc.data(), out.data(), 3);
    EXPECT_EQ(out, (std::vector<std::int16_t>{32767, 0, -32768, 0, 200, 0}));
    destroy_sample(s);
}
