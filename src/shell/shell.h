// The top of the game: one logic tick and one frame of the fixed-rate main loop.
#ifndef OSA_SHELL_SHELL_H
#define OSA_SHELL_SHELL_H

#include "core/state.h"

struct BITMAP;
class PLAYER;

// One logic tick, in the game's order: poll the input, the mission rules, the Escape test,
// the player's control, the shop check, the animation step. The main loop and the tests call it.
void game_tick(PLAYER& mora, PLAYER& vela);

// One frame: clamp the camera, draw the camera's window of the world into `buffer`, and copy it
// to target at (0, 0). The window is the game's picture, view_w x view_h, at any screen size.
void draw_frame(BITMAP* target, PLAYER& mora, PLAYER& vela);

// The same frame for a window of w x h pixels (tests and benchmarks draw other sizes).
// With clip_to_window, buffer's clipping rectangle is set to the window first, so that
// everything outside it costs only the clip test; without it the whole buffer is drawable. The
// picture copied to target is the same either way.
void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window);

#endif
