// The district screen: every district in order with its preview, its best level and score and
// whether it is locked; the player chooses one to play (or to edit) with the keys or the pad.
#include <allegro.h>

#include <algorithm>
#include <string>
#include <vector>

#include "authoring/fault_text.h"
#include "core/assets.h"
#include "core/picture_bytes.h"
#include "core/player_files.h"
#include "text/utf8.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "input/input.h"
#include "menu/menu.h"
#include "replay/progress.h"
#include "shell/shell.h"
#include "text/font.h"
#include "text/text.h"
#include "world/district.h"

bool editor_available = true;

namespace {

constexpr int panel_x = 8, panel_y = 8, panel_w = view_w - 16, panel_h = view_h - 16;
constexpr int list_x = 18, list_w = 138;           // the names
constexpr int list_top = 30, row_h = 12;
constexpr int mark_gap = 4;
constexpr int foot_line = 10;                      // from one line of the keys at the foot to the next                        // from a name to its mark ("locked")
constexpr int list_rows = 14;                      // names shown at once; the list scrolls
constexpr int side_x = 166, side_w = 136;          // the chosen district's preview and numbers
constexpr int preview_h = 64;
constexpr int screen_rest = 10;                    // ms between looks at the keys and the pad
constexpr int key_release_wait = 1000;            // ms at most for a held key to be let go
constexpr int dim_level = 110;                     // how far the title's picture behind is darkened

// One district as the screen shows it.
struct ROW {
    DISTRICT d;
    bool unlocked = false;
    BITMAP* preview = nullptr;  // the level at preview size, or null
    bool fresh = false;         // opened by the progress and not played yet
};

// The district's preview.png fit into side_w x preview_h, its proportions kept; null when it is
// missing, cannot be read or is not the picture of its level at preview size (a picture of
// someone else's is checked before it is decoded).
BITMAP* load_preview(const DISTRICT& d) {
    const int want_w = d.columns * preview_cell, want_h = d.rows * preview_cell;
    std::string bytes;
    int w = 0, h = 0;
    if (read_player_file(d.dir + "/" + district_preview_file, png_max_bytes(want_w, want_h), &bytes, nullptr) !=
            READ_RESULT::ok ||
        !png_size(bytes, &w, &h) || w != want_w || h != want_h)
        return nullptr;
    return shrink_to_fit(png_from_bytes(bytes), side_w, preview_h);
}

// Words of text in lines that fit beside the list, measured in the font.
std::vector<std::string> wrapped(const std::string& text) { return wrap_text(hud_font(), text, side_w); }

// What the player may do with a district: play it, with the editor edit it (a copy of a shipped
// one), and share one of their own that can be played.
std::vector<DISTRICT_ACTION> actions_of(const ROW& r) {
    std::vector<DISTRICT_ACTION> a{DISTRICT_ACTION::play};
    if (editor_available) a.push_back(r.d.shipped ? DISTRICT_ACTION::edit_copy : DISTRICT_ACTION::edit);
    if (!r.d.shipped && r.d.fault.empty()) a.push_back(DISTRICT_ACTION::share);
    return a;
}

const char* action_word(DISTRICT_ACTION a) {
    switch (a) {
    // TRANSLATORS: what the player may do with the district chosen: play it, edit it, edit a copy
    // of it (a new district of their own from a shipped one's map); verbs.
    case DISTRICT_ACTION::play: return C_("district screen", "Play");
    case DISTRICT_ACTION::edit: return C_("district screen", "Edit");
    case DISTRICT_ACTION::edit_copy: return C_("district screen", "Edit a copy");
    // TRANSLATORS: the verb: give the district to others as a file.
    case DISTRICT_ACTION::share: return _("Share");
    default: return "";
    }
}

// Why a district cannot be chosen, or empty when it can.
std::string refusal(const std::vector<ROW>& rows, size_t i) {
    const ROW& r = rows[i];
    // TRANSLATORS: %s says why the district cannot be played.
    if (!r.d.fault.empty()) return fill(_("Not playable: %s"), {shown_fault(r.d.fault)});
    if (r.unlocked) return "";
    for (size_t k = i; k-- > 0;)
        if (rows[k].d.shipped)
            // TRANSLATORS: %1$s is a level (a number), %2$s the name of the district before it.
            return fill(_("Locked: reach level %1$s in %2$s to open it"),
                        {std::to_string(unlock_level), shown_district_name(rows[k].d)});
    return fill(_("Locked: reach level %s in the district before it to open it"), {std::to_string(unlock_level)});
}

struct SCREEN {
    std::vector<ROW> rows;
    int chosen = 0;
    int first = 0;  // the first row shown
    int action = 0;
    std::string note;
    int count() const { return static_cast<int>(rows.size()) + (editor_available ? 1 : 0); }
    bool on_new() const { return chosen == static_cast<int>(rows.size()); }
};

void draw_screen(BITMAP* canvas, const SCREEN& s) {
    FONT* f = hud_font();
    const int text_dy = (row_h - font_line_height(f)) / 2;
    draw_dimmed_title(canvas);
    draw_panel(canvas, panel_x, panel_y, panel_w, panel_h);
    shadowed_text(canvas, _("Choose a district"), view_w / 2, panel_y + 6, title_yellow, 0);
    hline(canvas, panel_x + 8, panel_y + 18, panel_x + panel_w - 9, panel_outline);

    for (int i = s.first; i < s.count() && i < s.first + list_rows; i++) {
        const int y = list_top + (i - s.first) * row_h;
        if (i == s.chosen) rectfill(canvas, list_x - 4, y, list_x + list_w, y + row_h - 1, panel_band);
        if (i == static_cast<int>(s.rows.size())) {
            shadowed_text(canvas, _("New district"), list_x, y + text_dy, title_pink);
            continue;
        }
        const ROW& r = s.rows[static_cast<size_t>(i)];
        const int colour = !r.d.fault.empty() || !r.unlocked ? locked_grey : text_colour;
        // TRANSLATORS: beside a district's name in the list: it cannot be played, it is not open
        // yet, it is one of the player's own; new: just opened and not played yet.
        const char* mark = !r.d.fault.empty() ? C_("district", "faulty")
                           : !r.unlocked      ? C_("district", "locked")
                           : r.fresh          ? C_("district", "new")
                           : r.d.shipped      ? ""
                                              : C_("district", "yours");
        // The name takes what the mark leaves of the row, cut short with an ellipsis.
        const int room = list_w - 2 - (*mark ? text_width(f, mark) + mark_gap : 0);
        shadowed_text(canvas, fit_text(f, screen_text(shown_district_name(r.d)), room), list_x, y + text_dy, colour);
        if (*mark) shadowed_text(canvas, mark, list_x + list_w - 2, y + text_dy, r.fresh ? title_yellow : locked_grey, 1);
    }
    if (s.first > 0) shadowed_text(canvas, "^", list_x + list_w / 2, list_top - 10, title_yellow, 0);
    if (s.first + list_rows < s.count())
        shadowed_text(canvas, "v", list_x + list_w / 2, list_top + list_rows * row_h, title_yellow, 0);

    // The chosen district, beside the list.
    int y = list_top;
    if (s.on_new()) {
        rectfill(canvas, side_x - 1, y - 1, side_x + side_w, y + preview_h, panel_outline);
        for (const std::string& line : wrapped(_("Draw a district of your own, from a small map that can be played")))
            shadowed_text(canvas, line, side_x, (y += row_h) + preview_h, text_colour);
    } else {
        const ROW& r = s.rows[static_cast<size_t>(s.chosen)];
        const auto found = game_progress.districts.find(r.d.folder);
        // TRANSLATORS: the district's best run: %1$s its level, %2$s its score.
        const std::string best = found == game_progress.districts.end()
                                     ? _("Not played yet")
                                     : fill(_("Best level %1$s, score %2$s"), {std::to_string(found->second.best_level),
                                                                                std::to_string(found->second.best_score)});
        const std::vector<std::string> name_lines = wrapped(screen_text(shown_district_name(r.d))), best_lines = wrapped(best),
                                       why_lines = wrapped(screen_text(refusal(s.rows, static_cast<size_t>(s.chosen))));
        const std::vector<DISTRICT_ACTION> acts = actions_of(r);
        // The preview gives way to words that would not fit below it.
        const int words_h = static_cast<int>(name_lines.size() + best_lines.size()) * row_h +
                            static_cast<int>(why_lines.size()) * (row_h - 2) + (acts.size() > 1 ? 2 * row_h : 0);
        const bool preview = list_top + preview_h + 6 + words_h <= panel_y + panel_h - 16;
        if (preview) {
            rectfill(canvas, side_x - 1, y - 1, side_x + side_w, y + preview_h, panel_outline);
            if (r.preview) {
                blit(r.preview, canvas, 0, 0, side_x + (side_w - r.preview->w) / 2, y + (preview_h - r.preview->h) / 2,
                     r.preview->w, r.preview->h);
            } else {
                shadowed_text(canvas, _("no preview"), side_x + side_w / 2, y + preview_h / 2 - 4, locked_grey, 0);
            }
            y += preview_h + 6;
        }
        for (const std::string& line : name_lines) {
            shadowed_text(canvas, line, side_x, y, title_pink);
            y += row_h;
        }
        for (const std::string& line : best_lines) {
            shadowed_text(canvas, line, side_x, y, text_colour);
            y += row_h;
        }
        // Once the player has tried to choose it, why not stands out.
        for (const std::string& line : why_lines) {
            shadowed_text(canvas, line, side_x, y, s.note.empty() ? locked_grey : title_yellow);
            y += row_h - 2;
        }
        if (acts.size() > 1) {
            // Below a long reason; a word that does not fit beside the one before goes below it.
            y = std::max(preview ? list_top + preview_h + 6 + 5 * row_h : 0, y + 2);
            int x = side_x;
            for (size_t a = 0; a < acts.size(); a++) {
                const std::string word = action_word(acts[a]);
                const int w = text_width(f, word.c_str()) + 8;
                if (x > side_x && x + w - 4 > side_x + side_w) {
                    x = side_x;
                    y += row_h;
                }
                if (static_cast<int>(a) == s.action) rectfill(canvas, x - 2, y - 2, x + w - 4, y + row_h - 3, panel_band);
                shadowed_text(canvas, word, x + 2, y, text_colour);
                x += w + 4;
            }
        }
    }
    // The keys at the foot of the panel, on as many lines as a language needs, the last where
    // one line stands.
    // TRANSLATORS: the keys of the district screen (Esc is the Escape key).
    const std::vector<std::string> keys = wrap_text(f, editor_available ? _("Enter: choose   Left/Right: play or edit   Esc: title")
                                                                        : _("Enter: play   Esc: back to the title"),
                                                    panel_w - 16);
    int keys_y = panel_y + panel_h - 14 - foot_line * (static_cast<int>(keys.size()) - 1);
    for (const std::string& line : keys) {
        shadowed_text(canvas, line, view_w / 2, keys_y, title_yellow, 0);
        keys_y += foot_line;
    }
}

void move_to(SCREEN& s, int chosen) {
    s.chosen = std::clamp(chosen, 0, std::max(0, s.count() - 1));
    if (s.chosen < s.first) s.first = s.chosen;
    if (s.chosen >= s.first + list_rows) s.first = s.chosen - list_rows + 1;
    s.action = 0;
    s.note.clear();
}

} // namespace

