// The player's controls: the keyboard through bindings the player can change, and the first
// gamepad. Every logic tick reads one input state, so both act exactly alike.
#ifndef OSA_INPUT_INPUT_H
#define OSA_INPUT_INPUT_H

// What the player asks for in one tick.
struct INPUT_STATE {
    bool left = false;
    bool right = false;
    bool up = false;    // enter the shop in front
    bool jump = false;
};

// Allegro scancodes (KEY_*) of the keys that steer the game. Defaults: the arrow keys, Space and
// P. Written at start-up from the settings; read by read_input and the main loop (pause).
struct KEY_BINDINGS {
    int left;
    int right;
    int up;
    int jump;
    int pause;
};
extern KEY_BINDINGS key_bindings;
extern const KEY_BINDINGS default_key_bindings;

// Installs the keyboard and, when one is there, the gamepad driver. Returns false when the
// keyboard cannot be installed; a missing gamepad is no failure.
bool install_input();

// Brings key[] and joy[] up to date (for drivers that need polling). Once per logic tick.
void poll_input();

// The input state from key[] (through key_bindings) and the first gamepad in joy[] (any of its
// first stick's or a d-pad's directions, its first button jumps, its second acts as Up). Reads
// only: the same key[] and joy[] give the same state however often it is called in a tick.
// While tick_input is set, it answers that state instead.
INPUT_STATE read_input();
// The state of the tick that runs: set by the tick for its length (live or replayed), so that
// everything the tick reads is what it was given. Null between ticks.
extern const INPUT_STATE* tick_input;

// The name of a scancode as the settings file writes it: Allegro's KEY_ name without the prefix
// ("LEFT", "SPACE", "P", "F11"). Null for a number that is no key.
const char* key_name(int scancode);
// The scancode of such a name, ignoring case; 0 when no key has it.
int key_by_name(const char* name);

#endif
