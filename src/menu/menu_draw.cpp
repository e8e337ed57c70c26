// Drawing the menus: the frozen frame dimmed, and a framed panel in the title's style.
#include <allegro.h>

#include <algorithm>

#include "core/state.h"
#include "gameplay/hud.h"
#include "menu/menu.h"
#include "text/font.h"
#include "text/text.h"

namespace {

constexpr int panel_w = 240;     // at least; wider where the words need it
constexpr int picture_margin = 4;  // at most so close to the picture's sides
constexpr int value_gap = 8;     // between a label and its value, at least
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
    for (const std::string& s : {menu_status(m), std::string(text_lookup(m.note.c_str()))})
        if (!s.empty()) below.push_back(s);
    draw_menu_panel(canvas, menu_title(m.page()), menu_entries(m), m.chosen(), below);
}

void draw_menu_panel(BITMAP* canvas, const char* title, const std::vector<MENU_ENTRY>& entries, int chosen,
                     const std::vector<std::string>& below) {
    FONT* f = hud_font();
    // The panel is as wide as its words need, from panel_w up to the picture's width less a
    // margin; a label that still does not fit beside its value takes more lines, and so do the
    // lines below the entries.
    int w = std::max(panel_w, text_width(f, title) + 2 * margin);
    for (const MENU_ENTRY& e : entries)
        w = std::max(w, text_width(f, e.label) + (e.value.empty() ? 0 : value_gap + text_width(f, e.value)) + 2 * margin);
    for (const std::string& s : below) w = std::max(w, text_width(f, s) + 2 * margin);
    w = std::min(w, view_w - 2 * picture_margin);
    const int inner = w - 2 * margin;
    std::vector<std::vector<std::string>> labels;
    int rows = 0;
    for (const MENU_ENTRY& e : entries) {
        const int room = inner - (e.value.empty() ? 0 : value_gap + text_width(f, e.value));
        labels.push_back(wrap_text(f, e.label, room));
        if (labels.back().empty()) labels.back().push_back("");
        rows += static_cast<int>(labels.back().size());
    }
    std::vector<std::string> notes;
    for (const std::string& s : below) {
        const std::vector<std::string> lines = wrap_text(f, s, inner);
        if (lines.empty()) notes.push_back("");  // an empty line keeps its place
        notes.insert(notes.end(), lines.begin(), lines.end());
    }

    const int x = (view_w - w) / 2;
    const int h = title_h + 4 + rows * line_h + static_cast<int>(notes.size()) * line_h + 4;
    const int top = (view_h - h) / 2;
    const int right = x + w - 1;
    const int text_dy = (line_h - font_line_height(f)) / 2;

    // The game stands still behind the menu: its frame, darkened by half.
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, hud_blend);
    rectfill(canvas, 0, 0, view_w - 1, view_h - 1, 0);
    solid_mode();

    draw_panel(canvas, x, top, w, h);
    shadowed_text(canvas, title, view_w / 2, top + 2 + (title_h - font_line_height(f)) / 2, title_yellow, 0);
    hline(canvas, x + margin, top + title_h + 1, right - margin, panel_outline);
    int y = top + title_h + 4;
    for (size_t i = 0; i < entries.size(); i++) {
        const int lines = static_cast<int>(labels[i].size());
        if (static_cast<int>(i) == chosen) rectfill(canvas, x + 3, y, right - 3, y + lines * line_h - 1, panel_band);
        for (int k = 0; k < lines; k++)
            shadowed_text(canvas, labels[i][static_cast<size_t>(k)], x + margin, y + k * line_h + text_dy, text_colour);
        if (!entries[i].value.empty()) shadowed_text(canvas, entries[i].value, right - margin, y + text_dy, text_colour, 1);
        y += lines * line_h;
    }
    for (const std::string& s : notes) {
        shadowed_text(canvas, s, view_w / 2, y + text_dy, title_yellow, 0);
        y += line_h;
    }
}
