// The level editor's loop: the player's district opened (its map, an autosave offered back, or
// the starter map), the keyboard, the mouse and the pad turned into edits, the live proof taken
// from its worker, saving, the autosave, playing the map as it stands, and leaving; and the
// name a new district is asked for.
#include <allegro.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/fault_text.h"
#include "characters/player.h"
#include "core/assets.h"
#include "core/files.h"
#include "core/picture_bytes.h"
#include "display/display.h"
#include "editor/district_tune.h"
#include "editor/editor.h"
#include "editor/editor_files.h"
#include "editor/proof_worker.h"
#include "input/input.h"
#include "menu/menu.h"
#include "replay/progress.h"
#include "replay/run.h"
#include "shell/editor_view.h"
#include "shell/shell.h"
#include "text/text.h"
#include "world/district.h"
#include "world/level.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr auto autosave_every = std::chrono::seconds(30);
constexpr auto frame_every = std::chrono::milliseconds(16);  // the editor redraws at most this often
constexpr int pass_rest = 5;                                 // ms between looks at the input
constexpr auto pad_repeat_delay = std::chrono::milliseconds(300);
constexpr auto pad_repeat_every = std::chrono::milliseconds(80);
constexpr int shift_step = 5;      // cells the cursor moves with Shift held
constexpr int pad_shoulder_left = 4, pad_shoulder_right = 5;
// TRANSLATORS: the editor's menu (opened with the pad's Start): save the map, play it as it
// stands (a verb), the district's tune, leave the editor.
constexpr const char* editor_menu_title = N_("Editor");
const char* const editor_menu_entries[] = {N_("Save"), N_("Play"), N_("Music"), N_("Leave")};
enum { menu_save, menu_play, menu_music, menu_leave };

// Whether Allegro's mouse is there (installed once, by the first editor opened).
bool mouse_ready() {
    static const bool ready = install_mouse() >= 0;
    return ready;
}

// The picture's pixel under the screen's pixel (x, y), as show_picture puts the picture.
void screen_to_picture(int x, int y, int* px, int* py) {
    const int s = display_scale > 0 ? display_scale : 1;
    *px = (x - (SCREEN_W - view_w * s) / 2) / s;
    *py = (y - (SCREEN_H - view_h * s) / 2) / s;
}

struct editor_session {
    PLAYER& mora;
    PLAYER& vela;
    std::string dir;          // the district's folder
    std::string shown_name;   // its district.cfg's name
    DISTRICT looks;           // whose tiles and background the editor draws with and plays in:
                              // the district's own, or those of the district it is a copy of
    EDITOR e;
    EDITOR_VIEW v;
    std::unique_ptr<PROOF_WORKER> worker;
    long submitted = -1;      // the revision given to the worker last
    bool save_pending = false;  // Ctrl+S waits for the proof of the map as it stands
    bool asked_leave = false;   // Escape once with work unsaved: the next one leaves
    bool leave = false;
    bool dirty = true;          // the picture must be drawn again
    bool menu_open = false;     // the pad's menu: Save, Play, Music, Leave
    int menu_chosen = 0;
    MENU_STATE menu_input;      // for read_menu_events only
    clock_type::time_point next_autosave = clock_type::now() + autosave_every;
    long autosaved_revision = 0;
    int mouse_z = 0;
    int mouse_buttons = 0;
    int mouse_at[2] = {-1, -1};
    PAD_DIRECTIONS pad_held;
    clock_type::time_point pad_next_repeat;
    std::vector<TUNE_CHOICE> tunes;  // the shipped tunes the district may take
    int tune = -1;                   // the one it has; -1: none of them
    bool own_tune = false;           // its music.it is none of the shipped tunes
    bool tune_picked = false;        // chosen here (or a copy's): its music.it goes with the next save

    editor_session(PLAYER& m, PLAYER& w) : mora(m), vela(w) {}
};

// Puts note (in the language in force) on the status.
void say(editor_session& s, const std::string& note) {
    s.v.note = note;
    s.dirty = true;
}

void refused_or_done(editor_session& s, REFUSAL why) {
    say(s, text_lookup(refusal_text(why)));
}

