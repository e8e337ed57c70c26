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
    bool looping = false;          // set to loop for ever (by the game's thread, before it plays)
};

namespace {

constexpr int stream_frames = 1024;  // frames per stream buffer: about 46 ms at 22050 Hz
constexpr int stream_volume = 255;
constexpr int stream_pan = 128;      // centre
// Between polls of the stream: well inside a buffer's 46 ms, and few wake-ups a second.
constexpr auto feed_pause = std::chrono::milliseconds(12);
constexpr int silence = 0x8000;      // the unsigned stream's zero

// Signed 16-bit stereo frames, in place, as the unsigned values the stream plays.
void to_unsigned(unsigned short* out, int frames) {
    for (int i = 0; i < 2 * frames; i++)
        out[i] = static_cast<unsigned short>(static_cast<std::uint16_t>(out[i]) ^ silence);
}

int mix_rate = 0;                    // set by FSOUND_Init; 0 while music cannot play
music_fault start_fault = music_fault::none;
AUDIOSTREAM* stream = nullptr;
// The music goes to the game's own output (the output's thread renders it).
std::atomic<bool> on_output{false};
// The module the game wants heard, set by the game's thread: the one playing, or the one a
// change of tune fades to. Null: no music.
std::atomic<FMUSIC_MODULE*> wanted{nullptr};
// A centred stream was heard at half its amplitude on each side: the music keeps that balance
// with the samples on our own output.
constexpr int output_music_share = 2;
std::thread feeder;
std::atomic<bool> stop_feeding{false};
std::atomic<bool> feeding_paused{false};
// Handles live until the process ends, as the game expects; kept here so they are released.
std::vector<std::unique_ptr<FMUSIC_MODULE>> loaded;

// What is heard, kept by the one thread that renders the music (the output's or the feeder).
MUSIC_FADE heard;

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

// The music as it is heard, into out (2 * frames signed values): silence while paused.
void render_heard(int rate, std::int16_t* out, int frames) {
    if (feeding_paused.load()) {
        std::fill(out, out + 2 * frames, std::int16_t{0});
        return;
    }
    render_fading(heard, wanted.load(), rate, out, frames, rate * music_fade_ms / 1000);
}

// The stream wants a buffer every stream_frames frames. Allegro's manual forbids asking for it
// from a timer handler, and the main loop blocks at the title, so a thread of its own polls;
// the pause keeps it cool when the output never drains (the null sound driver).
void feed(int rate) {
    while (!stop_feeding.load()) {
        void* buf = get_audio_stream_buffer(stream);
        if (!buf) {
            std::this_thread::sleep_for(feed_pause);
            continue;
        }
        // Rendered in place as signed values, then shifted to unsigned.
        auto* out = static_cast<unsigned short*>(buf);
        render_heard(rate, reinterpret_cast<std::int16_t*>(out), stream_frames);
        to_unsigned(out, stream_frames);
        free_audio_stream_buffer(stream);
    }
}

// The music's part of each period of our own output (its thread).
void add_music_to_output(std::int32_t* acc, int frames, int rate) {
    thread_local std::vector<std::int16_t> rendered;
    rendered.resize(2 * static_cast<std::size_t>(frames));
    render_heard(rate, rendered.data(), frames);
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

namespace {

// A module from what make gives (libopenmpt's reader), or null when it is no module.
template <class Make>
FMUSIC_MODULE* load_module(Make make) {
    try {
        auto mod = std::make_unique<FMUSIC_MODULE>();
        mod->module = make();
        // No dither noise: the same module always renders the same samples.
        mod->module->ctl_set_integer("dither", 0);
        loaded.push_back(std::move(mod));
        return loaded.back().get();
    } catch (const std::exception&) {
        return nullptr;  // not a module libopenmpt can read
    }
}

} // namespace

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) return nullptr;
    return load_module([&] { return std::make_unique<openmpt::module>(file); });
}

