// The main loop: the ticks the 120 Hz timer has made, a frame after them, the keys the shell
// answers itself (Escape, the mode switch, the pause) and the pause.
#include <allegro.h>

#include <chrono>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "music/music.h"
#include "shell/shell.h"
#include "world/level.h"

bool blModeSwitched = false;

namespace {

// A pass runs at most this many ticks (a quarter of a second): after a stall (the window dragged,
// a mode switch) the game goes on from where it was rather than racing to catch up.
constexpr int max_ticks_per_pass = 30;
constexpr int tick_wait = 10;    // ms at most between looks at the keyboard while no tick is due
constexpr int paused_rest = 10;  // ms between looks at the keyboard while paused
// A change of mode takes the focus from the old window: what the system reports of that in the
// moments after the switch is not the player leaving the game.
constexpr auto switch_settle = std::chrono::milliseconds(500);
std::chrono::steady_clock::time_point last_switch;

// Every bitmap a change of mode may destroy: the ones made as system bitmaps.
std::vector<BITMAP**> system_bitmaps() {
    std::vector<BITMAP**> list{&buffer, &back, &before, &now};
    for (BITMAP*& t : tiles) list.push_back(&t);
    return list;
}

// What the loop keeps between passes.
struct loop_state {
    bool paused = false;
    bool redraw = false;  // the picture must be shown again though no tick ran (a new mode, the pause)
};

// The 1 Hz timer is taken away while paused, so that the mission clock stands still.
void set_paused(loop_state& s, bool paused) {
    s.paused = paused;
    s.redraw = true;
    if (paused) {
        remove_int(increment_timer);
    } else {
        install_int_ex(increment_timer, BPS_TO_TIMER(1));
        speed_counter = 0;  // the ticks of the pause are not owed
    }
    FMUSIC_SetPaused(song, paused);
}

// The keys the shell answers itself, from the key buffer: Escape (a tap too short for key[] to
// see still quits; the pass goes on as after the tick's own test), F11 or Alt+Enter, and P.
void answer_shell_keys(loop_state& s) {
    while (keypressed()) {
        const int k = readkey() >> 8;
        if (k == KEY_ESC) {
            blGameOver = true;
        } else if (is_mode_switch_key(k)) {
            switch_display_mode();
            s.redraw = true;
        } else if (k == key_bindings.pause) {
            set_paused(s, !s.paused);
        }
    }
}

// The window lost the focus: the player is elsewhere, so the game waits for them, paused.
void pause_when_left(loop_state& s) {
    const bool settling = std::chrono::steady_clock::now() - last_switch < switch_settle;
    if (display_focus_lost.exchange(false) && !s.paused && !settling) set_paused(s, true);
}

void show_frame(PLAYER& mora, PLAYER& vela, bool paused) {
    draw_frame(picture, mora, vela);
    if (paused) disp_paused(picture, 0, 0);
    if (screen) show_picture();
}

// Runs the ticks due, at most max_ticks_per_pass of them. False when none was due.
bool run_due_ticks(PLAYER& mora, PLAYER& vela) {
    if (speed_counter <= 0) return false;
    if (speed_counter > max_ticks_per_pass) speed_counter = max_ticks_per_pass;
    while (speed_counter > 0) {
        game_tick(mora, vela);
        speed_counter--;
    }
    return true;
}

} // namespace

bool is_mode_switch_key(int scancode) {
    return scancode == KEY_F11 || (scancode == KEY_ENTER && (key_shifts & KB_ALT_FLAG));
}

void switch_display_mode() {
    if (!toggle_display(system_bitmaps())) {
        start_failure("Could not set video mode 320x240x32");
        blGameOver = true;
        return;
    }
    blModeSwitched = true;
    last_switch = std::chrono::steady_clock::now();
}

void run_game(PLAYER& mora, PLAYER& vela) {
    // Loading and the title took their time: play starts now, not with their ticks.
    speed_counter = 0;
    display_focus_lost = false;
    loop_state s;
    while (!blGameOver) {
        s.redraw = false;
        answer_shell_keys(s);
        pause_when_left(s);
        if (s.paused) {
            if (blGameOver || key[KEY_ESC]) break;
            if (s.redraw) show_frame(mora, vela, true);
            rest(paused_rest);
        } else if (run_due_ticks(mora, vela)) {
            show_frame(mora, vela, false);
        } else {
            if (s.redraw) show_frame(mora, vela, false);
            wait_for_tick(tick_wait);
        }
    }
}