// A copy of another district takes its tiles and background along when first saved.
bool copy_looks(editor_session& s, std::string* error) {
    if (s.looks.dir == s.dir) return true;
    const bool has[2] = {s.looks.has_tiles, s.looks.has_back};
    const char* files[2] = {district_tiles_file, district_back_file};
    const SHARED_LOOKS shared = shared_looks();
    const std::size_t most[2] = {pcx_max_bytes(shared.tiles_w, shared.tiles_h),
                                 pcx_max_bytes(shared.back_w, shared.back_h)};
    for (int k = 0; k < 2; k++) {
        std::string bytes;
        if (!has[k]) continue;
        if (!read_text_file(s.looks.dir + "/" + files[k], &bytes, most[k])) {
            // TRANSLATORS: %s is a file's path.
            *error = fill(_("cannot read %s"), {s.looks.dir + "/" + files[k]});
            return false;
        }
        if (!write_file_atomically(s.dir + "/" + files[k], bytes.data(), bytes.size(), error)) return false;
    }
    s.looks.dir = s.dir;
    return true;
}

// Writes the map with the proof of this very map, now.
void save_now(editor_session& s) {
    std::string error;
    if (!copy_looks(s, &error) ||
        (s.tune_picked && !write_district_tune(s.dir, s.tunes[static_cast<std::size_t>(s.tune)], &error))) {
        s.save_pending = false;
        // TRANSLATORS: the map could not be saved; %s says why.
        say(s, fill(_("Not saved: %s"), {error}));
        return;
    }
    std::string sheet;
    BITMAP* own = s.looks.has_tiles && read_text_file(s.looks.dir + "/" + district_tiles_file, &sheet,
                                                      pcx_max_bytes(tilemap->w, tilemap->h))
                      ? pcx_from_bytes(sheet)
                      : nullptr;
    BITMAP* own_back = load_bitmap(back_file.c_str(), nullptr);  // the background in play: the district's
    const bool saved = save_editor_map(s.dir, s.e, s.v.proof, s.shown_name, own ? own : tilemap, own_back, &error);
    destroy_bitmap(own);
    destroy_bitmap(own_back);
    s.save_pending = false;
    if (!saved) {
        say(s, fill(_("Not saved: %s"), {error}));
        return;
    }
    s.e.saved_revision = s.e.revision;
    s.tune_picked = false;
    // TRANSLATORS: the map was saved; a draft is a district that cannot be played yet.
    say(s, s.v.proof.playable() ? _("Saved") : _("Saved as a draft: not playable yet"));
}

// F6, or Music in the pad's menu: the district takes the next of the shipped tunes, heard at
// once and kept with the next save.
void pick_next_tune(editor_session& s) {
    if (s.tunes.empty()) {
        say(s, _("No tunes to choose from"));
        return;
    }
    s.tune = (s.tune + 1) % static_cast<int>(s.tunes.size());
    s.tune_picked = true;
    s.own_tune = false;
    const TUNE_CHOICE& t = s.tunes[static_cast<std::size_t>(s.tune)];
    play_tune_file(t.path);
    // TRANSLATORS: %s names the district whose tune the player's district takes.
    say(s, fill(_("Music: the tune of %s, kept when saved"), {C_("district", t.name.c_str())}));
}

// The district's tune when the editor opens: its own music.it, else for a copy not yet saved the
// tune of the district it copies (taken along when first saved); heard at once.
void open_tune(editor_session& s, const std::string& looks_dir) {
    s.tunes = shipped_tunes(game_districts());
    const std::string own = s.dir + "/" + district_music_file;
    std::error_code ec;
    if (std::filesystem::exists(own, ec)) {
        s.tune = tune_index(s.tunes, own);
        s.own_tune = s.tune < 0;
        play_tune_file(own);
        return;
    }
    s.tune = tune_index(s.tunes, looks_dir + "/" + district_music_file);
    s.tune_picked = s.tune >= 0 && looks_dir != s.dir;
    if (s.tune >= 0) play_tune_file(s.tunes[static_cast<std::size_t>(s.tune)].path);
    else play_title_tune();
}

