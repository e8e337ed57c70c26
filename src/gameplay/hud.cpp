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

FONT* hud_font() {
    if (font1 && font1[0].type == DAT_FONT && font1[0].dat) return static_cast<FONT*>(font1[0].dat);
    return font;
}

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
    set_trans_blender(hud_blend, hud_blend, hud_blend, hud_blend);
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

