// The title: fade in, wait for a key or a pad button (or, after a while, show the demo), fade out.
#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "core/assets.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "input/input.h"
#include "menu/menu.h"
#include "replay/replay_file.h"
#include "shell/shell.h"
#include "text/language.h"
#include "text/text.h"
#include "text/font.h"

namespace {

constexpr int fade_step = 8;   // blender levels 0, 8, ..., 120: sixteen steps
constexpr int fade_end = 128;
constexpr int fade_pause = 31; // ms between steps: each fade takes about half a second
constexpr int key_wait = 10;   // ms between looks at the keyboard while the title waits
constexpr auto attract_after = std::chrono::seconds(15);  // on the title without a key: the demo

// The hints' box, as the title's picture has it (tools/pic_world.cpp): centred, its last row at
// hints_bottom, a line of hint every hint_line rows from hints_first below its top.
constexpr int hints_bottom = 233;
constexpr int hints_first = 3, hint_line = 11;
constexpr int hints_h = 25;          // the box with its two lines
constexpr int hints_pad = 5;         // from the box's sides to the widest line
constexpr int hints_room = view_w - 2 * (hints_pad + 4);  // the widest a line may be
// TRANSLATORS: the title's hints: any key starts; the P key or the pad's Start button opens the
// menu in play.
const char* const hints[2] = {N_("press any key"), N_("P or Start: menu")};
const int hint_colours[2] = {text_colour, title_yellow};

BITMAP* titled = nullptr;   // the title with its hints in the language of titled_in
int titled_in = -1;         // language_changes when it was drawn

// True when a pad button was pressed since the last look; a pad plugged in meanwhile is taken.
bool pad_button_pressed() {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    bool pressed = false;
    while (take_gamepad_press(player_pad) >= 0) pressed = true;
    take_gamepad_unplugged(player_pad);  // pulled out before play began: nothing to pause
    return pressed;
}

// A line's width as the title's lettering measures it: its last glyph's blank column left out.
int hint_width(FONT* f, const std::string& line) { return std::max(0, text_width(f, line) - 1); }

} // namespace

BITMAP* title_picture() {
    if (titled && titled_in == language_changes) return titled;
    if (!the_title) return nullptr;
    if (!titled) titled = create_bitmap(the_title->w, the_title->h);
    if (!titled) return the_title;
    blit(the_title, titled, 0, 0, 0, 0, the_title->w, the_title->h);
    titled_in = language_changes;
    // The box is drawn again over the picture's own, at least as wide, so that nothing of the
    // English hints shows round a shorter language's; in English it gives the picture's pixels.
    FONT* f = hud_font();
    std::vector<std::string> lines[2];
    int w = 0, count = 0;
    for (int k = 0; k < 2; k++) {
        lines[k] = wrap_text(f, _(hints[k]), hints_room);
        for (const std::string& line : lines[k]) w = std::max(w, hint_width(f, line));
        w = std::max(w, hint_width(f, hints[k]));
        count += static_cast<int>(lines[k].size());
    }
    const int h = hints_h + hint_line * std::max(0, count - 2);
    const int x = view_w / 2 - w / 2 - hints_pad, top = hints_bottom + 1 - h;
    solid_mode();
    rectfill(titled, x, top, x + w + 2 * hints_pad - 1, hints_bottom, panel_outline);
    rectfill(titled, x + 1, top + 1, x + w + 2 * hints_pad - 2, hints_bottom - 1, panel_fill);
    int y = top + hints_first;
    for (int k = 0; k < 2; k++)
        for (const std::string& line : lines[k]) {
            draw_text(titled, f, line, view_w / 2 - hint_width(f, line) / 2, y, hint_colours[k]);
            y += hint_line;
        }
    return titled;
}

namespace {

// Each step blends the title over what the last one left, as on a screen that keeps its picture.
void fade_in_title() {
    clear_to_color(picture, 0);
    solid_mode();
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        draw_trans_sprite(picture, title_picture(), 0, 0);
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
