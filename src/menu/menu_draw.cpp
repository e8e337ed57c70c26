// Drawing the menus: the frozen frame dimmed, and a panel in the HUD's font and colours.
#include <allegro.h>

#include "core/state.h"
#include "gameplay/hud.h"
#include "menu/menu.h"

namespace {

constexpr int panel_w = 240;
constexpr int panel_x = (view_w - panel_w) / 2;
constexpr int title_h = 14;      // the title's strip
constexpr int line_h = 12;       // an entry, or a line of status or note
constexpr int margin = 8;        // text from the panel's sides
constexpr int edge_colour = 0x6A6AE6;  // the panel's outline: the box's colour, lighter
constexpr int note_colour = 0xFFE860;  // status and notes, in the title picture's yellow

} // namespace

void draw_menu(BITMAP* canvas, const MENU_STATE& m) {
    if (!m.is_open()) return;
    std::vector<std::string> below;
    for (const std::string& s : {menu_status(m), m.note})
        if (!s.empty()) below.push_back(s);
    draw_menu_panel(canvas, menu_title(m.page()), menu_entries(m), m.chosen(), below);
}

void draw_menu_panel(BITMAP* canvas, const char* title, const std::vector<MENU_ENTRY>& entries, int chosen,
                     const std::vector<std::string>& below) {
    FONT* f = hud_font();
    const int n = static_cast<int>(entries.size());
    const int h = title_h + 4 + n * line_h + static_cast<int>(below.size()) * line_h + 4;
    const int top = (view_h - h) / 2;
    const int right = panel_x + panel_w - 1;
    const int text_dy = (line_h - text_height(f)) / 2;

    // The game stands still behind the menu: its frame, darkened by half.
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, hud_blend);
    rectfill(canvas, 0, 0, view_w - 1, view_h - 1, 0);
    solid_mode();

    rectfill(canvas, panel_x, top, right, top + h - 1, box_colour);
    rect(canvas, panel_x, top, right, top + h - 1, edge_colour);
    rectfill(canvas, panel_x + 1, top + 1, right - 1, top + title_h - 1, strip_colour);
    textout_centre_ex(canvas, f, title, view_w / 2, top + (title_h - text_height(f)) / 2,
                      text_colour, -1);
    int y = top + title_h + 4;
    for (int i = 0; i < n; i++, y += line_h) {
        if (i == chosen) rectfill(canvas, panel_x + 2, y, right - 2, y + line_h - 1, strip_colour);
        textout_ex(canvas, f, entries[i].label.c_str(), panel_x + margin, y + text_dy, text_colour, -1);
        if (!entries[i].value.empty())
            textout_right_ex(canvas, f, entries[i].value.c_str(), right - margin, y + text_dy, text_colour, -1);
    }
    for (const std::string& s : below) {
        textout_centre_ex(canvas, f, s.c_str(), view_w / 2, y + text_dy, note_colour, -1);
        y += line_h;
    }
}
