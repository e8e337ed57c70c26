// The HUD: the message line and its drawing, a translucent red strip with the message and a
// translucent blue box with time, level and score, at the camera's corner.
#include "gameplay/hud.h"

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gameplay/hud_text.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "core/state.h"
#include "text/font.h"
#include "text/text.h"
#include "world/camera.h"
#include "world/level.h"

// TRANSLATORS: the HUD's first line when play begins.
char message[message_size] = N_("Welcome!");
HUD_ANNOUNCEMENT hud_announcement;
int hud_timer = hud_timer_off;
SPLIT_NOTE split_note;

namespace {

constexpr int timer_margin = 2;   // pixels from the picture's right edge to the text's end
constexpr int timer_top = 11;     // the first row below the strip
constexpr int timer_line = 10;    // pixels from one line to the next, as in the HUD's box
constexpr int text_x = 2;         // the HUD's lines start so far right of the picture's edge
constexpr int box_w = 80;         // the box's last column, right of its first, at least

// Rows the strip grows by for the message's lines past the first (none in English).
int strip_growth(int lines) { return timer_line * (std::max(1, lines) - 1); }

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

std::vector<std::string> hud_message_lines(int screen_w) {
    const std::string shown =
        run_ticks < hud_announcement.until ? hud_announcement.text.shown() : shown_message(message);
    return wrap_text(hud_font(), shown, screen_w - 2 * text_x);
}

void disp_message_width(BITMAP* bmp, int screen_w) {
    const int X = iThex;
    const int Y = iThey;
    FONT* f = hud_font();
    const std::vector<std::string> lines = hud_message_lines(screen_w);
    const int grown = strip_growth(static_cast<int>(lines.size()));
    const int time_left = the_time - timer.load();
    // TRANSLATORS: the HUD's level line; %s is the level, a number.
    const std::string level = fill(_("Level: %s"), {std::to_string(tase)});
    // TRANSLATORS: the HUD's score line; %s is the score, a number (it may be negative).
    const std::string points = fill(_("Score: %s"), {std::to_string(score)});
    // TRANSLATORS: the HUD's time line: the seconds left for the mission (it may be negative).
    const std::string time = fill(P_("Time : %s sec", "Time : %s sec", static_cast<unsigned long>(std::labs(time_left))),
                                  {std::to_string(time_left)});
    // The box is as wide as its longest line needs, and never narrower than its 81 columns.
    const int widest = std::max({text_width(f, level), text_width(f, points), text_width(f, time)});
    const int box_right = X + std::max(box_w, text_x + widest);

    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(hud_blend, hud_blend, hud_blend, hud_blend);
    rectfill(bmp, X, Y, X + screen_w, Y + 10 + grown, strip_colour);
    rectfill(bmp, X, Y + 11 + grown, box_right, Y + 40 + grown, box_colour);

    for (size_t i = 0; i < lines.size(); i++)
        draw_text(bmp, f, lines[i], X + text_x, Y + 2 + timer_line * static_cast<int>(i), text_colour);
    draw_text(bmp, f, level, X + text_x, Y + 22 + grown, text_colour);
    draw_text(bmp, f, points, X + text_x, Y + 32 + grown, text_colour);
    draw_text(bmp, f, time, X + text_x, Y + 12 + grown, text_colour);
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
    const int Y = iThey + timer_top + strip_growth(static_cast<int>(hud_message_lines(screen_w).size()));
    const int lines = t.second[0] ? 2 : 1;
    const int w = std::max(text_width(f, t.run), text_width(f, t.second));
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(hud_blend, hud_blend, hud_blend, hud_blend);
    rectfill(bmp, right - w - timer_margin, Y, iThex + screen_w, Y + lines * timer_line, box_colour);
    draw_text_right(bmp, f, t.run, right, Y + 1, text_colour);
    if (t.second[0]) draw_text_right(bmp, f, t.second, right, Y + 1 + timer_line, t.second_colour);
}