void ask_save(editor_session& s) {
    if (s.v.proof_revision == s.e.revision && (s.v.proof.searched || !s.v.proof.faults.empty())) {
        save_now(s);
    } else {
        s.save_pending = true;
        say(s, _("Saving once the map is checked..."));
    }
}

// F5: the map as it stands, played from its start in a real run (not kept), then back here.
void play_map(editor_session& s) {
    if (s.v.proof_revision != s.e.revision) {
        // TRANSLATORS: F5 (the key that plays the map) cannot play it yet.
        say(s, _("F5: the map is still being checked"));
        return;
    }
    if (!s.v.proof.playable()) {
        say(s, _("F5: the map is not playable yet"));
        return;
    }
    std::istringstream in(editor_map_text(s.e));
    const std::string text = level_text(build_cells(read_map(in)));
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("one-step-ahead-play-" + std::to_string(getpid()) + ".dat")).string();
    std::string error;
    if (!write_file_atomically(path, text.data(), text.size(), &error) ||
        !enter_district_level(s.looks, path, &error)) {
        // TRANSLATORS: the map cannot be played; %s says why.
        say(s, fill(_("Cannot play it: %s"), {shown_fault(error)}));
        std::remove(path.c_str());
        return;
    }
    // A try of the map in the making: no progress, no splits, no ghost; R tries it again.
    const bool progress_was = progress_enabled;
    progress_enabled = false;
    for (RUN_END end = RUN_END::restart; end == RUN_END::restart && !blGameOver;) {
        prepare_time_attack(false, "", "", s.mora, s.vela);
        start_run(s.mora, s.vela);
        live_run.start(run_header());
        end = run_game(s.mora, s.vela);
    }
    progress_enabled = progress_was;
    std::remove(path.c_str());
    // Escape ended the run, not the game; the key that did it is not the editor's.
    blGameOver = false;
    while (poll_keyboard(), key[KEY_ESC]) rest(pass_rest);
    clear_keybuf();
    say(s, _("Back from playing"));
}

void leave_editor(editor_session& s) {
    if (s.e.unsaved() && !s.asked_leave) {
        s.asked_leave = true;
        say(s, _("Unsaved: Escape again leaves without saving, Ctrl+S saves"));
        return;
    }
    s.leave = true;
}

void menu_choose(editor_session& s) {
    s.menu_open = false;
    s.dirty = true;
    switch (s.menu_chosen) {
    case menu_save: ask_save(s); break;
    case menu_play: play_map(s); break;
    case menu_music:
        pick_next_tune(s);
        s.menu_open = true;  // another press takes the next tune
        break;
    case menu_leave: leave_editor(s); break;
    }
}

void menu_pass(editor_session& s) {
    for (const MENU_EVENT& ev : read_menu_events(s.menu_input)) {
        s.dirty = true;
        const int n = static_cast<int>(sizeof editor_menu_entries / sizeof editor_menu_entries[0]);
        switch (ev.action) {
        case MENU_ACTION::up: s.menu_chosen = (s.menu_chosen + n - 1) % n; break;
        case MENU_ACTION::down: s.menu_chosen = (s.menu_chosen + 1) % n; break;
        case MENU_ACTION::choose: menu_choose(s); return;
        case MENU_ACTION::back: s.menu_open = false; return;
        default: break;
        }
    }
}

