// The HUD: the message line and its drawing, a translucent red strip with the message and a
// translucent blue box with time, level and score, at the camera's corner.
#include "gameplay/hud.h"

#include <allegro.h>

#include <cstdio>
#include <cstring>

#include "gameplay/mission.h"
#include "core/state.h"
#include "world/camera.h"
#include "world/level.h"

char message[message_size] = "Welcome!";

namespace {

constexpr int strip_colour = 0x990000;
constexpr int box_colour = 0x1111AA;
constexpr int text_colour = 0xFFFFFF;
constexpr int half = 128; // the blender: strip and box mixed half and half with the picture

// The HUD font: object 0 of font1, or the library's own font while font.dat is missing.
FONT* hud_font() {
    if (font1 && font1[0].type == DAT_FONT && font1[0].dat) return static_cast<FONT*>(font1[0].dat);
    return font;
}

}  // namespace

void add_message(const char* text) {
    // Cut at the 99 characters that fit with the terminator; never past the buffer.
    std::size_t n = 0;
    while (n < message_size - 1 && text[n] != '\0') n++;
    std::memmove(message, text, n);
    message[n] = '\0';
}

void disp_message_width(BITMAP* bmp, int screen_w) {
    const int X = iThex;
    const int Y = iThey;
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(half, half, half, half);
    rectfill(bmp, X, Y, X + screen_w, Y + 10, strip_colour);
    rectfill(bmp, X, Y + 11, X + 80, Y + 40, box_colour);

    FONT* f = hud_font();
    char line[64];
    textout_ex(bmp, f, message, X + 2, Y + 2, text_colour, -1);
    std::snprintf(line, sizeof line, "Level: %i", tase);
    textout_ex(bmp, f, line, X + 2, Y + 22, text_colour, -1);
    std::snprintf(line, sizeof line, "Score: %i", score);
    textout_ex(bmp, f, line, X + 2, Y + 32, text_colour, -1);
    std::snprintf(line, sizeof line, "Time : %i sec", the_time - timer.load());
    textout_ex(bmp, f, line, X + 2, Y + 12, text_colour, -1);
}

void disp_message(BITMAP* bmp) { disp_message_width(bmp, view_w); }

void disp_paused(BITMAP* bmp, int x, int y) {
    const char* text = "Paused";
    FONT* f = hud_font();
    const int h = text_height(f) + 6;
    const int top = y + (view_h - h) / 2;
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(half, half, half, half);
    rectfill(bmp, x, top, x + view_w - 1, top + h - 1, strip_colour);
    textout_centre_ex(bmp, f, text, x + view_w / 2, top + 3, text_colour, -1);
}
