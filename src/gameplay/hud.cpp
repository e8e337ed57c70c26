// The HUD: the message line and its drawing, a translucent red strip with the message and a
// translucent blue box with time, level and score, at the camera's corner.
#include "gameplay/hud.h"

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "core/state.h"
#include "world/camera.h"
#include "world/level.h"

char message[message_size] = "Welcome!";
HUD_ANNOUNCEMENT hud_announcement;
int hud_timer = hud_timer_off;
SPLIT_NOTE split_note;

namespace {

constexpr int timer_margin = 2;   // pixels from the picture's right edge to the text's end
constexpr int timer_top = 11;     // the first row below the strip
constexpr int timer_line = 10;    // pixels from one line to the next, as in the HUD's box

} // namespace

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

void announce(const SENTENCE& text) { hud_announcement = {text, run_ticks + announcement_ticks}; }

std::string hud_line() { return run_ticks < hud_announcement.until ? hud_announcement.text.shown() : message; }

void disp_message_width(BITMAP* bmp, int screen_w) {
    const int X = iThex;
    const int Y = iThey;
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(hud_blend, hud_blend, hud_blend, hud_blend);
    rectfill(bmp, X, Y, X + screen_w, Y + 10, strip_colour);
    rectfill(bmp, X, Y + 11, X + 80, Y + 40, box_colour);

    FONT* f = hud_font();
    char line[64];
    textout_ex(bmp, f, hud_line().c_str(), X + 2, Y + 2, text_colour, -1);
    std::snprintf(line, sizeof line, "Level: %i", tase);
    textout_ex(bmp, f, line, X + 2, Y + 22, text_colour, -1);
    std::snprintf(line, sizeof line, "Score: %i", score);
    textout_ex(bmp, f, line, X + 2, Y + 32, text_colour, -1);
    std::snprintf(line, sizeof line, "Time : %i sec", the_time - timer.load());
    textout_ex(bmp, f, line, X + 2, Y + 12, text_colour, -1);
}

void disp_message(BITMAP* bmp) { disp_message_width(bmp, view_w); }

void format_game_time(int ticks, bool sign, char* out, int n) {
    const char* s = !sign ? "" : ticks < 0 ? "-" : "+";
    const long long t = ticks < 0 ? -static_cast<long long>(ticks) : ticks;
    const long long seconds = t / logic_rate;
    const long long hundredths = t % logic_rate * 100 / logic_rate;
    std::snprintf(out, static_cast<std::size_t>(n), "%s%lld:%02lld.%02lld", s, seconds / 60, seconds % 60, hundredths);
}

TIMER_TEXT timer_text() {
    TIMER_TEXT t;
    std::memset(&t, 0, sizeof t);
    t.second_colour = text_colour;
    if (hud_timer == hud_timer_off) return t;
    format_game_time(run_ticks, false, t.run, sizeof t.run);
    const int last = static_cast<int>(run_splits.size()) - 1;
    if (last >= 0 && run_ticks - run_splits.back() < split_shown_ticks) {
        const bool judged = split_note.split == last;
        if (judged && split_note.compared)
            format_game_time(split_note.difference, true, t.second, sizeof t.second);
        else
            format_game_time(run_splits.back(), false, t.second, sizeof t.second);
        if (judged) {
            switch (split_note.look) {
            case SPLIT_LOOK::plain: break;
            case SPLIT_LOOK::ahead: t.second_colour = ahead_colour; break;
            case SPLIT_LOOK::behind: t.second_colour = behind_colour; break;
            case SPLIT_LOOK::gold: t.second_colour = gold_colour; break;
            }
        }
    } else if (hud_timer == hud_timer_mission) {
        format_game_time(mission_ticks(), false, t.second, sizeof t.second);
    }
    return t;
}

void disp_timer(BITMAP* bmp, int screen_w) {
    if (hud_timer == hud_timer_off) return;
    const TIMER_TEXT t = timer_text();
    FONT* f = hud_font();
    const int right = iThex + screen_w - timer_margin;
    const int Y = iThey + timer_top;
    const int lines = t.second[0] ? 2 : 1;
    const int w = std::max(text_length(f, t.run), text_length(f, t.second));
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(hud_blend, hud_blend, hud_blend, hud_blend);
    rectfill(bmp, right - w - timer_margin, Y, iThex + screen_w, Y + lines * timer_line, box_colour);
    textout_right_ex(bmp, f, t.run, right, Y + 1, text_colour, -1);
    if (t.second[0]) textout_right_ex(bmp, f, t.second, right, Y + 1 + timer_line, t.second_colour, -1);
}

