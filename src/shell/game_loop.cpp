// The main loop: the ticks the 120 Hz timer has made, a frame when one is due, the keys the shell
// answers itself (Escape, the mode switch, the pause) and the pause.
#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "menu/menu.h"
#include "music/music.h"
#include "shell/shell.h"
#include "world/level.h"

int frame_rate = frame_rate_auto;

namespace {

using clock_type = std::chrono::steady_clock;

// A pass runs at most this many ticks (a quarter of a second): after a stall (the window dragged,
// a mode switch) the game goes on from where it was rather than racing to catch up.
constexpr int max_ticks_per_pass = 30;
// Microseconds at most between looks at the keyboard while nothing is due.
constexpr long idle_wait_us = 10000;
constexpr int menu_rest = 10;  // ms between looks at the keyboard and the pad in the menus
constexpr int default_frame_rate = 60;  // when the system does not tell the display's

// When frames are shown: each after at least one tick, and at most one per interval (none
// between: a frame after every pass that ran ticks), at an even pace.
struct frame_pacer {
    clock_type::duration interval{};
    clock_type::time_point next{};
    bool owed = false;  // ticks have run since the last frame shown

    explicit frame_pacer(int rate) {
        if (rate == frame_rate_auto) rate = display_refresh_rate() > 0 ? display_refresh_rate() : default_frame_rate;
        if (rate > 0) interval = std::chrono::duration_cast<clock_type::duration>(std::chrono::seconds(1)) / rate;
    }
    bool due(clock_type::time_point now) const { return owed && now >= next; }
    void shown(clock_type::time_point now) {
        owed = false;
        // Keep the cadence; after a stall, start it again from now.
        next += interval;
        if (next <= now) next = now + interval;
    }
    // How long the loop may sleep: until the next tick, or until the frame owed is due.
    long wait_us(clock_type::time_point now) const {
        if (!owed) return idle_wait_us;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(next - now).count();
        return left < 0 ? 0 : left < idle_wait_us ? static_cast<long>(left) : idle_wait_us;
    }
};

// The time of every frame shown, for ONE_STEP_AHEAD_FRAME_LOG: written when play ends, so that
// writing it does not disturb the pace it measures.
struct frame_log {
    const char* path = std::getenv("ONE_STEP_AHEAD_FRAME_LOG");
    std::vector<double> ms;
    clock_type::time_point start = clock_type::now();

