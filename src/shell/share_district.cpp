// Sharing a district from the district screen: the player's name as a maker, asked once, and the
// district file written into the Documents folder, with where it went.
#include <allegro.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "text/utf8.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "input/input.h"
#include "menu/menu.h"
#include "menu/settings.h"
#include "shell/shell.h"
#include "sharing/share.h"
#include "text/font.h"
#include "text/text.h"

namespace {

constexpr int screen_rest = 10;  // ms between looks at the keys and the pad

// Draws a panel over what stood behind and shows it.
void show_over(BITMAP* behind, BITMAP* canvas, const char* title, const std::vector<MENU_ENTRY>& entries,
               const std::vector<std::string>& below) {
    blit(behind, canvas, 0, 0, 0, 0, view_w, view_h);
    draw_menu_panel(canvas, title, entries, entries.empty() ? -1 : 0, below);
    if (screen) show_picture(canvas);
}

// The end of typed, as much as fits the entry's room beside its label.
std::string visible_tail(const std::string& typed, int room) {
    FONT* f = hud_font();
    std::string shown = typed + "_";
    while (f && text_width(f, shown.c_str()) > room && !shown.empty()) {
        std::size_t n = 0;
        utf8_next(shown.data(), shown.size(), &n);
        shown.erase(0, n);
    }
    return shown;
}

// Asks the player's name as a maker over behind, typed on the keyboard (any character the
// keyboard gives, up to district_name_max). True with it in *name; false when they go back.
bool ask_maker_name(BITMAP* behind, BITMAP* canvas, std::string* name) {
    std::string typed;
    bool changed = true, answer = false, done = false;
    MENU_STATE pad;  // the pad: button 1 goes back
    clear_keybuf();
    while (!done && !blGameOver) {
        if (changed) {
            const std::vector<std::string> below =
                wrap_text(hud_font(), _("Your name goes with every district you share. Enter keeps it."), menu_panel_text_w);
            show_over(behind, canvas, _("Your name as a maker"), {{_("Name"), visible_tail(typed, 150)}}, below);
            changed = false;
        }
        while (keypressed() && !done) {
            int code = 0;
            const int ch = ureadkey(&code);
            changed = true;
            if (code == KEY_ESC) {
                done = true;
            } else if (code == KEY_ENTER || code == KEY_ENTER_PAD) {
                answer = done = !clean_shown_name(typed).empty();
            } else if (code == KEY_BACKSPACE) {
                typed = utf8_drop_last(typed);  // the last character, whatever its length
            } else if (ch > 0 && ch < 0x110000 && !(ch >= 0xD800 && ch <= 0xDFFF) &&
                       !is_control(ch) && utf8_length(typed) < district_name_max) {
                utf8_append(typed, ch);
            }
        }
        for (const MENU_EVENT& e : read_menu_events(pad))
            if (e.action == MENU_ACTION::back) done = true;
        rest(screen_rest);
    }
    if (answer) *name = clean_shown_name(typed);
    return answer;
}

// Shows lines under title until the player goes back.
void wait_over(BITMAP* behind, BITMAP* canvas, const char* title, const std::vector<std::string>& lines) {
    MENU_STATE events;
    events.open.push_back({MENU_PAGE::pause, 0});
    bool redraw = true;
    clear_keybuf();
    for (bool done = false; !done && !blGameOver;) {
        if (redraw) show_over(behind, canvas, title, {{_("Back"), ""}}, lines);
        redraw = false;
        for (const MENU_EVENT& e : read_menu_events(events))
            if (e.action == MENU_ACTION::choose || e.action == MENU_ACTION::back) done = true;
        if (events.changed) redraw = true;
        events.changed = false;
        rest(screen_rest);
    }
    hold_over_input();
}

}  // namespace

void share_district_on_screen(const DISTRICT& d, BITMAP* behind) {
    BITMAP* canvas = create_bitmap(view_w, view_h);
    if (!canvas) return;
    const std::string settings = settings_path();
    std::string maker = saved_maker_name(settings);
    std::string why;
    if (maker.empty()) {
        if (!ask_maker_name(behind, canvas, &maker)) {
            destroy_bitmap(canvas);
            hold_over_input();
            return;
        }
        if (!save_maker_name(settings, maker, &why))
            std::fprintf(stderr, "one-step-ahead: your name as a maker is not kept: %s\n", terminal_text(why).c_str());
    }
    const std::string dir = documents_dir();
    const std::string path = dir.empty() ? "" : district_file_path(dir, d);
    std::vector<std::string> lines;
    const char* title;
    if (dir.empty()) {
        title = _("Not shared");
        lines = wrap_text(hud_font(), _("There is no Documents folder and no home folder to write it in."), menu_panel_text_w);
    } else if (!export_district(d, maker, xdg_data_dir(), shared_looks(), path, &why)) {
        title = _("Not shared");
        lines = wrap_text(hud_font(), screen_text(why), menu_panel_text_w);
        std::fprintf(stderr, "one-step-ahead: %s was not shared: %s\n", d.folder.c_str(), terminal_text(why).c_str());
    } else {
        title = _("Shared");
        lines = wrap_text(hud_font(), fill(_("%s is in the file %s"), {d.name, screen_text(path)}), menu_panel_text_w);
        for (const std::string& l :
             wrap_text(hud_font(), _("Give that file to a friend: opening it with the game adds the district."),
                            menu_panel_text_w))
            lines.push_back(l);
    }
    wait_over(behind, canvas, title, lines);
    destroy_bitmap(canvas);
}