void key_pass(editor_session& s) {
    while (keypressed()) {
        const int k = readkey();
        const int code = k >> 8;
        const char ch = static_cast<char>(k & 0xff);
        const bool ctrl = key_shifts & KB_CTRL_FLAG;
        const bool shift = key_shifts & KB_SHIFT_FLAG;
        if (code != KEY_ESC) s.asked_leave = false;
        s.dirty = true;
        if (is_mode_switch_key(code)) {
            switch_display_mode();
        } else if (code == KEY_ESC) {
            leave_editor(s);
        } else if (code == KEY_LEFT || code == KEY_RIGHT || code == KEY_UP || code == KEY_DOWN) {
            const int dc = code == KEY_LEFT ? -1 : code == KEY_RIGHT ? 1 : 0;
            const int dr = code == KEY_UP ? -1 : code == KEY_DOWN ? 1 : 0;
            if (ctrl)
                refused_or_done(s, resize_map(s.e, dc, dr));
            else
                move_cursor(s.e, dc * (shift ? shift_step : 1), dr * (shift ? shift_step : 1));
        } else if (ctrl && code == KEY_Z) {
            say(s, undo_edit(s.e) ? _("Undone") : _("Nothing to undo"));
        } else if (ctrl && code == KEY_Y) {
            say(s, redo_edit(s.e) ? _("Redone") : _("Nothing to redo"));
        } else if (ctrl && code == KEY_S) {
            ask_save(s);
        } else if (code == KEY_F5) {
            play_map(s);
        } else if (code == KEY_F6) {
            pick_next_tune(s);
        } else if (code == KEY_TAB) {
            s.v.overview = !s.v.overview;
        } else if (code == KEY_R && !ctrl) {
            s.v.show_route = !s.v.show_route;
            say(s, s.v.show_route ? _("Routes shown: to the shop under the cursor, and back to Vela") : "");
        } else if (code == KEY_DEL || code == KEY_BACKSPACE) {
            refused_or_done(s, empty_cell(s.e));
        } else if (code == KEY_SPACE) {
            refused_or_done(s, put_cell(s.e, s.e.chosen));
        } else if (!ctrl && ch != '\0' && std::string(editor_palette).find(ch) != std::string::npos) {
            refused_or_done(s, put_cell(s.e, ch));
        }
    }
}

// The mouse: moving over the map moves the cursor; the left button puts, the right empties, the
// wheel chooses; a click on the palette chooses there.
void mouse_pass(editor_session& s) {
    if (!mouse_ready()) return;
    poll_mouse();
    int x, y;
    screen_to_picture(mouse_x, mouse_y, &x, &y);
    const int buttons = mouse_b;
    const bool moved = x != s.mouse_at[0] || y != s.mouse_at[1];
    s.mouse_at[0] = x;
    s.mouse_at[1] = y;
    if (mouse_z != s.mouse_z) {
        choose_next(s.e, mouse_z < s.mouse_z ? 1 : -1);
        s.mouse_z = mouse_z;
        s.dirty = true;
    }
    const bool pressed = buttons & ~s.mouse_buttons;
    s.mouse_buttons = buttons;
    int c, r;
    if ((moved || buttons) && editor_cell_at(s.e, s.v, x, y, &c, &r)) {
        if (c != s.e.cx || r != s.e.cy) {
            s.e.cx = c;
            s.e.cy = r;
            s.dirty = true;
        }
        if (buttons & 1) refused_or_done(s, put_cell(s.e, s.e.chosen));
        else if (buttons & 2) refused_or_done(s, empty_cell(s.e));
    } else if (pressed && editor_palette_at(s.v, x, y) >= 0) {
        s.e.chosen = editor_palette[editor_palette_at(s.v, x, y)];
        s.dirty = true;
    }
}

// The pad: the stick or the d-pad moves (held, it repeats), button 0 puts, 1 empties, the
// shoulders choose, the pause button (Start) opens the editor's menu.
void pad_pass(editor_session& s) {
    watch_for_gamepad(player_pad);
    poll_gamepad(player_pad);
    take_gamepad_unplugged(player_pad);
    for (int b; (b = take_gamepad_press(player_pad)) >= 0;) {
        s.dirty = true;
        if (b == pad_bindings.pause) {
            s.menu_open = true;
            s.menu_chosen = 0;
            return;
        }
        if (b == 0) refused_or_done(s, put_cell(s.e, s.e.chosen));
        else if (b == 1) refused_or_done(s, empty_cell(s.e));
        else if (b == pad_shoulder_left) choose_next(s.e, -1);
        else if (b == pad_shoulder_right) choose_next(s.e, 1);
    }
    const PAD_DIRECTIONS now = gamepad_directions(player_pad);
    const auto t = clock_type::now();
    const bool was[4] = {s.pad_held.left, s.pad_held.right, s.pad_held.up, s.pad_held.down};
    const bool is[4] = {now.left, now.right, now.up, now.down};
    const int dc[4] = {-1, 1, 0, 0}, dr[4] = {0, 0, -1, 1};
    bool repeated = false;
    for (int d = 0; d < 4; d++) {
        if (!is[d]) continue;
        if (!was[d]) {
            move_cursor(s.e, dc[d], dr[d]);
            s.pad_next_repeat = t + pad_repeat_delay;
            s.dirty = true;
        } else if (t >= s.pad_next_repeat) {
            move_cursor(s.e, dc[d], dr[d]);
            repeated = true;
            s.dirty = true;
        }
    }
    if (repeated) s.pad_next_repeat = t + pad_repeat_every;
    s.pad_held = now;
}