    void shown(clock_type::time_point now) {
        if (path) ms.push_back(std::chrono::duration<double, std::milli>(now - start).count());
    }
    ~frame_log() {
        if (!path) return;
        if (std::FILE* f = std::fopen(path, "w")) {
            for (double t : ms) std::fprintf(f, "%.3f\n", t);
            std::fclose(f);
        }
    }
};

// What the loop keeps between passes.
struct loop_state {
    MENU_STATE menu;      // open while the game is paused
    BITMAP* canvas;       // the menus drawn over the frozen frame (which `picture` keeps)
    bool redraw = false;  // the picture must be shown again though nothing changed (a new mode)
    FRAME_KEY shown{};    // what the screen shows
};

// Pauses the game and opens the pause menu over its last frame: no tick runs and the mission
// clock (its 1 Hz timer taken away) and the music stand still.
void open_pause_menu(loop_state& s, PLAYER& mora, PLAYER& vela) {
    if (s.menu.is_open()) return;
    remove_int(increment_timer);
    FMUSIC_SetPaused(song, true);
    if (BITMAP* frame = draw_frame(mora, vela)) blit(frame, picture, 0, 0, 0, 0, view_w, view_h);
    forget_frame();
    open_menu(s.menu);
}

// Play goes on where it stood.
void resume_play(loop_state& s) {
    s.menu.open.clear();
    hold_over_input();
    install_int_ex(increment_timer, BPS_TO_TIMER(1));
    speed_counter = 0;  // the ticks of the pause are not owed
    FMUSIC_SetPaused(song, false);
    s.redraw = true;
}

// One pass while the menus are open: what the player did, and the menus drawn again over the
// frozen frame when anything changed.
void menu_pass(loop_state& s) {
    for (const MENU_EVENT& e : read_menu_events(s.menu)) {
        switch (menu_event(s.menu, e)) {
        case MENU_RESULT::stay: break;
        case MENU_RESULT::resume: resume_play(s); return;
        case MENU_RESULT::quit: blGameOver = true; return;
        case MENU_RESULT::play_run: break;
        }
    }
    display_focus_lost = false;  // the game waits already
    if (s.menu.changed && screen) {
        blit(picture, s.canvas, 0, 0, 0, 0, view_w, view_h);
        draw_menu(s.canvas, s.menu);
        show_picture(s.canvas);
        s.menu.changed = false;
    }
    rest(menu_rest);
}

// The keys the shell answers in play, from the key buffer: Escape (a tap too short for key[] to
// see still quits; the pass goes on as after the tick's own test), F11 or Alt+Enter, and the
// pause key, which opens the pause menu.
void answer_shell_keys(loop_state& s, PLAYER& mora, PLAYER& vela) {
    while (keypressed() && !s.menu.is_open()) {
        const int k = readkey() >> 8;
        if (k == KEY_ESC) {
            if (escape_held() || !key[KEY_ESC]) blGameOver = true;  // not the one held over
        } else if (is_mode_switch_key(k)) {
            switch_display_mode();
            s.redraw = true;
        } else if (k == key_bindings.pause) {
            open_pause_menu(s, mora, vela);
        }
    }
}

// The pad's part of a pass in play: a pad plugged in is taken; its pause button (Start) opens
// the pause menu, and so does pulling it out, as on a console: it cannot steer any more.
void answer_pad(loop_state& s, PLAYER& mora, PLAYER& vela) {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool pause = take_gamepad_unplugged(player_pad);
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;) pause |= b == pad_bindings.pause;
    if (pause) open_pause_menu(s, mora, vela);
}

// The window lost the focus: the player is elsewhere, so the game waits for them, paused.
void pause_when_left(loop_state& s, PLAYER& mora, PLAYER& vela) {
    if (display_focus_lost.exchange(false) && !display_settling()) open_pause_menu(s, mora, vela);
}

void show_frame(PLAYER& mora, PLAYER& vela) {
    BITMAP* frame = draw_frame(mora, vela);
    if (frame && screen) show_picture(frame);
    forget_frame();  // a view of the buffer, which a change of mode may make again
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

std::vector<BITMAP**> bitmaps_to_keep() {
    std::vector<BITMAP**> list{&buffer, &back, &before, &now};
    for (BITMAP*& t : tiles) list.push_back(&t);
    return list;
}

void run_game(PLAYER& mora, PLAYER& vela) {
    // Loading and the title took their time: play starts now, not with their ticks.
    speed_counter = 0;
    display_focus_lost = false;
    loop_state s{MENU_STATE(), create_bitmap(view_w, view_h)};
    if (!s.canvas) {
        start_failure("out of memory");
        return;
    }
    frame_pacer pacer(frame_rate);
    frame_log log;
    while (!blGameOver) {
        if (s.menu.is_open()) {
            menu_pass(s);
            continue;
        }
        answer_shell_keys(s, mora, vela);
        answer_pad(s, mora, vela);
        pause_when_left(s, mora, vela);
        if (s.menu.is_open()) continue;
        if (run_due_ticks(mora, vela)) pacer.owed = true;
        const auto now = clock_type::now();
        if (pacer.due(now) || s.redraw) {
            // A frame that would show what the screen shows already is left out: a player
            // standing still costs next to nothing.
            const FRAME_KEY key = frame_key(mora, vela);
            if (s.redraw || !(key == s.shown)) {
                show_frame(mora, vela);
                log.shown(now);
                s.shown = key;
            }
            pacer.shown(now);
            s.redraw = false;
        } else {
            wait_for_tick(pacer.wait_us(now));
        }
    }
    destroy_bitmap(s.canvas);
}
