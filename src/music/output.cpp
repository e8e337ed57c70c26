// The sound output over ALSA: one thread that waits for room in the device's buffer, mixes a
// period (the music, then the voices) and writes it.
#include "music/output.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>  // _add_exit_func

#include <alsa/asoundlib.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "music/mixer.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int default_rate = 44100;
constexpr int periods = 3;            // the buffer holds this many periods
constexpr int min_period_frames = 64;
constexpr int channels = 2;
// A device that never blocks (ALSA's null and file plugins, as the tests capture with) would take
// periods as fast as they are made: the thread then paces itself to the clock, a little faster
// than real time so that a real device whose clock runs fast is never starved by it.
constexpr double pace_margin = 1.01;
constexpr int output_priority = 10;   // of the real-time class, when the system grants one
constexpr int wait_ms = 100;          // longest wait for room in the buffer before looking again

snd_pcm_t* pcm = nullptr;
int rate = 0;
snd_pcm_uframes_t period = 0;
snd_pcm_uframes_t buffer = 0;
std::thread mixer_thread;
std::atomic<bool> stop{false};
std::atomic<long> underruns{0};
std::atomic<long> periods_written{0};
std::atomic<output_music_fn> music{nullptr};
std::mutex voices_lock;  // the main thread starts voices, the output's thread moves them on
MIXER mixer;
bool print_stats = false;  // ONE_STEP_AHEAD_SOUND_STATS is set
clock_type::time_point opened_at;

// Counts an underrun the device reported (with the stats asked for, says when on stderr).
void count_underrun() {
    underruns.fetch_add(1);
    if (print_stats)
        std::fprintf(stderr, "sound output: an underrun %.3f s after opening\n",
                     std::chrono::duration<double>(clock_type::now() - opened_at).count());
}

// Writes one period, mixed now. False when the device failed beyond recovery.
bool write_period(std::vector<std::int32_t>& acc, std::vector<std::int16_t>& out) {
    const int frames = static_cast<int>(period);
    std::fill(acc.begin(), acc.end(), 0);
    if (output_music_fn m = music.load()) m(acc.data(), frames, rate);
    {
        std::lock_guard<std::mutex> g(voices_lock);
        mixer_add_voices(mixer, acc.data(), frames);
    }
    mixer_clip(acc.data(), out.data(), frames);
    const std::int16_t* p = out.data();
    snd_pcm_uframes_t left = period;
    while (left > 0 && !stop.load()) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, p, left);
        if (n >= 0) {
            p += static_cast<std::size_t>(n) * channels;
            left -= static_cast<snd_pcm_uframes_t>(n);
            continue;
        }
        if (n == -EAGAIN) {
            snd_pcm_wait(pcm, wait_ms);
            continue;
        }
        if (n == -EPIPE) count_underrun();
        if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) return false;
    }
    periods_written.fetch_add(1);
    return true;
}

bool open_device(int latency_ms);

// The output's thread: opens the device (so that the threads a sound server's plugin makes for
// it share this thread's priority), says whether that worked, then plays until stopped.
void run_output(int latency_ms, std::promise<bool>* opened) {
    // Ahead of the game's other work where the system allows it (a real-time class needs a
    // privilege most players have not: then the thread runs as any other).
    sched_param param{};
    param.sched_priority = output_priority;
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
    const bool ok = open_device(latency_ms);
    opened->set_value(ok);
    if (!ok) return;
    std::vector<std::int32_t> acc(period * channels);
    std::vector<std::int16_t> out(period * channels);
    // The clock's pace holds from the last time the device made the thread wait (a device that
    // does keeps the pace itself, and what a recovery dropped is not owed to the clock).
    auto since = clock_type::now();
    double written = 0;  // frames written since then
    const auto device_paces = [&] {
        since = clock_type::now();
        written = 0;
    };
    while (!stop.load()) {
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm);
        if (avail < 0) {
            if (avail == -EPIPE) count_underrun();
            if (snd_pcm_recover(pcm, static_cast<int>(avail), 1) < 0) return;
            device_paces();
            continue;
        }
        if (static_cast<snd_pcm_uframes_t>(avail) < period) {
            // Waits for room: a real device drains in real time.
            if (snd_pcm_wait(pcm, wait_ms) < 0) snd_pcm_recover(pcm, -EPIPE, 1);
            device_paces();
            continue;
        }
        // Never more than a buffer ahead of the clock.
        const double elapsed = std::chrono::duration<double>(clock_type::now() - since).count();
        const double ahead =
            written + static_cast<double>(period) - static_cast<double>(buffer) - elapsed * rate * pace_margin;
        if (ahead > 0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(ahead / rate));
            continue;
        }
        if (!write_period(acc, out)) return;
        written += static_cast<double>(period);
    }
}

