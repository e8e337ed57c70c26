// The title: fade in, wait for a key or a pad button (or, after a while, show the demo), fade out.
#include <allegro.h>

#include <chrono>

#include "core/assets.h"
#include "display/display.h"
#include "input/input.h"
#include "replay/replay_file.h"
#include "shell/shell.h"

namespace {

constexpr int fade_step = 8;   // blender levels 0, 8, ..., 120: sixteen steps
constexpr int fade_end = 128;
constexpr int fade_pause = 31; // ms between steps: each fade takes about half a second
constexpr int key_wait = 10;   // ms between looks at the keyboard while the title waits
constexpr auto attract_after = std::chrono::seconds(15);  // on the title without a key: the demo

// True when a pad button was pressed since the last look; a pad plugged in meanwhile is taken.
bool pad_button_pressed() {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool pressed = false;
    while (take_gamepad_press(player_pad) >= 0) pressed = true;
    take_gamepad_unplugged(player_pad);  // pulled out before play began: nothing to pause
    return pressed;
}

// Each step blends the title over what the last one left, as on a screen that keeps its picture.
void fade_in_title() {
    clear_to_color(picture, 0);
    solid_mode();
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        draw_trans_sprite(picture, the_title, 0, 0);
        show_picture();
        rest(fade_pause);
    }
}

// What the screen shows (`picture`) darkens step by step to black.
void fade_to_black() {
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        rectfill(picture, 0, 0, view_w, view_h, 0);
        show_picture();
        rest(fade_pause);
    }
    solid_mode();
}

// Waits for any key but the mode switch's (which switches), or any pad button: true; Escape
// ends the game (blGameOver) as well. With attract, false once attract_after has passed without
// one.
bool wait_on_title(bool attract) {
    clear_keybuf();
    pad_button_pressed();  // a button pressed before the title showed does not end it
    const auto until = std::chrono::steady_clock::now() + attract_after;
    for (;;) {
        if (keypressed()) {
            const int k = readkey();
            if ((k >> 8) == KEY_ESC) blGameOver = true;
            if (!is_mode_switch_key(k >> 8)) return true;
            switch_display_mode();
            show_picture();
        }
        if (pad_button_pressed()) return true;
        if (attract && std::chrono::steady_clock::now() >= until) return false;
        rest(key_wait);
    }
}

} // namespace

void show_title(PLAYER& mora, PLAYER& vela, const REPLAY* demo) {
    for (;;) {
        fade_in_title();
        if (wait_on_title(demo != nullptr)) break;
        // Nobody played: the title shows what the game is like, until a key says otherwise.
        fade_to_black();
        watch_replay(mora, vela, *demo, WATCH::demo);
        if (blGameOver) return;
        if (BITMAP* frame = draw_frame(mora, vela)) blit(frame, picture, 0, 0, 0, 0, view_w, view_h);
        forget_frame();
        fade_to_black();
    }
    fade_to_black();
}
