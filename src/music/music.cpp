// The music layer: Impulse Tracker modules decoded by libopenmpt and mixed by the game's own
// sound output, or, where that is not open, fed from a thread of our own into an Allegro audio
// stream; either way the main loop never has to call anything.
#include "music/music.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>  // _sound_installed, _add_exit_func

#include <libopenmpt/libopenmpt.hpp>

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "music/output.h"

struct FMUSIC_MODULE {
    std::unique_ptr<openmpt::module> module;
    std::atomic<int> volume{256};  // set by the game's thread, read by the feeder's
};

namespace {

constexpr int stream_frames = 1024;  // frames per stream buffer: about 46 ms at 22050 Hz
constexpr int stream_volume = 255;
constexpr int stream_pan = 128;      // centre
// Between polls of the stream: well inside a buffer's 46 ms, and few wake-ups a second.
constexpr auto feed_pause = std::chrono::milliseconds(12);
constexpr int silence = 0x8000;      // the unsigned stream's zero

int mix_rate = 0;                    // set by FSOUND_Init; 0 while music cannot play
music_fault start_fault = music_fault::none;
AUDIOSTREAM* stream = nullptr;
// The module the game's own output plays (the output's thread renders it); null: none.
std::atomic<FMUSIC_MODULE*> on_output{nullptr};
// A centred stream was heard at half its amplitude on each side: the music keeps that balance
// with the samples on our own output.
constexpr int output_music_share = 2;
std::thread feeder;
std::atomic<bool> stop_feeding{false};
std::atomic<bool> feeding_paused{false};
// Handles live until the process ends, as the game expects; kept here so they are released.
std::vector<std::unique_ptr<FMUSIC_MODULE>> loaded;

// The stream wants a buffer every stream_frames frames. Allegro's manual forbids asking for it
// from a timer handler, and the main loop blocks at the title, so a thread of its own polls;
// the pause keeps it cool when the output never drains (the null sound driver).
void feed(FMUSIC_MODULE* mod, int rate) {
    while (!stop_feeding.load()) {
        void* buf = get_audio_stream_buffer(stream);
        if (!buf) {
            std::this_thread::sleep_for(feed_pause);
            continue;
        }
        if (feeding_paused.load())
            render_song(nullptr, rate, static_cast<unsigned short*>(buf), stream_frames);
        else
            render_song(mod, rate, static_cast<unsigned short*>(buf), stream_frames);
        free_audio_stream_buffer(stream);
    }
}

// Renders the next frames of mod (null: silence) into out as signed 16-bit stereo, scaled by
// its volume; the rest past the end of a module that does not loop is silence. Returns the
// frames that came from the module.
int render_signed(FMUSIC_MODULE* mod, int rate, std::int16_t* out, int frames) {
    int done = 0;
    if (mod && mod->module) {
        while (done < frames) {
            const std::size_t got = mod->module->read_interleaved_stereo(
                rate, static_cast<std::size_t>(frames - done), out + 2 * done);
            if (got == 0) break;  // the end of a module that does not loop
            done += static_cast<int>(got);
        }
        const int volume = mod->volume.load();
        // Scaled in 32 bits and shifted back: at 256 every sample stays as rendered.
        if (volume != 256)
            for (int i = 0; i < 2 * done; i++) out[i] = static_cast<std::int16_t>(out[i] * volume / 256);
    }
    std::fill(out + 2 * done, out + 2 * frames, std::int16_t{0});
    return done;
}

// The music's part of each period of our own output (its thread).
void add_music_to_output(std::int32_t* acc, int frames, int rate) {
    FMUSIC_MODULE* mod = on_output.load();
    if (!mod || feeding_paused.load()) return;
    thread_local std::vector<std::int16_t> rendered;
    rendered.resize(2 * static_cast<std::size_t>(frames));
    render_signed(mod, rate, rendered.data(), frames);
    for (int i = 0; i < 2 * frames; i++) acc[i] += rendered[static_cast<std::size_t>(i)] / output_music_share;
}

// Run by allegro_exit however it comes (the end of main, exit(), the library's handler of a fatal
// signal): the thread must stop before the sound system goes, and a std::thread still running
// when the program's statics are destroyed would abort it.
void close_at_exit() { FSOUND_Close(); }

} // namespace

bool FSOUND_Init(int mixrate, int, unsigned int) {
    // A stream can play once install_sound has succeeded, also on the null driver (silence).
    // digi_driver cannot tell: it points at the null driver before install_sound too.
    // Our own output plays the music at its own rate.
    if (sound_output_open()) {
        mix_rate = sound_output_rate();
        start_fault = music_fault::none;
        return true;
    }
    mix_rate = _sound_installed && mixrate > 0 ? mixrate : 0;
    start_fault = !_sound_installed ? music_fault::no_sound_driver
                  : mix_rate == 0   ? music_fault::layer_failed
                                    : music_fault::none;
    return mix_rate > 0;
}

music_fault music_start_fault() { return start_fault; }

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) return nullptr;
    try {
        auto mod = std::make_unique<FMUSIC_MODULE>();
        mod->module = std::make_unique<openmpt::module>(file);
        // No dither noise: the same module always renders the same samples.
        mod->module->ctl_set_integer("dither", 0);
        loaded.push_back(std::move(mod));
        return loaded.back().get();
    } catch (const std::exception&) {
        return nullptr;  // not a module libopenmpt can read
    }
}

int render_song(FMUSIC_MODULE* mod, int rate, unsigned short* out, int frames) {
    // Rendered in place as signed values, then shifted to unsigned.
    const int done = render_signed(mod, rate, reinterpret_cast<std::int16_t*>(out), frames);
    for (int i = 0; i < 2 * frames; i++)
        out[i] = static_cast<unsigned short>(static_cast<std::uint16_t>(out[i]) ^ silence);
    return done;
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* mod) {
    if (!mod || mix_rate == 0 || stream || on_output.load()) return false;
    mod->module->set_repeat_count(-1);  // loop for ever
    if (sound_output_open()) {
        feeding_paused.store(false);
        on_output.store(mod);
        set_output_music(add_music_to_output);
        return true;
    }
    stream = play_audio_stream(stream_frames, 16, TRUE, mix_rate, stream_volume, stream_pan);
    if (!stream) return false;
    stop_feeding.store(false);
    // The feeder takes no signals: the library's handler of a fatal one, which calls
    // allegro_exit, then runs on a thread that can join the feeder. The new thread inherits the
    // mask in force while it is made.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        feeder = std::thread(feed, mod, mix_rate);
    } catch (const std::system_error&) {
        // No thread (no memory for its stack): no music, and the main thread's mask as it was.
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        stop_audio_stream(stream);
        stream = nullptr;
        return false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    _add_exit_func(close_at_exit, "music feeder");
    return true;
}

void FSOUND_Close() {
    // The thread uses the stream: it is joined before the stream stops and before Allegro goes.
    _remove_exit_func(close_at_exit);
    set_output_music(nullptr);
    on_output.store(nullptr);
    stop_feeding.store(true);
    if (feeder.joinable()) feeder.join();
    if (stream) stop_audio_stream(stream);
    stream = nullptr;
}

void FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume) {
    if (mod) mod->volume.store(volume < 0 ? 0 : volume > 256 ? 256 : volume);
}

void FMUSIC_SetPaused(FMUSIC_MODULE* mod, bool paused) {
    // One module plays at a time: the one the feeder was started with.
    if (mod && (stream || on_output.load() == mod)) feeding_paused.store(paused);
}
