// The state every subsystem reads: the timer counters and their callbacks, the quit flag, the
// size of the game's picture, the seam through which every sample is played, and the record of
// a failed start.
#ifndef OSA_CORE_STATE_H
#define OSA_CORE_STATE_H

#include <atomic>

struct BITMAP;
struct SAMPLE;

// The game's picture: the camera's window, the background's view and the HUD are this size
// whatever the screen's mode; the display scales the finished picture up to the screen.
constexpr int view_w = 320;
constexpr int view_h = 240;

// The outfit categories: make-up, hair, clothes, shoes and handbag, indexed 0 to 4 wherever a
// category is meant (a character's looks, the shops, the mission table's columns; the words are
// the mission rules' `names`). Shop i serves category i.
constexpr int category_count = 5;
constexpr int shop_count = category_count;

// Seconds the first mission allows from the start of play (the_time's start value).
constexpr int first_mission_seconds = 60;

// The timers' rates: logic ticks and animation steps a second.
constexpr int logic_rate = 120;
constexpr int anim_rate = 8;

// Logic ticks due: +1 at 120 Hz by increment_speed_counter, -1 per tick the main loop runs.
extern std::atomic<int> speed_counter;
// Animation step due: set at 8 Hz by increment_frame, cleared by the tick that animates.
extern std::atomic<bool> do_anim;
// Seconds of the mission clock due: +1 a second by increment_timer; each tick takes at most one
// of them into timer (so that a tick's logic never sees the clock move under it, and a replay can
// give each tick its second).
extern std::atomic<int> clock_due;
// Seconds since the current time allowance began: +1 by the tick that takes a second of clock_due;
// cleared when play begins and by the mission rules at each fulfilled mission. Main thread only.
extern std::atomic<int> timer;
// Seconds allowed for the current mission: 60 when play begins, changed by the mission rules.
extern int the_time;
// Quit flag: set by the tick that sees Escape; the main loop ends after that pass.
extern bool blGameOver;

// Timer callbacks (timer thread): they touch nothing but their counter (and the first wakes a
// main loop waiting in wait_for_tick): speed_counter, clock_due, do_anim.
void increment_speed_counter();
void increment_timer();
void increment_frame();

// Sleeps until increment_speed_counter next runs, or at most max_us microseconds, whichever comes
// first (at once when a tick is due already). The main loop rests here while no tick is due, so
// that it wakes once a tick.
void wait_for_tick(long max_us);

// Loudness as the player sets it: from 0, silence, to max_volume, the samples and the music as
// they were made.
constexpr int max_volume = 10;
// The gain of a volume, out of 256: 256 at max_volume, 3 dB less for each step below, 0 at 0.
int volume_gain(int volume);
// The sound effects' volume, 0 to max_volume: play_sound scales every sample by its gain.
extern int sound_volume;

// Plays a sample, its volume scaled by sound_volume's gain, unless it is null (a sound that failed
// to load stays silent) or sound_volume is 0: on the game's own output when that is open, else
// through Allegro. Tests set sound_hook to observe what plays; when it
// is set, it is called (with the scaled volume) instead of play_sample.
void play_sound(SAMPLE* sample, int vol, int pan, int freq, int loop);
// How the game plays its samples: at full volume, centred, at the pitch they were recorded at,
// once. play_effect(s) is play_sound with these; a quieter one gives its own volume.
constexpr int sample_volume = 255;
constexpr int sample_pan = 128;
constexpr int sample_frequency = 1000;
void play_effect(SAMPLE* sample, int vol = sample_volume);
// Where a sound is heard follows where it happens on the screen: the pan for screen column
// screen_x (0 .. view_w; outside, the nearest edge), sample_pan in the middle and pan_spread
// towards either side at the edges, never wholly in one ear.
constexpr int pan_spread = 96;
int screen_pan(int screen_x);
// play_effect, heard where screen column screen_x is.
void play_effect_at(SAMPLE* sample, int screen_x, int vol = sample_volume);
extern void (*sound_hook)(SAMPLE* sample, int vol, int pan, int freq, int loop);

// A bitmap of the screen's preferred kind (create_system_bitmap) once a video mode is set, a
// memory bitmap before that (loading without a screen: tests, benchmarks). Null on failure;
// the caller owns it.
BITMAP* make_system_bitmap(int w, int h);

// Shows text in the library's message box and records that start-up cannot go on.
void start_failure(const char* text);
// True once start_failure has been called: main stops cleanly with a non-zero status.
extern bool blStartFailed;

#endif
