// The keys the shell answers itself, shared by the title and the main loop.
#ifndef OSA_SHELL_SHELL_KEYS_H
#define OSA_SHELL_SHELL_KEYS_H

// True for the keys that switch between full screen and a window: F11, and Enter while Alt is
// held (scancode as readkey gives it, shifted down by 8).
bool is_mode_switch_key(int scancode);

// Switches between full screen and a window, carrying the system bitmaps over, and records it
// in blModeSwitched. When neither mode can be set any more the game cannot go on: it stops
// with the video mode's message.
void switch_display_mode();

#endif