// The proof: the map as it stands goes to the worker; what it finished is shown (and a save
// waiting for it is made).
void proof_pass(editor_session& s) {
    if (s.submitted != s.e.revision) {
        s.worker->submit(editor_map_text(s.e), s.e.revision);
        s.submitted = s.e.revision;
    }
    PROOF_RESULT r;
    while (s.worker->take(&r)) {
        s.v.proof = r.proof;
        s.v.proof_revision = r.revision;
        s.v.proof_error = r.ok ? "" : r.error;
        s.dirty = true;
    }
    if (s.save_pending && s.v.proof_revision == s.e.revision) save_now(s);
}

void autosave_pass(editor_session& s) {
    const auto now = clock_type::now();
    if (now < s.next_autosave) return;
    s.next_autosave = now + autosave_every;
    if (!s.e.unsaved() || s.e.revision == s.autosaved_revision) return;
    std::string error;
    if (write_autosave(s.dir, s.e, &error))
        s.autosaved_revision = s.e.revision;
    else
        // TRANSLATORS: the editor's copy of unsaved work could not be written; %s says why.
        say(s, fill(_("Autosave failed: %s"), {error}));
}

// The time of every frame the editor shows (ms from its start), written to the file that
// ONE_STEP_AHEAD_FRAME_LOG names when the editor closes, as the main loop's frames are.
struct editor_frame_log {
    const char* path = std::getenv("ONE_STEP_AHEAD_FRAME_LOG");
    std::vector<double> ms;
    clock_type::time_point start = clock_type::now();
    void shown() {
        if (path) ms.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - start).count());
    }
    ~editor_frame_log() {
        if (!path) return;
        if (std::FILE* f = std::fopen(path, "w")) {
            for (double t : ms) std::fprintf(f, "%.3f\n", t);
            std::fclose(f);
        }
    }
};

void draw_pass(editor_session& s) {
    draw_editor(picture, s.e, s.v);
    if (s.menu_open) {
        std::vector<MENU_ENTRY> entries;
        for (const char* label : editor_menu_entries) entries.push_back({_(label), ""});
        // TRANSLATORS: the district's tune in the editor's menu: its own (a tune file of its
        // own), or the title's (none chosen).
        entries[menu_music].value = s.tune >= 0 ? C_("district", s.tunes[static_cast<std::size_t>(s.tune)].name.c_str())
                                    : s.own_tune ? _("its own")
                                                 : _("the title's");
        draw_menu_panel(picture, _(editor_menu_title), entries, s.menu_chosen, {});
    }
    if (screen) show_picture();
    s.dirty = false;
}

// Asks a yes or no over the editor's picture: Enter (or the pad's button 0) is yes, Escape (or
// button 1) no.
bool ask_yes(const std::string& title, const std::vector<std::string>& lines) {
    clear_keybuf();
    MENU_STATE input;
    BITMAP* frozen = create_bitmap(view_w, view_h);
    if (frozen) blit(picture, frozen, 0, 0, 0, 0, view_w, view_h);
    bool answer = false;
    for (bool done = false; !done && !blGameOver;) {
        if (frozen) blit(frozen, picture, 0, 0, 0, 0, view_w, view_h);
        draw_menu_panel(picture, title.c_str(), {}, -1, lines);
        if (screen) show_picture();
        for (const MENU_EVENT& ev : read_menu_events(input)) {
            if (ev.action == MENU_ACTION::choose) answer = done = true;
            if (ev.action == MENU_ACTION::back) done = true;
        }
        rest(pass_rest * 2);
    }
    destroy_bitmap(frozen);
    return answer;
}

