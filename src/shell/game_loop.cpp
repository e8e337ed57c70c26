// The main loop: its pacing and pause, and its two halves, one logic tick and one frame drawn
// into the world buffer and copied to the game's picture.
#include <allegro.h>

#include <chrono>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "display/display.h"
#include "gameplay/effect.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/shops.h"
#include "input/input.h"
#include "music/music.h"
#include "shell/shell.h"
#include "world/camera.h"
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

// The 1 Hz timer is taken away while paused, so that the mission clock stands still.
void set_paused(bool paused) {
    if (paused) {
        remove_int(increment_timer);
    } else {
        install_int_ex(increment_timer, BPS_TO_TIMER(1));
        speed_counter = 0;  // the ticks of the pause are not owed
    }
    FMUSIC_SetPaused(song, paused);
}

// The pad's part of a pass: a pad plugged in is taken, its pause button pauses and resumes as P
// does, and pulling it out pauses (it cannot steer any more). True when the pause changed.
bool answer_pad(bool& paused) {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool changed = false;
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;)
        if (b == pad_bindings.pause) {
            paused = !paused;
            set_paused(paused);
            changed = true;
        }
    if (take_gamepad_unplugged(player_pad) && !paused) {
        paused = true;
        set_paused(true);
        changed = true;
    }
    return changed;
}

void show_frame(PLAYER& mora, PLAYER& vela, bool paused) {
    draw_frame(picture, mora, vela);
    if (paused) disp_paused(picture, 0, 0);
    if (screen) show_picture();
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
    bool paused = false;
    while (!blGameOver) {
        bool redraw = false;
        while (keypressed()) {
            const int k = readkey() >> 8;
            if (k == KEY_ESC) {
                // A tap too short for key[] to see still quits; the pass goes on as after the
                // tick's own test.
                blGameOver = true;
            } else if (is_mode_switch_key(k)) {
                switch_display_mode();
                redraw = true;
            } else if (k == key_bindings.pause) {
                paused = !paused;
                set_paused(paused);
                redraw = true;
            }
        }
        if (answer_pad(paused)) redraw = true;
        const bool settling = std::chrono::steady_clock::now() - last_switch < switch_settle;
        if (display_focus_lost.exchange(false) && !paused && !settling) {
            paused = true;
            set_paused(true);
            redraw = true;
        }
        if (paused) {
            if (blGameOver || key[KEY_ESC]) break;
            if (redraw) show_frame(mora, vela, true);
            rest(paused_rest);
            continue;
        }
        if (speed_counter <= 0) {
            if (redraw) show_frame(mora, vela, false);
            wait_for_tick(tick_wait);
            continue;
        }
        if (speed_counter > max_ticks_per_pass) speed_counter = max_ticks_per_pass;
        while (speed_counter > 0) {
            game_tick(mora, vela);
            speed_counter--;
        }
        show_frame(mora, vela, false);
    }
}

void game_tick(PLAYER& mora, PLAYER& vela) {
    poll_input();
    handle_vela_stuff(mora, vela);
    // The rest of this tick and of the pending ticks still runs; the loop ends after the frame.
    if (key[KEY_ESC]) blGameOver = true;
    // Mora stands still (and the camera with her) while the change effect plays and while Vela
    // walks and changes.
    if (!metamorphose && game_state != 4) mora.control();
    check_shops(mora);
    if (do_anim) {
        mora.addframe();
        vela.addframe();
        do_anim = false;
    }
}

void draw_frame_sized(BITMAP* target, PLAYER& mora, PLAYER& vela, int w, int h,
                      bool clip_to_window) {
    check_iTheXY_in(w, h);
    // Only the camera's window reaches the screen: with the clip set, the cells and sprites
    // outside it cost only the clip test. The window is redrawn whole every frame.
    if (clip_to_window)
        set_clip_rect(buffer, iThex, iThey, iThex + w - 1, iThey + h - 1);
    else
        set_clip_rect(buffer, 0, 0, buffer->w - 1, buffer->h - 1);

    // The fill of the window and the row and column past it with colour 0: the background covers
    // the window right after, so only that row and column are left of it, and only they are
    // filled (with the clip to the window, nothing is). Solid, not in the HUD's translucent mode
    // still in force (the HUD sets its mode again when it draws).
    solid_mode();
    rectfill(buffer, iThex + w, iThey, iThex + w, iThey + h, 0);
    rectfill(buffer, iThex, iThey + h, iThex + w, iThey + h, 0);
    blit(back, buffer, iThex / 2, iThey / 2, iThex, iThey, w, h);
    draw_tiles(buffer, 0, 0);
    draw_shops(buffer);
    vela.draw(buffer, false);
    if (metamorphose)
        draw_effect(buffer, mora);
    else
        mora.draw(buffer, false);
    disp_message_width(buffer, w);

    acquire_bitmap(target);
    blit(buffer, target, iThex, iThey, 0, 0, w, h);
    release_bitmap(target);
}

void draw_frame(BITMAP* target, PLAYER& mora, PLAYER& vela) {
    draw_frame_sized(target, mora, vela, view_w, view_h, true);
}
