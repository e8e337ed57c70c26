// Drawing the menus: the frozen frame dimmed, and a framed panel in the title's style.
#include <allegro.h>

#include "core/state.h"
#include "gameplay/hud.h"
#include "menu/menu.h"
#include "text/font.h"

namespace {

constexpr int panel_w = 240;
constexpr int panel_x = (view_w - panel_w) / 2;
constexpr int title_h = 14;      // the title's strip
constexpr int line_h = 12;       // an entry, or a line of status or note
constexpr int margin = 8;        // text from the panel's sides
constexpr int shadow_offset = 3;  // the panel's drop shadow, as the title's letters cast theirs
constexpr int shadow_blend = 150;

} // namespace

void draw_panel(BITMAP* canvas, int x, int y, int w, int h) {
    // The shadow darkens what lies below and right of the panel.
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, shadow_blend);
    rectfill(canvas, x + shadow_offset, y + h, x + w - 1 + shadow_offset, y + h - 1 + shadow_offset, panel_outline);
    rectfill(canvas, x + w, y + shadow_offset, x + w - 1 + shadow_offset, y + h - 1, panel_outline);
    solid_mode();
    rectfill(canvas, x, y, x + w - 1, y + h - 1, panel_outline);
    rectfill(canvas, x + 1, y + 1, x + w - 2, y + h - 2, panel_fill);
    hline(canvas, x + 1, y + 1, x + w - 2, panel_light);
    vline(canvas, x + 1, y + 1, y + h - 2, panel_light);
}

void shadowed_text(BITMAP* canvas, const std::string& text, int x, int y, int colour, int align) {
    FONT* f = hud_font();
    if (align == 0) x -= text_width(f, text.c_str()) / 2;
    if (align > 0) x -= text_width(f, text.c_str());
    draw_text(canvas, f, text.c_str(), x + 1, y + 1, panel_outline);
    draw_text(canvas, f, text.c_str(), x, y, colour);
}

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
    const int text_dy = (line_h - font_line_height(f)) / 2;

    // The game stands still behind the menu: its frame, darkened by half.
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, hud_blend);
    rectfill(canvas, 0, 0, view_w - 1, view_h - 1, 0);
    solid_mode();

    draw_panel(canvas, panel_x, top, panel_w, h);
    shadowed_text(canvas, title, view_w / 2, top + 2 + (title_h - font_line_height(f)) / 2, title_yellow, 0);
    hline(canvas, panel_x + margin, top + title_h + 1, right - margin, panel_outline);
    int y = top + title_h + 4;
    for (int i = 0; i < n; i++, y += line_h) {
        if (i == chosen) rectfill(canvas, panel_x + 3, y, right - 3, y + line_h - 1, panel_band);
        shadowed_text(canvas, entries[i].label, panel_x + margin, y + text_dy, text_colour);
        if (!entries[i].value.empty()) shadowed_text(canvas, entries[i].value, right - margin, y + text_dy, text_colour, 1);
    }
    for (const std::string& s : below) {
        shadowed_text(canvas, s, view_w / 2, y + text_dy, title_yellow, 0);
        y += line_h;
    }
}
