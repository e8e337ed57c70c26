// The results card after a run that ended by Leave district or Restart: what the run came to,
// drawn over its last picture in the menus' style, until the player goes on.
#include <allegro.h>

#include <string>
#include <vector>

#include "core/state.h"
#include "display/display.h"
#include "gameplay/hud.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "menu/menu.h"
#include "replay/progress.h"
#include "replay/splits.h"
#include "shell/shell.h"
#include "text/text.h"
#include "text/utf8.h"
#include "world/district.h"

namespace {

constexpr int card_rest = 10;  // ms between looks at the keys and the pad

// A best on the card: the number, and a word when this run set it.
std::string best_value(int value, bool new_best) {
    // TRANSLATORS: a best level or score on the results card; %s is the number, set by this run.
    return new_best ? fill(_("%s (new best)"), {std::to_string(value)}) : std::to_string(value);
}

std::vector<MENU_ENTRY> card_entries(const RUN_RESULTS& r) {
    char time[24];
    format_game_time(r.ticks, false, time, sizeof time);
    std::vector<MENU_ENTRY> e = {{_("Missions fulfilled"), std::to_string(r.level)},
                                 {_("Score"), std::to_string(r.score)},
                                 {_("Game time"), time}};
    if (!r.ranked) return e;
    e.push_back({_("Best level"), best_value(r.best_level, r.new_best_level)});
    e.push_back({_("Best score"), best_value(r.best_score, r.new_best_score)});
    // TRANSLATORS: missions of this run played quicker than ever before (shown in gold).
    e.push_back({_("Gold splits"), std::to_string(r.golds)});
    return e;
}

} // namespace

RUN_RESULTS run_results(const PROGRESS& before, const std::vector<DISTRICT>& list, bool ranked) {
    RUN_RESULTS r;
    r.district = screen_text(shown_district_name(current_district));
    r.level = tase;
    r.score = score;
    r.ticks = run_ticks;
    for (int i = 0; i < static_cast<int>(run_splits.size()); i++)
        r.golds += judge_split(splits_at_start, run_splits, i).look == SPLIT_LOOK::gold;
    r.ranked = ranked;
    const auto now = game_progress.districts.find(current_district.folder);
    if (!ranked || now == game_progress.districts.end()) return r;
    r.best_level = now->second.best_level;
    r.best_score = now->second.best_score;
    // The progress kept each mission as it was fulfilled: what it holds now beyond what it held
    // before, this run set (a record without a mission fulfilled held no best yet).
    const auto was = before.districts.find(current_district.folder);
    const bool had_best = was != before.districts.end() && was->second.best_level > 0;
    r.new_best_level = !had_best || r.best_level > was->second.best_level;
    r.new_best_score = !had_best || r.best_score > was->second.best_score;
    for (const DISTRICT& d : districts_opened(list, before, current_district.folder, r.level, r.score))
        r.opened.push_back(screen_text(shown_district_name(d)));
    return r;
}

void show_results(const RUN_RESULTS& r) {
    BITMAP* last = create_bitmap(view_w, view_h);
    if (!last || !picture) {
        destroy_bitmap(last);
        return;
    }
    blit(picture, last, 0, 0, 0, 0, view_w, view_h);
    std::vector<std::string> below;
    for (const std::string& name : r.opened) below.push_back(fill(_("%s is open!"), {name}));
    below.push_back(_("Enter: go on"));
    const std::vector<MENU_ENTRY> entries = card_entries(r);

    clear_keybuf();
    MENU_STATE input;  // only for reading the keys and the pad as the menus read them
    input.open.push_back({MENU_PAGE::pause, 0});
    bool drawn = false;
    for (bool done = false; !done && !blGameOver;) {
        for (const MENU_EVENT& e : read_menu_events(input))
            done |= e.action == MENU_ACTION::choose || e.action == MENU_ACTION::back;
        // Drawn again after a change of mode (F11 here too).
        if (!drawn || input.changed) {
            blit(last, picture, 0, 0, 0, 0, view_w, view_h);
            draw_menu_panel(picture, r.district.c_str(), entries, -1, below);
            if (screen) show_picture();
            drawn = true;
            input.changed = false;
        }
        if (!done) rest(card_rest);
    }
    destroy_bitmap(last);
    // The press that went on must not act in what comes next (a jump, a choice).
    hold_over_input();
}
