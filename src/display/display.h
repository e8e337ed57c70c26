// The display: the video mode (full screen or a window), the whole-number scale at which the
// game's 320 x 240 picture fills it, and showing each finished picture on the screen.
#ifndef OSA_DISPLAY_DISPLAY_H
#define OSA_DISPLAY_DISPLAY_H

#include <atomic>
#include <vector>

#include "core/state.h"

struct BITMAP;

constexpr int max_scale = 8;

// The game's picture, view_w x view_h: every frame (and the title) is drawn into it, then
// show_picture puts it on the screen. A memory bitmap, so it survives a change of mode. Made by
// open_display; null before.
extern BITMAP* picture;
// The mode in force: full screen or a window, and the picture's scale on the screen.
extern bool display_fullscreen;
extern int display_scale;
// Set (by the library's thread) when the game's window loses the input focus; the main loop
// clears it when it pauses the game.
extern std::atomic<bool> display_focus_lost;

// The largest whole scale at which the picture fits in avail_w x avail_h pixels; at least 1.
int fitting_scale(int avail_w, int avail_h);
// The scale for a window on a desktop of desktop_w x desktop_h: the largest that leaves a tenth
// of the desktop's height to its panels and the window's frame; at least 1.
int window_scale(int desktop_w, int desktop_h);

// Sets the video mode: full screen at the desktop's own resolution, or a window the size of the
// scaled picture; scale 0 asks for the largest that fits, 1..max_scale fixes it (a full screen
// too small for it gets the largest that fits). Where full screen cannot be set a window is
// tried, then smaller windows, then any 320 x 240 mode. Makes picture. False when no mode at all
// could be set (then nothing can be shown).
bool open_display(bool fullscreen, int scale);

// The bitmaps a change of mode must carry over: a change destroys the system bitmaps, so each of
// these that is one is copied out before and made again, with its pixels, after. Given once,
// after loading; the pointers must stay valid to the end.
void keep_across_mode_changes(const std::vector<BITMAP**>& bitmaps);

// Switches between full screen and a window (F11), keeping the scale asked for (0: the largest
// that fits each). On a failure the other mode is tried back; when neither can be set the game
// cannot go on: start_failure with the video mode's message, blGameOver set, false.
bool switch_display_mode();
// Shows the picture at another scale (0: the largest that fits), in the same kind of mode: a
// window takes the new size, a full screen keeps its size. False as switch_display_mode.
bool set_display_scale(int scale);
// The scale asked for (0: the largest that fits) and the largest the mode in force can take:
// for a full screen what fits the desktop, for a window what window_scale gives.
int asked_display_scale();
int largest_display_scale();
// True once the player has switched between full screen and a window (kept in the settings).
extern bool blModeSwitched;
// True in the moments after a change of mode, when the system reports the old window's loss of
// focus: that is not the player leaving the game.
bool display_settling();

// Shows a view_w x view_h picture (by default `picture`) on the screen at display_scale,
// centred, with nearest-neighbour pixels; the rest of the screen stays black. On X11 only the
// blocks that changed since the last picture shown go to the server, a request for each run of
// them, flushed before this returns.
void show_picture(BITMAP* pic = picture);

// Reads what the window system has sent (keys, focus) into Allegro's state now, rather than
// when the library's background thread next looks (every 10 ms). Does nothing without X11.
void display_read_input();

// The screen's refresh rate in frames a second, when the system tells it; else 0.
int display_refresh_rate();

// The frame rates the player may ask for ([display] frame_rate): frames a second from
// min_frame_rate to max_frame_rate, 0 for a frame after every tick, frame_rate_auto (the
// default) for the display's refresh rate or 60.
constexpr int frame_rate_auto = -1;
constexpr int min_frame_rate = 30;
constexpr int max_frame_rate = 240;

#endif