// Sets the hardware parameters: interleaved signed 16-bit stereo at rate, the buffer and period
// nearest to those asked for. False when the device refuses.
bool configure(int latency_ms) {
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0) return false;
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return false;
    if (snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) < 0) return false;
    if (snd_pcm_hw_params_set_channels(pcm, hw, channels) < 0) return false;
    unsigned int r = static_cast<unsigned int>(rate);
    if (snd_pcm_hw_params_set_rate_near(pcm, hw, &r, nullptr) < 0) return false;
    rate = static_cast<int>(r);
    snd_pcm_uframes_t want_buffer = static_cast<snd_pcm_uframes_t>(rate) * static_cast<unsigned>(latency_ms) / 1000;
    snd_pcm_uframes_t want_period = std::max<snd_pcm_uframes_t>(min_period_frames, want_buffer / periods);
    want_buffer = std::max(want_buffer, want_period * 2);
    if (snd_pcm_hw_params_set_period_size_near(pcm, hw, &want_period, nullptr) < 0) return false;
    if (snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &want_buffer) < 0) return false;
    if (snd_pcm_hw_params(pcm, hw) < 0) return false;
    snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);
    if (period == 0 || buffer < period) return false;

    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm, sw) < 0) return false;
    // Playing starts with the first period written; the thread wakes when a period has room.
    snd_pcm_sw_params_set_start_threshold(pcm, sw, period);
    snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    return snd_pcm_sw_params(pcm, sw) >= 0;
}

// No "ALSA lib ..." lines on stderr for a device that is not there: the game says what matters.
void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

void close_at_exit() { close_sound_output(); }

} // namespace

namespace {

// Opens and sets up the default device into pcm, at rate (which becomes the rate it takes), and
// readies the mixer for it. False, pcm null, when there is none or it refuses.
bool open_device(int latency_ms) {
    snd_lib_error_set_handler(quiet_alsa);
    const int opened = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
    snd_lib_error_set_handler(nullptr);
    if (opened < 0) {
        pcm = nullptr;
        return false;
    }
    if (!configure(latency_ms)) {
        snd_pcm_close(pcm);
        pcm = nullptr;
        return false;
    }
    std::lock_guard<std::mutex> g(voices_lock);
    mixer = MIXER{};
    mixer.rate = rate;
    return true;
}

} // namespace

bool open_sound_output(int latency_ms) {
    if (pcm) return true;
    // Allegro's configuration is the player's (and the tests') word on the digital sound.
    if (get_config_id("sound", "digi_card", DIGI_AUTODETECT) == DIGI_NONE) return false;
    if (latency_ms <= 0) latency_ms = default_sound_latency_ms;
    latency_ms = std::clamp(latency_ms, min_sound_latency_ms, max_sound_latency_ms);
    rate = get_config_int("sound", "sound_freq", default_rate);
    if (rate <= 0) rate = default_rate;
    stop.store(false);
    print_stats = std::getenv("ONE_STEP_AHEAD_SOUND_STATS") != nullptr;
    opened_at = clock_type::now();
    underruns.store(0);
    periods_written.store(0);
    // The thread takes no signals (as the music's feeder did): a fatal one is handled on a thread
    // that can join it.
    std::promise<bool> opened;
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        mixer_thread = std::thread(run_output, latency_ms, &opened);
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!opened.get_future().get()) {
        mixer_thread.join();
        return false;
    }
    _add_exit_func(close_at_exit, "sound output");
    return true;
}

bool sound_output_open() { return pcm != nullptr; }

int sound_output_rate() { return pcm ? rate : 0; }

void close_sound_output() {
    if (!pcm) return;
    _remove_exit_func(close_at_exit);
    stop.store(true);
    if (mixer_thread.joinable()) mixer_thread.join();
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    pcm = nullptr;
    music.store(nullptr);
    mixer_stop_all(mixer);
    if (std::getenv("ONE_STEP_AHEAD_SOUND_STATS"))
        std::fprintf(stderr, "sound output: %d Hz, periods of %lu frames, buffer of %lu; %ld periods written, %ld underruns\n",
                     rate, static_cast<unsigned long>(period), static_cast<unsigned long>(buffer),
                     periods_written.load(), underruns.load());
}

void output_play_sample(const SAMPLE* sample, int vol, int pan, int freq, int loop) {
    if (!pcm) return;
    std::lock_guard<std::mutex> g(voices_lock);
    mixer_play(mixer, sample, vol, pan, freq, loop);
}

void set_output_music(output_music_fn m) { music.store(m); }

long sound_output_underruns() { return underruns.load(); }
