// A district file opened with the game: its own screen, which shows what the file holds and asks
// whether to add it.
#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/level_map.h"
#include "core/assets.h"
#include "core/picture_bytes.h"
#include "text/utf8.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "input/input.h"
#include "menu/menu.h"
#include "shell/shell.h"
#include "sharing/import.h"
#include "text/font.h"
#include "text/text.h"

namespace {

constexpr int panel_x = 8, panel_y = 8, panel_w = view_w - 16, panel_h = view_h - 16;
constexpr int margin = 10;
constexpr int line_h = 11;
constexpr int preview_top = panel_y + 22, preview_w = panel_w - 2 * margin, preview_h = 88;
constexpr int screen_rest = 10;  // ms between looks at the keys and the pad

// The plan's level at half size, fit into the preview's box with its proportions; null when it
// cannot be drawn.
BITMAP* plan_preview(const IMPORT_PLAN& plan) {
    BITMAP* sheet = plan.file.has[entry_tiles] ? pcx_from_bytes(plan.file.bytes[entry_tiles]) : nullptr;
    BITMAP* whole = draw_level_preview(plan.level.cells, sheet ? sheet : tilemap);
    destroy_bitmap(sheet);
    return shrink_to_fit(whole, preview_w, preview_h);
}

// A panel of lines over the dimmed title, until the player goes on (shown once more each time
// the mode changes).
void tell(BITMAP* canvas, const char* title, const std::vector<std::string>& lines, bool wait) {
    MENU_STATE events;
    events.open.push_back({MENU_PAGE::pause, 0});
    clear_keybuf();
    for (bool done = false, redraw = true; !done && !blGameOver;) {
        if (redraw) {
            draw_dimmed_title(canvas);
            draw_menu_panel(canvas, title, wait ? std::vector<MENU_ENTRY>{{_("Go on"), ""}} : std::vector<MENU_ENTRY>{},
                            wait ? 0 : -1, lines);
            if (screen) show_picture(canvas);
        }
        if (!wait) return;
        for (const MENU_EVENT& e : read_menu_events(events))
            if (e.action == MENU_ACTION::choose || e.action == MENU_ACTION::back) done = true;
        redraw = events.changed;
        events.changed = false;
        rest(screen_rest);
    }
    hold_over_input();
}

// The question's screen: the preview, what the file holds, and Yes / No (yes chosen first).
void draw_question(BITMAP* canvas, const IMPORT_PLAN& plan, BITMAP* preview, int yes_no) {
    draw_dimmed_title(canvas);
    draw_panel(canvas, panel_x, panel_y, panel_w, panel_h);
    shadowed_text(canvas, _("A district was sent to you"), view_w / 2, panel_y + 6, title_yellow, 0);
    hline(canvas, panel_x + 8, panel_y + 18, panel_x + panel_w - 9, panel_outline);
    rectfill(canvas, panel_x + margin - 1, preview_top - 1, panel_x + margin + preview_w, preview_top + preview_h,
             panel_outline);
    if (preview)
        blit(preview, canvas, 0, 0, panel_x + margin + (preview_w - preview->w) / 2,
             preview_top + (preview_h - preview->h) / 2, preview->w, preview->h);
    int y = preview_top + preview_h + 5;
    const int x = panel_x + margin;
    shadowed_text(canvas, screen_text(plan.name), x, y, title_pink);
    y += line_h;
    std::vector<std::string> lines;
    if (plan.file.maker.empty())
        lines.push_back(_("Its maker gave no name"));
    else
        lines.push_back(fill(_("Made by %s"), {screen_text(plan.file.maker)}));
    if (plan.has_run)
        lines.push_back(_("It carries its maker's run, to race as a ghost"));
    else if (!plan.run_note.empty())
        lines.push_back(_("Its maker's run does not play back here: it is left out"));
    else
        lines.push_back(_("It carries no run"));
    if (!plan.already.empty()) lines.push_back(fill(_("You added it before, as %s"), {plan.already}));
    for (const std::string& text : lines)
        for (const std::string& line : wrap_text(hud_font(), text, panel_w - 2 * margin)) {
            shadowed_text(canvas, line, x, y, text_colour);
            y += line_h;
        }
    const char* question = plan.already.empty() ? _("Add this district?") : _("Choose it on the district screen?");
    const int ask_y = panel_y + panel_h - 30;
    shadowed_text(canvas, question, view_w / 2, ask_y, title_yellow, 0);
    // TRANSLATORS: the answers to "Add this district?"
    const char* answers[2] = {_("Yes"), _("No")};
    FONT* f = hud_font();
    const int gap = 24;
    const int widths[2] = {text_width(f, answers[0]) + 12, text_width(f, answers[1]) + 12};
    int ax = view_w / 2 - (widths[0] + gap + widths[1]) / 2;
    for (int a = 0; a < 2; a++) {
        if (a == yes_no) rectfill(canvas, ax, ask_y + 12, ax + widths[a] - 1, ask_y + 12 + line_h, panel_band);
        shadowed_text(canvas, answers[a], ax + widths[a] / 2, ask_y + 14, text_colour, 0);
        ax += widths[a] + gap;
    }
}

// Asks the question: true for yes.
bool ask(BITMAP* canvas, const IMPORT_PLAN& plan) {
    BITMAP* preview = plan_preview(plan);
    MENU_STATE events;
    events.open.push_back({MENU_PAGE::pause, 0});
    int yes_no = 0;
    bool answer = false;
    clear_keybuf();
    for (bool done = false, redraw = true; !done && !blGameOver;) {
        if (redraw) {
            draw_question(canvas, plan, preview, yes_no);
            if (screen) show_picture(canvas);
        }
        redraw = false;
        for (const MENU_EVENT& e : read_menu_events(events)) {
            redraw = true;
            if (e.action == MENU_ACTION::left || e.action == MENU_ACTION::right || e.action == MENU_ACTION::up ||
                e.action == MENU_ACTION::down)
                yes_no = 1 - yes_no;
            else if (e.action == MENU_ACTION::choose)
                answer = yes_no == 0, done = true;
            else if (e.action == MENU_ACTION::back)
                done = true;
        }
        if (events.changed) redraw = true;
        events.changed = false;
        rest(screen_rest);
    }
    destroy_bitmap(preview);
    hold_over_input();
    return answer;
}

}  // namespace

