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
#include "music/music.h"
#include "shell/shell.h"
#include "world/level.h"

bool blModeSwitched = false;
int frame_rate = frame_rate_auto;

namespace {

using clock_type = std::chrono::steady_clock;

// A pass runs at most this many ticks (a quarter of a second): after a stall (the window dragged,
// a mode switch) the game goes on from where it was rather than racing to catch up.
constexpr int max_ticks_per_pass = 30;
// Microseconds at most between looks at the keyboard while nothing is due.
constexpr long idle_wait_us = 10000;
constexpr int paused_rest = 10;  // ms between looks at the keyboard while paused
constexpr int default_frame_rate = 60;  // when the system does not tell the display's
// A change of mode takes the focus from the old window: what the system reports of that in the
// moments after the switch is not the player leaving the game.
constexpr auto switch_settle = std::chrono::milliseconds(500);
clock_type::time_point last_switch;

// Every bitmap a change of mode may destroy: the ones made as system bitmaps.
std::vector<BITMAP**> system_bitmaps() {
    std::vector<BITMAP**> list{&buffer, &back, &before, &now};
    for (BITMAP*& t : tiles) list.push_back(&t);
    return list;
}

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
    const bool settling = clock_type::now() - last_switch < switch_settle;
    if (display_focus_lost.exchange(false) && !s.paused && !settling) set_paused(s, true);
}

// The pad's part of a pass: a pad plugged in is taken, its pause button pauses and resumes as P
// does, and pulling it out pauses (it cannot steer any more).
void answer_pad(loop_state& s) {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;)
        if (b == pad_bindings.pause) set_paused(s, !s.paused);
    if (take_gamepad_unplugged(player_pad) && !s.paused) set_paused(s, true);
}

void show_frame(PLAYER& mora, PLAYER& vela, bool paused) {
    BITMAP* frame = draw_frame(mora, vela);
    if (!frame) return;
    if (paused) disp_paused(frame, 0, 0);
    if (screen) show_picture(frame);
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
    forget_frame();  // a view of the buffer, which the new mode may make again
    if (!toggle_display(system_bitmaps())) {
        start_failure("Could not set video mode 320x240x32");
        blGameOver = true;
        return;
    }
    blModeSwitched = true;
    last_switch = clock_type::now();
}

void run_game(PLAYER& mora, PLAYER& vela) {
    // Loading and the title took their time: play starts now, not with their ticks.
    speed_counter = 0;
    display_focus_lost = false;
    loop_state s;
    frame_pacer pacer(frame_rate);
    frame_log log;
    while (!blGameOver) {
        s.redraw = false;
        answer_shell_keys(s);
        answer_pad(s);
        pause_when_left(s);
        if (s.paused) {
            if (blGameOver || key[KEY_ESC]) break;
            if (s.redraw) show_frame(mora, vela, true);
            rest(paused_rest);
            continue;
        }
        if (run_due_ticks(mora, vela)) pacer.owed = true;
        const auto now = clock_type::now();
        if (pacer.due(now) || s.redraw) {
            show_frame(mora, vela, false);
            pacer.shown(now);
            log.shown(now);
        } else {
            wait_for_tick(pacer.wait_us(now));
        }
    }
    forget_frame();
}
