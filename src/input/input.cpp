// The player's controls: key bindings, the gamepad, and the one input state a logic tick reads.
#include "input/input.h"

#include <allegro.h>

#include <strings.h>

const KEY_BINDINGS default_key_bindings = {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_SPACE, KEY_P, KEY_R};
KEY_BINDINGS key_bindings = default_key_bindings;
const INPUT_STATE* tick_input = nullptr;
const PAD_BINDINGS default_pad_bindings = {0, 1, 7, 6};
PAD_BINDINGS pad_bindings = default_pad_bindings;
GAMEPAD player_pad;

namespace {

struct key_entry {
    const char* name;
    int scancode;
};

// Every key Allegro knows, by the name of its KEY_ constant.
#define OSA_KEY(k) {#k, KEY_##k}
const key_entry key_table[] = {
    OSA_KEY(A), OSA_KEY(B), OSA_KEY(C), OSA_KEY(D), OSA_KEY(E), OSA_KEY(F),
    OSA_KEY(G), OSA_KEY(H), OSA_KEY(I), OSA_KEY(J), OSA_KEY(K), OSA_KEY(L),
    OSA_KEY(M), OSA_KEY(N), OSA_KEY(O), OSA_KEY(P), OSA_KEY(Q), OSA_KEY(R),
    OSA_KEY(S), OSA_KEY(T), OSA_KEY(U), OSA_KEY(V), OSA_KEY(W), OSA_KEY(X),
    OSA_KEY(Y), OSA_KEY(Z), OSA_KEY(0), OSA_KEY(1), OSA_KEY(2), OSA_KEY(3),
    OSA_KEY(4), OSA_KEY(5), OSA_KEY(6), OSA_KEY(7), OSA_KEY(8), OSA_KEY(9),
    OSA_KEY(0_PAD), OSA_KEY(1_PAD), OSA_KEY(2_PAD), OSA_KEY(3_PAD), OSA_KEY(4_PAD), OSA_KEY(5_PAD),
    OSA_KEY(6_PAD), OSA_KEY(7_PAD), OSA_KEY(8_PAD), OSA_KEY(9_PAD), OSA_KEY(F1), OSA_KEY(F2),
    OSA_KEY(F3), OSA_KEY(F4), OSA_KEY(F5), OSA_KEY(F6), OSA_KEY(F7), OSA_KEY(F8),
    OSA_KEY(F9), OSA_KEY(F10), OSA_KEY(F11), OSA_KEY(F12), OSA_KEY(ESC), OSA_KEY(TILDE),
    OSA_KEY(MINUS), OSA_KEY(EQUALS), OSA_KEY(BACKSPACE), OSA_KEY(TAB), OSA_KEY(OPENBRACE), OSA_KEY(CLOSEBRACE),
    OSA_KEY(ENTER), OSA_KEY(COLON), OSA_KEY(QUOTE), OSA_KEY(BACKSLASH), OSA_KEY(BACKSLASH2), OSA_KEY(COMMA),
    OSA_KEY(STOP), OSA_KEY(SLASH), OSA_KEY(SPACE), OSA_KEY(INSERT), OSA_KEY(DEL), OSA_KEY(HOME),
    OSA_KEY(END), OSA_KEY(PGUP), OSA_KEY(PGDN), OSA_KEY(LEFT), OSA_KEY(RIGHT), OSA_KEY(UP),
    OSA_KEY(DOWN), OSA_KEY(SLASH_PAD), OSA_KEY(ASTERISK), OSA_KEY(MINUS_PAD), OSA_KEY(PLUS_PAD), OSA_KEY(DEL_PAD),
    OSA_KEY(ENTER_PAD), OSA_KEY(PRTSCR), OSA_KEY(PAUSE), OSA_KEY(ABNT_C1), OSA_KEY(YEN), OSA_KEY(KANA),
    OSA_KEY(CONVERT), OSA_KEY(NOCONVERT), OSA_KEY(AT), OSA_KEY(CIRCUMFLEX), OSA_KEY(COLON2), OSA_KEY(KANJI),
    OSA_KEY(EQUALS_PAD), OSA_KEY(BACKQUOTE), OSA_KEY(SEMICOLON), OSA_KEY(COMMAND), OSA_KEY(LSHIFT), OSA_KEY(RSHIFT),
    OSA_KEY(LCONTROL), OSA_KEY(RCONTROL), OSA_KEY(ALT), OSA_KEY(ALTGR), OSA_KEY(LWIN), OSA_KEY(RWIN),
    OSA_KEY(MENU), OSA_KEY(SCRLOCK), OSA_KEY(NUMLOCK), OSA_KEY(CAPSLOCK),
};
#undef OSA_KEY

bool valid_scancode(int k) { return k > 0 && k < KEY_MAX; }

bool held(int scancode) { return valid_scancode(scancode) && key[scancode]; }

} // namespace

bool install_input() {
    if (install_keyboard() != 0) return false;
    // No pad: the keyboard alone plays, and the main loop looks for one now and then.
    find_gamepad(player_pad);
    return true;
}

namespace {

// What was held when a menu closed (the key or button that closed it, or chose Resume): it does
// not act in play until it has been let go.
INPUT_STATE held_over;
bool escape_held_over = false;

// The devices' state, before what is held over is taken out.
INPUT_STATE read_devices() {
    INPUT_STATE in;
    in.left = held(key_bindings.left);
    in.right = held(key_bindings.right);
    in.up = held(key_bindings.up);
    in.jump = held(key_bindings.jump);
    const PAD_DIRECTIONS d = gamepad_directions(player_pad);
    in.left |= d.left;
    in.right |= d.right;
    in.up |= d.up || gamepad_button(player_pad, pad_bindings.up);
    in.jump |= gamepad_button(player_pad, pad_bindings.jump);
    return in;
}

} // namespace

void poll_input() {
    poll_keyboard();
    poll_gamepad(player_pad);
    const INPUT_STATE now = read_devices();
    held_over.left &= now.left;
    held_over.right &= now.right;
    held_over.up &= now.up;
    held_over.jump &= now.jump;
    escape_held_over &= key[KEY_ESC] != 0;
}

INPUT_STATE read_input() {
    if (tick_input) return *tick_input;
    INPUT_STATE in = read_devices();
    in.left &= !held_over.left;
    in.right &= !held_over.right;
    in.up &= !held_over.up;
    in.jump &= !held_over.jump;
    return in;
}

void hold_over_input() {
    held_over = read_devices();
    escape_held_over = key[KEY_ESC] != 0;
}

bool escape_held() { return key[KEY_ESC] && !escape_held_over; }

bool is_reserved_key(int scancode) {
    return scancode == KEY_ESC || scancode == KEY_F11 || scancode == KEY_ENTER;
}

bool is_mode_switch_key(int scancode) {
    return scancode == KEY_F11 || (scancode == KEY_ENTER && (key_shifts & KB_ALT_FLAG));
}

const char* key_name(int scancode) {
    for (const key_entry& e : key_table)
        if (e.scancode == scancode) return e.name;
    return nullptr;
}

int key_by_name(const char* name) {
    if (!name) return 0;
    for (const key_entry& e : key_table)
        if (strcasecmp(e.name, name) == 0) return e.scancode;
    return 0;
}
