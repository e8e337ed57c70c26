// The shared state: the timer counters and their callbacks, the sample seam and the record of
// a failed start.
#include "core/state.h"

#include <allegro.h>

#include <semaphore.h>

#include <cerrno>
#include <ctime>

#include "music/output.h"

std::atomic<int> speed_counter{0};
std::atomic<bool> do_anim{false};
std::atomic<int> clock_due{0};
std::atomic<int> timer{0};
int the_time = first_mission_seconds;
bool blGameOver = false;
bool blStartFailed = false;
int sound_volume = max_volume;

namespace {

// Posted once a tick by the timer thread; taken by wait_for_tick. A semaphore can be posted from
// any thread without a lock, and its waiter sleeps until the post rather than polling.
struct tick_semaphore {
    sem_t sem;
    tick_semaphore() { sem_init(&sem, 0, 0); }
    ~tick_semaphore() { sem_destroy(&sem); }
} tick_signal;

} // namespace

void increment_speed_counter() {
    speed_counter.fetch_add(1);
    sem_post(&tick_signal.sem);
}
END_OF_FUNCTION(increment_speed_counter)
void increment_timer() { clock_due.fetch_add(1); }
END_OF_FUNCTION(increment_timer)
void increment_frame() { do_anim.store(true); }
END_OF_FUNCTION(increment_frame)

void (*sound_hook)(SAMPLE* sample, int vol, int pan, int freq, int loop) = nullptr;

int volume_gain(int volume) {
    // 256 * 10^(-3 (max_volume - v) / 20), rounded: each step sounds about as much quieter as the
    // last, as loudness is heard.
    static const int gain[max_volume + 1] = {0, 11, 16, 23, 32, 46, 64, 91, 128, 181, 256};
    return gain[volume < 0 ? 0 : volume > max_volume ? max_volume : volume];
}

void play_sound(SAMPLE* sample, int vol, int pan, int freq, int loop) {
    if (sound_volume <= 0) return;
    vol = vol * volume_gain(sound_volume) / 256;
    if (sound_hook) {
        sound_hook(sample, vol, pan, freq, loop);
        return;
    }
    if (!sample) return;
    if (sound_output_open())
        output_play_sample(sample, vol, pan, freq, loop);
    else
        play_sample(sample, vol, pan, freq, loop);
}

int screen_pan(int screen_x) {
    const int half = view_w / 2;
    const int x = screen_x < 0 ? 0 : screen_x > view_w ? view_w : screen_x;
    return sample_pan + (x - half) * pan_spread / half;
}

void play_effect_at(SAMPLE* sample, int screen_x, int vol) {
    play_sound(sample, vol, screen_pan(screen_x), sample_frequency, 0);
}

void play_effect(SAMPLE* sample, int vol) {
    play_sound(sample, vol, sample_pan, sample_frequency, 0);
}

void start_failure(const char* text) {
    allegro_message("%s", text);
    blStartFailed = true;
}

BITMAP* make_system_bitmap(int w, int h) {
    // create_system_bitmap asks the graphics driver, which exists only once a mode is set.
    return gfx_driver ? create_system_bitmap(w, h) : create_bitmap(w, h);
}

void wait_for_tick(long max_us) {
    // Posts of ticks the loop has already run (it runs them in batches) are stale: drop them.
    while (sem_trywait(&tick_signal.sem) == 0) {
    }
    if (speed_counter.load() > 0) return;
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += max_us * 1000L;
    until.tv_sec += until.tv_nsec / 1000000000L;
    until.tv_nsec %= 1000000000L;
    while (sem_timedwait(&tick_signal.sem, &until) != 0 && errno == EINTR) {
    }
}