// The map the editor opens: the autosave when it is newer and the player takes it back (then
// *restored is set: that work is not saved yet), the district's own map, the map it is a copy
// of, or the starter map.
std::vector<std::string> opening_map(editor_session& s, const std::string& copy_from, bool* restored) {
    std::vector<std::string> saved, rows;
    std::string text, error;
    for (const std::string& path : {s.dir + "/" + district_map_file, copy_from}) {
        if (path.empty() || !read_text_file(path, &text)) continue;
        if (editor_rows_from_text(text, &saved, &error)) break;
        std::fprintf(stderr, "one-step-ahead: %s: %s; the editor starts from the starter map\n", path.c_str(),
                     error.c_str());
        break;
    }
    if (saved.empty()) saved = starter_map();
    if (autosave_is_newer(s.dir)) {
        // The question is asked over the saved map.
        open_editor(s.e, saved);
        draw_editor(picture, s.e, s.v);
        // TRANSLATORS: the editor kept a copy of work that was never saved; Enter takes it back,
        // Escape opens the saved map instead.
        if (ask_yes(_("Unsaved work"), {_("The editor kept work newer than the saved map."),
                                        _("Enter: take it back   Escape: the saved map")}) &&
            read_text_file(s.dir + "/" + editor_autosave_file, &text) && editor_rows_from_text(text, &rows, &error)) {
            *restored = true;
            return rows;
        }
        remove_autosave(s.dir);
    }
    return saved;
}

// The district's looks: the tiles and background in looks_dir when it has them (the district's
// own folder, or the folder of the district it is a copy of), else the shared ones; entered with
// the town's level, which is always there.
void enter_looks(editor_session& s, const std::string& folder, const std::string& looks_dir) {
    std::error_code ec;
    s.looks = DISTRICT{};
    s.looks.folder = folder;
    s.looks.name = folder;
    s.looks.dir = looks_dir;
    s.looks.has_tiles = std::filesystem::is_regular_file(looks_dir + "/" + district_tiles_file, ec);
    s.looks.has_back = std::filesystem::is_regular_file(looks_dir + "/" + district_back_file, ec);
    if (!s.looks.has_tiles && !s.looks.has_back) s.looks.dir = s.dir;  // nothing to take along
    const std::string town_level = "dat/level.dat";
    std::string error;
    if (enter_district_level(s.looks, town_level, &error)) return;
    std::fprintf(stderr, "one-step-ahead: %s: %s; the editor shows the shared tiles\n", folder.c_str(), error.c_str());
    s.looks.has_tiles = s.looks.has_back = false;
    s.looks.dir = s.dir;
    enter_district_level(s.looks, town_level, &error);
}

}  // namespace

