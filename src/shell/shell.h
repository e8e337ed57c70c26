// The game shell: the three timers, the fixed-rate main loop's tick and frame, start-up failures
// and the one seam through which every sample is played.
#ifndef OSA_SHELL_SHELL_H
#define OSA_SHELL_SHELL_H

#include <atomic>

struct BITMAP;
struct SAMPLE;
class PLAYER;

// Logic ticks due: +1 at 120 Hz by increment_speed_counter, -1 per tick the main loop runs.
extern std::atomic<int> speed_counter;
// Animation step due: set at 8 Hz by increment_frame, cleared by the tick that animates.
extern std::atomic<bool> do_anim;
// Seconds since the current time allowance began: +1 a second by increment_timer; the main loop
// clears it when play begins, the mission rules at each fulfilled mission.
extern std::atomic<int> timer;
// Seconds allowed for the current mission: 60 when play begins, changed by the mission rules.
extern int the_time;
// Quit flag: set by the tick that sees Escape; the main loop ends after that pass.
extern bool blGameOver;

// Timer callbacks (timer thread): they touch nothing but their counter.
void increment_speed_counter();
void increment_timer();
void increment_frame();

// One logic tick, in the game's order: poll the keyboard, the mission rules, the Escape test,
// the player's control, the shop check, the animation step. The main loop and the tests call it.
void game_tick(PLAYER& mora, PLAYER& vela);

// One frame: clamp the camera, draw the camera's window of the world into `buffer`, and copy it
// to target (the screen in the game) at (0, 0). The window is the screen's size.
void draw_frame(BITMAP* target, PLAYER& mora, PLAYER& vela);

// The same frame for a window of view_w x view_h pixels (draw_frame passes the screen's size;
// tests and benchmarks draw without a screen). With clip_to_window, buffer's clipping rectangle is
// set to the window first, so that everything outside it costs only the clip test; without it the
// whole buffer is drawable. The picture copied to target is the same either way.
void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int view_w, int view_h,
                      bool clip_to_window);

// Plays a sample unless it is null (a sound that failed to load stays silent). Tests set
// sound_hook to observe what plays; when it is set, it is called instead of play_sample.
void play_sound(SAMPLE* sample, int vol, int pan, int freq, int loop);
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