FMUSIC_MODULE* FMUSIC_LoadSongFromMemory(const void* data, std::size_t size) {
    if (!data || size == 0) return nullptr;
    return load_module([&] { return std::make_unique<openmpt::module>(data, size); });
}

int render_song(FMUSIC_MODULE* mod, int rate, unsigned short* out, int frames) {
    // Rendered in place as signed values, then shifted to unsigned.
    const int done = render_signed(mod, rate, reinterpret_cast<std::int16_t*>(out), frames);
    to_unsigned(out, frames);
    return done;
}

void render_fading(MUSIC_FADE& f, FMUSIC_MODULE* want, int rate, std::int16_t* out, int frames, int fade_frames) {
    const int fade = std::max(1, fade_frames);
    if (!f.sounding) f = {want, fade};
    for (int done = 0; done < frames;) {
        if (f.sounding != want && f.level == 0) {
            // Faded out: the wanted tune starts from its beginning, at full.
            f = {want, fade};
            if (want && want->module) want->module->set_position_order_row(0, 0);
        }
        const bool out_going = f.sounding != want;
        // The frames until the fade reaches silence or full; all that are asked for once at full.
        const int left = out_going ? f.level : f.level >= fade ? frames : fade - f.level;
        const int n = std::min(frames - done, left);
        std::int16_t* part = out + 2 * done;
        render_signed(f.sounding, rate, part, n);
        if (out_going || f.level < fade)
            for (int i = 0; i < n; i++) {
                f.level += out_going ? -1 : 1;
                for (int c = 0; c < 2; c++)
                    part[2 * i + c] = static_cast<std::int16_t>(part[2 * i + c] * f.level / fade);
            }
        done += n;
    }
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* mod) {
    if (!mod || mix_rate == 0) return false;
    // Loops for ever; set before the music's thread may ever render it.
    if (!mod->looping) {
        mod->module->set_repeat_count(-1);
        mod->looping = true;
    }
    if (stream || on_output.load()) {
        // The music plays already: the tune changes (render_heard fades).
        wanted.store(mod);
        return true;
    }
    wanted.store(mod);
    if (sound_output_open()) {
        feeding_paused.store(false);
        on_output.store(true);
        set_output_music(add_music_to_output);
        return true;
    }
    stream = play_audio_stream(stream_frames, 16, TRUE, mix_rate, stream_volume, stream_pan);
    if (!stream) {
        wanted.store(nullptr);
        return false;
    }
    stop_feeding.store(false);
    // The feeder takes no signals: the library's handler of a fatal one, which calls
    // allegro_exit, then runs on a thread that can join the feeder. The new thread inherits the
    // mask in force while it is made.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        feeder = std::thread(feed, mix_rate);
    } catch (const std::system_error&) {
        // No thread (no memory for its stack): no music, and the main thread's mask as it was.
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        stop_audio_stream(stream);
        stream = nullptr;
        wanted.store(nullptr);
        return false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    _add_exit_func(close_at_exit, "music feeder");
    return true;
}

bool FMUSIC_IsPlaying(FMUSIC_MODULE* mod) { return mod && (stream || on_output.load()) && wanted.load() == mod; }

void FSOUND_Close() {
    // The thread uses the stream: it is joined before the stream stops and before Allegro goes.
    _remove_exit_func(close_at_exit);
    set_output_music(nullptr);
    on_output.store(false);
    stop_feeding.store(true);
    if (feeder.joinable()) feeder.join();
    if (stream) stop_audio_stream(stream);
    stream = nullptr;
    wanted.store(nullptr);
    heard = MUSIC_FADE{};
}

void FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume) {
    if (mod) mod->volume.store(volume < 0 ? 0 : volume > 256 ? 256 : volume);
}

void FMUSIC_SetPaused(FMUSIC_MODULE* mod, bool paused) {
    // One module plays at a time: the one wanted (a fade to it pauses too).
    if (FMUSIC_IsPlaying(mod)) feeding_paused.store(paused);
}