void run_editor(PLAYER& mora, PLAYER& vela, const std::string& folder, const std::string& copy_from) {
    const std::string root = player_districts_dir();
    if (root.empty() || !is_district_folder_name(folder)) {
        std::fprintf(stderr, "one-step-ahead: cannot edit the district '%s'\n", folder.c_str());
        return;
    }
    editor_session s(mora, vela);
    s.dir = root + "/" + folder;
    s.shown_name = folder;
    DISTRICT own;
    if (find_district(folder, &own) && !own.shipped) s.shown_name = own.name;
    // A copy not yet saved looks like the district it copies.
    std::error_code ec;
    const bool copy = !copy_from.empty() && !std::filesystem::exists(s.dir + "/" + district_map_file, ec);
    const std::string looks_dir = copy ? std::filesystem::path(copy_from).parent_path().string() : s.dir;
    enter_looks(s, folder, looks_dir);
    open_tune(s, looks_dir);
    if (!make_editor_view(s.v, mora, vela)) {
        std::fprintf(stderr, "one-step-ahead: out of memory for the editor\n");
        free_editor_view(s.v);
        return;
    }
    bool restored = false;
    open_editor(s.e, opening_map(s, copy_from, &restored));
    if (restored) {
        s.e.saved_revision = -1;  // no revision is ever -1: the work taken back is unsaved
        s.autosaved_revision = s.e.revision;
    }
    s.worker = std::make_unique<PROOF_WORKER>(level_tool_path(), std::filesystem::current_path(ec).string());
    if (mouse_ready()) {
        // Only a move from here on moves the cursor: it starts on the player's start.
        poll_mouse();
        s.mouse_z = mouse_z;
        screen_to_picture(mouse_x, mouse_y, &s.mouse_at[0], &s.mouse_at[1]);
    }
    clear_keybuf();
    auto last_frame = clock_type::now() - frame_every;
    editor_frame_log log;
    while (!s.leave && !blGameOver) {
        proof_pass(s);
        if (s.menu_open) {
            menu_pass(s);
        } else {
            key_pass(s);
            mouse_pass(s);
            pad_pass(s);
        }
        autosave_pass(s);
        const auto now = clock_type::now();
        if (s.dirty && now - last_frame >= frame_every) {
            draw_pass(s);
            log.shown();
            last_frame = now;
        } else {
            rest(pass_rest);
        }
    }
    // Left on purpose, the autosave has done its work; a crash or a closed window keeps it. A
    // district never saved leaves no folder behind (remove takes only an empty one).
    if (s.leave) {
        remove_autosave(s.dir);
        std::filesystem::remove(s.dir, ec);
    }
    s.worker.reset();
    free_editor_view(s.v);
}

bool ask_district_name(std::string* name) {
    const std::string root = player_districts_dir();
    std::error_code ec;
    int n = 1;
    while (std::filesystem::exists(root + "/district-" + std::to_string(n), ec)) n++;
    std::string typed = "district-" + std::to_string(n);
    std::string note;
    BITMAP* frozen = create_bitmap(view_w, view_h);
    if (frozen) blit(picture, frozen, 0, 0, 0, 0, view_w, view_h);
    clear_keybuf();
    MENU_STATE input;
    bool changed = true, answer = false, done = false;
    while (!done && !blGameOver) {
        if (changed) {
            if (frozen) blit(frozen, picture, 0, 0, 0, 0, view_w, view_h);
            // TRANSLATORS: a new district's folder name is asked for: lower case letters, digits
            // and '-'; Enter makes the district.
            draw_menu_panel(picture, _("New district"), {{_("Name"), typed + "_"}}, 0,
                            {_("Letters, digits and '-'; Enter makes it"), text_lookup(note.c_str())});
            if (screen) show_picture();
            changed = false;
        }
        while (keypressed() && !done) {
            const int k = readkey();
            const int code = k >> 8;
            char ch = static_cast<char>(k & 0xff);
            changed = true;
            if (code == KEY_ESC) {
                done = true;
            } else if (code == KEY_ENTER || code == KEY_ENTER_PAD) {
                if (!is_district_folder_name(typed))
                    note = N_("A name of letters, digits and '-' is needed");
                else if (std::filesystem::exists(root + "/" + typed, ec))
                    note = N_("There is a district of that name");
                else
                    answer = done = true;
            } else if (code == KEY_BACKSPACE) {
                if (!typed.empty()) typed.pop_back();
            } else {
                if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
                if (((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-') &&
                    static_cast<int>(typed.size()) < district_name_max)
                    typed += ch;
            }
        }
        // The pad: button 0 takes the name offered, 1 goes back.
        for (const MENU_EVENT& ev : read_menu_events(input)) {
            if (ev.action == MENU_ACTION::choose && is_district_folder_name(typed) &&
                !std::filesystem::exists(root + "/" + typed, ec))
                answer = done = true;
            else if (ev.action == MENU_ACTION::back)
                done = true;
        }
        rest(pass_rest * 2);
    }
    if (frozen) {
        blit(frozen, picture, 0, 0, 0, 0, view_w, view_h);
        destroy_bitmap(frozen);
    }
    if (answer) *name = typed;
    return answer;
}