void draw_dimmed_title(BITMAP* canvas) {
    blit(the_title, canvas, 0, 0, 0, 0, view_w, view_h);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, dim_level);
    rectfill(canvas, 0, 0, view_w - 1, view_h - 1, 0);
    solid_mode();
}

DISTRICT_PICK choose_district(const std::string& chosen) {
    SCREEN s;
    const std::vector<DISTRICT> list = game_districts();
    const std::vector<bool> open = unlocked_districts(list, game_progress);
    const std::vector<bool> fresh = newly_opened_districts(list, game_progress);
    for (size_t i = 0; i < list.size(); i++)
        s.rows.push_back(ROW{list[i], open[i], load_preview(list[i]), fresh[i]});
    int start = 0;
    const std::string first = !chosen.empty() ? chosen : !game_progress.last.empty() ? game_progress.last
                                                                                       : current_district.folder;
    for (size_t i = 0; i < s.rows.size(); i++)
        if (s.rows[i].d.folder == first) start = static_cast<int>(i);
    move_to(s, start);

    BITMAP* canvas = create_bitmap(view_w, view_h);
    DISTRICT_PICK pick;
    pick.action = DISTRICT_ACTION::quit;
    MENU_STATE events;  // only for reading the keys and the pad as the menus read them
    events.open.push_back({MENU_PAGE::pause, 0});
    bool redraw = true, done = !canvas;
    // A key still held from what came before (Escape leaving the editor, Enter ending the title)
    // is not a choice here.
    for (int waited = 0; waited < key_release_wait && (key[KEY_ESC] || key[KEY_ENTER]); waited += screen_rest) {
        poll_keyboard();
        rest(screen_rest);
    }
    clear_keybuf();
    while (!done && !blGameOver) {
        for (const MENU_EVENT& e : read_menu_events(events)) {
            redraw = true;
            switch (e.action) {
            case MENU_ACTION::up: move_to(s, s.chosen - 1); break;
            case MENU_ACTION::down: move_to(s, s.chosen + 1); break;
            case MENU_ACTION::left:
            case MENU_ACTION::right:
                if (!s.on_new()) {
                    const int n = static_cast<int>(actions_of(s.rows[static_cast<size_t>(s.chosen)]).size());
                    s.action = (s.action + (e.action == MENU_ACTION::right ? 1 : n - 1)) % n;
                }
                break;
            case MENU_ACTION::back:
                pick.action = DISTRICT_ACTION::back;
                done = true;
                break;
            case MENU_ACTION::choose: {
                if (s.on_new()) {
                    pick.action = DISTRICT_ACTION::new_district;
                    done = true;
                    break;
                }
                const ROW& r = s.rows[static_cast<size_t>(s.chosen)];
                const DISTRICT_ACTION a = actions_of(r)[static_cast<size_t>(s.action)];
                const std::string why = refusal(s.rows, static_cast<size_t>(s.chosen));
                // A district that cannot be played can still be edited when it is the player's.
                if (a == DISTRICT_ACTION::play && !why.empty()) {
                    s.note = why;
                    break;
                }
                if (a == DISTRICT_ACTION::edit_copy && !r.unlocked) {
                    s.note = why;
                    break;
                }
                if (a == DISTRICT_ACTION::share) {
                    share_district_on_screen(r.d, canvas);
                    break;
                }
                pick.action = a;
                pick.district = r.d;
                done = true;
                break;
            }
            default: break;
            }
            if (done) break;
        }
        if (events.changed) redraw = true;
        events.changed = false;
        if (redraw && screen && !done) {
            draw_screen(canvas, s);
            show_picture(canvas);
            redraw = false;
        }
        if (!done) rest(screen_rest);
    }
    // What opens next (the name of a new district) is drawn over the screen as it was left.
    if (canvas && picture) blit(canvas, picture, 0, 0, 0, 0, view_w, view_h);
    for (ROW& r : s.rows) destroy_bitmap(r.preview);
    destroy_bitmap(canvas);
    // The press that chose (Enter, Space or the pad's button 0) must not jump at once in play.
    hold_over_input();
    if (blGameOver) pick.action = DISTRICT_ACTION::quit;
    return pick;
}

void draw_district_screen(BITMAP* canvas, const std::vector<DISTRICT>& list, int chosen, int action, bool tried) {
    SCREEN s;
    const std::vector<bool> open = unlocked_districts(list, game_progress);
    for (size_t i = 0; i < list.size(); i++) s.rows.push_back(ROW{list[i], open[i], nullptr});
    move_to(s, chosen);
    s.action = action;
    if (tried && !s.on_new()) s.note = refusal(s.rows, static_cast<size_t>(s.chosen));
    draw_screen(canvas, s);
}
