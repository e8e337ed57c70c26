// The player's controls: the keyboard through bindings the player can change, and the first
// gamepad. Every logic tick reads one input state, so both act exactly alike.
#ifndef OSA_INPUT_INPUT_H
#define OSA_INPUT_INPUT_H

#include "input/gamepad.h"

// What the player asks for in one tick.
struct INPUT_STATE {
    bool left = false;
    bool right = false;
    bool up = false;    // enter the shop in front
    bool jump = false;
};

// Allegro scancodes (KEY_*) of the keys that steer the game. Defaults: the arrow keys, Space, P
// and R. Written at start-up from the settings; read by read_input and the main loop (pause, and
// restart: the district again from its start with a new run).
struct KEY_BINDINGS {
    int left;
    int right;
    int up;
    int jump;
    int pause;
    int restart;
};
extern KEY_BINDINGS key_bindings;
extern const KEY_BINDINGS default_key_bindings;

// The gamepad's button numbers (as the joystick API counts them) for the same actions; walking
// is always the first stick and the d-pad. Defaults: 0, 1, 7 and 6, on the common Xbox-style
// layout A, B, Start and Back. Written at start-up from the settings; read by read_input and the
// main loop.
struct PAD_BINDINGS {
    int jump;
    int up;
    int pause;
    int restart;
};
extern PAD_BINDINGS pad_bindings;
extern const PAD_BINDINGS default_pad_bindings;
// The pad buttons a binding may name: the numbers of the common pads' buttons, with room over.
constexpr int max_pad_button = 31;

// The player's gamepad: opened by install_input, polled by poll_input, looked for again by the
// main loop (watch_for_gamepad) while none is plugged in; the title and the main loop take its
// presses and its unplugging.
extern GAMEPAD player_pad;

// Installs the keyboard and opens the first gamepad, when one is there. Returns false when the
// keyboard cannot be installed; a missing gamepad is no failure.
bool install_input();

// Brings key[] (for drivers that need polling) and player_pad up to date, and lets go of what
// hold_over_input held over once it is released. Once per logic tick.
void poll_input();

// Takes everything held at this moment out of play until it is released: a menu closed with
// Escape, or Resume chosen with Space or the pad's button 0, must not quit or jump at once.
void hold_over_input();
// True while Escape is held in play (and was not held over from a menu): the tick's quit test.
bool escape_held();

// The input state from key[] (through key_bindings) and player_pad: its first stick's and its
// d-pad's directions walk, button pad_bindings.jump jumps, button pad_bindings.up or pushing up
// acts as Up; less what hold_over_input holds over. Reads only: the same key[] and pad state give
// the same input however often it is called in a tick.
// While tick_input is set, it answers that state instead.
INPUT_STATE read_input();
// The state of the tick that runs: set by the tick for its length (live or replayed), so that
// everything the tick reads is what it was given. Null between ticks.
extern const INPUT_STATE* tick_input;

// The keys the game keeps for itself, which no binding may take: Escape (quits in play, goes back
// in a menu), F11 and Enter (with Alt: the mode switch; Enter chooses in a menu).
bool is_reserved_key(int scancode);
// True for the keys that switch between full screen and a window: F11, and Enter while Alt is
// held (scancode as readkey gives it, shifted down by 8).
bool is_mode_switch_key(int scancode);

// The name of a scancode as the settings file writes it: Allegro's KEY_ name without the prefix
// ("LEFT", "SPACE", "P", "F11"). Null for a number that is no key.
const char* key_name(int scancode);
// The scancode of such a name, ignoring case; 0 when no key has it.
int key_by_name(const char* name);

#endif
