// The top of the game: the title, the fixed-rate main loop and its frame, and the keys the shell
// itself answers (pause, full screen).
#ifndef OSA_SHELL_SHELL_H
#define OSA_SHELL_SHELL_H

#include "core/state.h"

struct BITMAP;
class PLAYER;

// One frame: clamp the camera, draw the camera's window of the world into `buffer`, and copy it
// to target at (0, 0). The window is the game's picture, view_w x view_h, at any screen size.
void draw_frame(BITMAP* target, PLAYER& mora, PLAYER& vela);

// The same frame for a window of w x h pixels (tests and benchmarks draw other sizes).
// With clip_to_window, buffer's clipping rectangle is set to the window first, so that
// everything outside it costs only the clip test; without it the whole buffer is drawable. The
// picture copied to target is the same either way.
void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window);

// Shows the title: a fade-in of about half a second, a wait (resting) for any key but the ones
// that switch the mode, and a fade-out; every step shown scaled on the screen.
void show_title();

// The main loop, from the first tick of play until Escape: runs the ticks the 120 Hz counter
// has made (a quarter of a second's worth at most per pass), draws and shows a frame after them,
// and rests while none is due. P (or the window losing the focus) pauses it: no tick runs, the
// mission clock and the music stand still, and "Paused" shows until P again. F11 or Alt+Enter
// switch between full screen and a window. The ticks counted before it starts are dropped.
void run_game(PLAYER& mora, PLAYER& vela);

// True once the player switched between full screen and a window (to be saved in the settings).
extern bool blModeSwitched;

// True for the keys that switch between full screen and a window: F11, and Enter while Alt is
// held (scancode as readkey gives it, shifted down by 8).
bool is_mode_switch_key(int scancode);

// Switches between full screen and a window, carrying the system bitmaps over, and records it
// in blModeSwitched. When neither mode can be set any more the game cannot go on: it stops
// with the video mode's message.
void switch_display_mode();

#endif