std::string open_district_file(const std::string& path, PLAYER& mora, PLAYER& vela) {
    BITMAP* canvas = create_bitmap(view_w, view_h);
    if (!canvas) return "";
    tell(canvas, _("A district was sent to you"), {_("Checking that it can be played...")}, false);
    const std::string root = player_districts_dir();
    IMPORT_PLAN plan;
    std::string why, folder;
    const std::string name = path.substr(path.rfind('/') + 1);
    bool added = false;
    if (!prepare_import(path, root, shared_looks(), mora, vela, &plan, &why)) {
        std::fprintf(stderr, "one-step-ahead: %s: %s\n", terminal_text(path).c_str(), terminal_text(why).c_str());
        tell(canvas, _("This district cannot be added"),
             wrap_text(hud_font(), screen_text(name) + ": " + screen_text(why), menu_panel_text_w), true);
    } else if (ask(canvas, plan)) {
        if (!plan.run_note.empty())
            std::fprintf(stderr, "one-step-ahead: %s: %s\n", terminal_text(path).c_str(),
                         terminal_text(plan.run_note).c_str());
        added = install_import(plan, root, &folder, &why);
        if (!added) {
            std::fprintf(stderr, "one-step-ahead: %s: %s\n", terminal_text(path).c_str(), terminal_text(why).c_str());
            tell(canvas, _("This district cannot be added"), wrap_text(hud_font(), screen_text(why), menu_panel_text_w), true);
        }
    }
    destroy_bitmap(canvas);
    return added ? folder : "";
}
