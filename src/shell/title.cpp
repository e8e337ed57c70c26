// The title: fade in, wait for a key or a pad button, fade out.
#include <allegro.h>

#include "core/assets.h"
#include "display/display.h"
#include "input/input.h"
#include "shell/shell.h"

namespace {

constexpr int fade_step = 8;   // blender levels 0, 8, ..., 120: sixteen steps
constexpr int fade_end = 128;
constexpr int fade_pause = 31; // ms between steps: each fade takes about half a second
constexpr int key_wait = 10;   // ms between looks at the keyboard while the title waits

// True when a pad button was pressed since the last look; a pad plugged in meanwhile is taken.
bool pad_button_pressed() {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool pressed = false;
    while (take_gamepad_press(player_pad) >= 0) pressed = true;
    take_gamepad_unplugged(player_pad);  // pulled out before play began: nothing to pause
    return pressed;
}

} // namespace

void show_title() {
    // Each step blends over what the last one left, as on a screen that keeps its picture.
    clear_to_color(picture, 0);
    solid_mode();
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        draw_trans_sprite(picture, the_title, 0, 0);
        show_picture();
        rest(fade_pause);
    }
    clear_keybuf();
    pad_button_pressed();  // a button pressed while the game loaded does not end the title
    for (;;) {
        if (keypressed()) {
            const int k = readkey();
            if (!is_mode_switch_key(k >> 8)) break;
            switch_display_mode();
            show_picture();
        }
        if (pad_button_pressed()) break;
        rest(key_wait);
    }
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        rectfill(picture, 0, 0, view_w, view_h, 0);
        show_picture();
        rest(fade_pause);
    }
}
