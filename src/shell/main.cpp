// One Step Ahead: the command line and the settings, start-up, the title, the main loop and
// shut-down.
#include <allegro.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "characters/player.h"
#include "core/assets.h"
#include "core/files.h"
#include "text/utf8.h"
#include "display/display.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "menu/menu.h"
#include "music/music.h"
#include "music/output.h"
#include "replay/best_runs.h"
#include "replay/crash.h"
#include "replay/progress.h"
#include "replay/run.h"
#include "replay/splits.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "world/district.h"
#include "world/level.h"

namespace {

constexpr int usage_status = 2;      // a wrong command line, as command-line tools answer it
constexpr int replay_end_hold = 2000;  // ms the last frame of a watched run stays

// Releases what the game made and stops the library: the music and the sound output first (they
// play the samples and the song), then every asset, then Allegro.
void shut_down() {
    FSOUND_Close();
    close_sound_output();
    release_ghost_picture();
    release_character_frames();
    unload_level();
    unload_shit();
    destroy_bitmap(picture);
    picture = nullptr;
    allegro_exit();
}

int stop_start() {
    shut_down();
    return EXIT_FAILURE;
}

// A level file named relative to the directory the game was started in, before it leaves it.
std::string absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    return path.empty() || ec ? path : whole.string();
}

// Changes to the directory that holds dat/, so that every file is found by its own name
// ("dat/tiles.pcx", ...) from wherever the game was started. False when a directory the player
// named cannot be entered.
bool enter_data_dir(const OPTIONS& opt) {
    // Linux tells the executable's path; Allegro asks the same only with a system driver (not
    // for --verify, which has none).
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || exe.empty()) {
        char name[4096];
        get_executable_name(name, sizeof name);
        exe = name;
    }
    const std::string dir = find_data_dir(opt.data, std::getenv("ONE_STEP_AHEAD_DATA"), exe);
    if (dir.empty() || chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "one-step-ahead: cannot use the data directory %s: %s\n", dir.c_str(),
                 std::strerror(errno));
    return false;
}

// The game's files for a run: the level the player named (its messages use the name as given),
// then every asset, the level and both characters. False after a failure, which has been said.
bool load_everything(const OPTIONS& opt, const std::string& level_path, PLAYER*& mora, PLAYER*& vela) {
    if (!opt.level.empty()) {
        level_file = level_path;
        level_name = opt.level;
    }
    load_shit();
    if (blStartFailed) return false;
    load_level();
    if (blStartFailed) return false;
    static PLAYER m(player_start_x, start_y, "dat/mora.dat", type_player);
    if (!m.has_frames()) return false;
    static PLAYER v(partner_start_x, start_y, "dat/vela.dat", type_partner);
    if (!v.has_frames()) return false;
    mora = &m;
    vela = &v;
    return true;
}

// A recorded run plays in the district it names (a --level run in the level given): false,
// with why, when this game has no such district or it cannot be loaded.
bool enter_recorded_district(const OPTIONS& opt, const REPLAY& r, std::string* why) {
    if (!opt.level.empty() || r.header.district == current_district.folder) return true;
    DISTRICT d;
    if (!find_district(r.header.district, &d)) {
        *why = "recorded in the district " + r.header.district + ", which is not here";
        return false;
    }
    std::string error;
    if (!enter_district(d, &error)) {
        *why = "recorded in the district " + r.header.district + ", which cannot be played: " + error;
        return false;
    }
    return true;
}

// --list-districts: no window; a line for each district, in the district screen's order.
int list_districts(const OPTIONS& opt) {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return EXIT_FAILURE;
    set_color_depth(32);
    if (!enter_data_dir(opt)) return stop_start();
    load_shit();  // the tiles a level is read against
    if (blStartFailed) return stop_start();
    load_game_progress();
    const std::vector<DISTRICT> list = game_districts();
    const std::vector<bool> open = unlocked_districts(list, game_progress);
    for (size_t i = 0; i < list.size(); i++) {
        const DISTRICT& d = list[i];
        const auto found = game_progress.districts.find(d.folder);
        const DISTRICT_PROGRESS best = found == game_progress.districts.end() ? DISTRICT_PROGRESS{} : found->second;
        const std::string state = !d.fault.empty() ? "not playable: " + d.fault : open[i] ? "unlocked" : "locked";
        // The name and a reason may quote a file of someone else's: no byte of it reaches the
        // terminal as a control.
        std::printf("%s\t%s\t%s\tbest level %d, score %d\n", d.folder.c_str(), terminal_text(d.name).c_str(),
                    terminal_text(state).c_str(), best.best_level, best.best_score);
    }
    shut_down();
    return EXIT_SUCCESS;
}

// --export and --import: no window; the game's tiles and characters, which the proof of a
// district file's map plays.
int share_command(const OPTIONS& opt, const std::string& output, const std::string& import) {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return EXIT_FAILURE;
    set_color_depth(32);
    PLAYER* mora = nullptr;
    PLAYER* vela = nullptr;
    if (!enter_data_dir(opt) || !load_everything(opt, "", mora, vela)) return stop_start();
    const int status = opt.run == RUN_MODE::export_district ? export_command(opt.share, output)
                                                            : import_command(opt.import, import, *mora, *vela);
    shut_down();
    return status;
}

// The district --district names, when it can be played now: false with one line on stderr.
bool district_from_command_line(const std::string& folder) {
    const std::vector<DISTRICT> list = game_districts();
    const std::vector<bool> open = unlocked_districts(list, game_progress);
    for (size_t i = 0; i < list.size(); i++) {
        if (list[i].folder != folder) continue;
        std::string error;
        if (!list[i].fault.empty())
            std::fprintf(stderr, "one-step-ahead: the district %s cannot be played: %s\n", folder.c_str(),
                         terminal_text(list[i].fault).c_str());
        else if (!open[i])
            std::fprintf(stderr, "one-step-ahead: the district %s is locked: reach level %d in the one before it\n",
                         folder.c_str(), unlock_level);
        else if (!enter_district(list[i], &error))
            std::fprintf(stderr, "one-step-ahead: the district %s cannot be played: %s\n", folder.c_str(), error.c_str());
        else
            return true;
        return false;
    }
    std::fprintf(stderr, "one-step-ahead: there is no district %s (--list-districts lists them)\n", folder.c_str());
    return false;
}

// --verify: no window and no sound; the recorded run's ticks through the logic as fast as they
// go, and one line on what came of it.
int verify(const OPTIONS& opt, const std::string& replay_path, const std::string& level_path) {
    const char* name = opt.replay.c_str();
    REPLAY r;
    std::string error;
    if (!read_replay_file(replay_path, &r, &error)) {
        std::printf("%s: %s\n", name, error.c_str());
        return EXIT_FAILURE;
    }
    // Memory bitmaps, datafiles and masks work without a display (but no timer may be installed).
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return EXIT_FAILURE;
    set_color_depth(32);
    PLAYER* mora = nullptr;
    PLAYER* vela = nullptr;
    if (!enter_data_dir(opt) || !load_everything(opt, level_path, mora, vela)) return stop_start();
    std::string why;
    if (!enter_recorded_district(opt, r, &why)) {
        std::printf("%s: %s\n", name, why.c_str());
        shut_down();
        return EXIT_FAILURE;
    }
    const VERIFY_RESULT v = verify_replay(r, *mora, *vela);
    if (!v.ok)
        std::printf("%s: %s\n", name, v.reason.c_str());
    else if (r.crashed)
        std::printf("%s: cut short by a crash after %u ticks (%.1f s), level %d, score %d; "
                    "every checkpoint before it plays back as recorded\n",
                    name, v.ticks, static_cast<double>(v.ticks) / logic_rate, v.outcome.level, v.outcome.score);
    else
        std::printf("%s: ok, %u ticks, level %d, score %d\n", name, v.ticks, v.outcome.level, v.outcome.score);
    if (v.ok) print_splits(stdout);
    shut_down();
    return v.ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

// The run just played is kept: as last-run.replay, in FILE for --record, and among the best runs
// when it fulfilled a mission and scores among the ten best. A file that cannot be written is
// said on stderr.
void keep_the_run(const OPTIONS& opt, const std::string& record_path, std::time_t began, const PLAYER& mora,
                  const PLAYER& vela) {
    const std::vector<unsigned char> bytes = live_run.file_bytes(run_outcome(mora, vela), false);
    if (bytes.empty()) return;
    std::string error;
    const std::string state = xdg_state_dir();
    if (!state.empty() && !write_file_atomically(state + "/last-run.replay", bytes.data(), bytes.size(), &error))
        std::fprintf(stderr, "one-step-ahead: the run was not kept: %s\n", error.c_str());
    if (!opt.record.empty() && !write_file_atomically(record_path, bytes.data(), bytes.size(), &error))
        std::fprintf(stderr, "one-step-ahead: cannot record the run in %s: %s\n", opt.record.c_str(), error.c_str());
    const std::string data = xdg_data_dir();
    const int minutes = static_cast<int>(live_run.ticks() / (60u * logic_rate));
    const std::string& district = current_district.folder;
    // A level of the player's own file (--level) is no district: its runs are not ranked.
    if (!opt.level.empty()) return;
    if (tase > 0 && !data.empty() && enters_best_runs(load_best_runs(data, stderr), score, district) &&
        !enter_best_run(data, began, score, tase, minutes, bytes.data(), bytes.size(), stderr, &error, district))
        std::fprintf(stderr, "one-step-ahead: the run did not enter the best runs: %s\n", error.c_str());
    // A level of the player's own (--level) is no district's: its splits are not the district's.
    if (opt.level.empty() && !data.empty() &&
        !keep_splits(data, current_district.folder, run_splits, bytes.data(), bytes.size(), stderr, &error))
        std::fprintf(stderr, "one-step-ahead: the run's splits were not kept: %s\n", error.c_str());
}

// The district in play, from its start until it is left or the game ends (Escape, Quit game):
// true when the player left it (for the district screen). The restart key ends a run, which is
// kept as any run that ends, and starts the district again. A run that ended by Leave district
// or Restart and fulfilled a mission shows its results card first.
bool play_district(const OPTIONS& opt, const std::string& record_path, const std::string& ghost_path, PLAYER& mora,
                   PLAYER& vela) {
    install_crash_report(xdg_state_dir());
    if (opt.level.empty()) note_last_district(current_district.folder);
    play_district_tune();
    while (!blGameOver) {
        prepare_time_attack(opt.level.empty(), opt.ghost, ghost_path, mora, vela);
        start_run(mora, vela);
        const REPLAY_HEADER header = run_header();
        live_run.start(header);
        const PROGRESS before = game_progress;
        const RUN_END end = run_game(mora, vela);
        keep_the_run(opt, record_path, static_cast<std::time_t>(header.began), mora, vela);
        if (end == RUN_END::quit) return false;
        if (tase > 0) {
            // The card stands over the run's last picture.
            if (BITMAP* frame = draw_frame(mora, vela)) blit(frame, picture, 0, 0, 0, 0, view_w, view_h);
            forget_frame();
            const bool ranked = opt.level.empty() && progress_enabled;
            show_results(run_results(before, ranked ? game_districts() : std::vector<DISTRICT>{}, ranked));
        }
        if (end == RUN_END::leave) return !blGameOver;
    }
    return false;
}

// The town again, for the title's demo, after another district was in play.
void back_to_town() {
    DISTRICT town;
    std::string error;
    // The editor may have left another level or another district's looks in play.
    const bool in_town = current_district.folder == town_district && level_file == "dat/level.dat" &&
                         back_file == shared_back_file;
    if (!in_town && find_district(town_district, &town) &&
        !enter_district(town, &error))
        std::fprintf(stderr, "one-step-ahead: the town cannot be loaded: %s\n", error.c_str());
}

// The title (unless title is false), then the district screen, until the game ends: Escape on
// the screen goes back to the title (and Escape there ends the game), a district played and
// left, or the editor, comes back to the screen. The title's tune plays on both. A district just
// added (chosen, not empty) is chosen when the district screen first opens.
void title_and_districts(const OPTIONS& opt, const std::string& record_path, const std::string& ghost_path,
                         PLAYER& mora, PLAYER& vela, const REPLAY* demo, bool title, std::string chosen = "") {
    while (!blGameOver) {
        play_title_tune();
        if (title) {
            back_to_town();
            show_title(mora, vela, demo);
            if (blGameOver) return;
        }
        title = false;
        const DISTRICT_PICK pick = choose_district(chosen);
        chosen.clear();
        std::string error, name;
        switch (pick.action) {
        case DISTRICT_ACTION::back: title = true; break;
        case DISTRICT_ACTION::quit: return;
        case DISTRICT_ACTION::play:
            if (!enter_district(pick.district, &error)) {
                std::fprintf(stderr, "one-step-ahead: %s cannot be played: %s\n", pick.district.folder.c_str(),
                             error.c_str());
                break;
            }
            if (!play_district(opt, record_path, ghost_path, mora, vela)) return;
            break;
        case DISTRICT_ACTION::edit: run_editor(mora, vela, pick.district.folder, ""); break;
        case DISTRICT_ACTION::edit_copy:
            // A shipped district is never changed: its map goes into a new district of the player's.
            if (ask_district_name(&name))
                run_editor(mora, vela, name, pick.district.dir + "/" + district_map_file);
            break;
        case DISTRICT_ACTION::new_district:
            if (ask_district_name(&name)) run_editor(mora, vela, name, "");
            break;
        case DISTRICT_ACTION::share: break;
        }
    }
}

// The title's demo, when dat/demo.replay is there and was recorded on this level with these
// assets; else none.
const REPLAY* title_demo() {
    static REPLAY demo;
    if (!read_replay_file("dat/demo.replay", &demo, nullptr)) return nullptr;
    if (demo.header.level_hash != level_hash() || demo.header.logic_hash != logic_hash()) return nullptr;
    return &demo;
}

} // namespace

int main(int argc, char** argv) {
    OPTIONS opt;
    switch (parse_options(argc, argv, opt, stdout, stderr)) {
    case OPTIONS_RESULT::done: return EXIT_SUCCESS;
    case OPTIONS_RESULT::usage_error: return usage_status;
    case OPTIONS_RESULT::play: break;
    }
    // Files named relative to the directory the game was started in, before it leaves it.
    const std::string level_path = absolute(opt.level);
    const std::string replay_path = absolute(opt.replay);
    const std::string record_path = absolute(opt.record);
    const std::string ghost_path = absolute(opt.ghost);
    const std::string open_path = absolute(opt.open);
    if (opt.run == RUN_MODE::verify) return verify(opt, replay_path, level_path);
    if (opt.run == RUN_MODE::list_districts) return list_districts(opt);
    if (opt.run == RUN_MODE::export_district || opt.run == RUN_MODE::import_district)
        return share_command(opt, absolute(opt.output), absolute(opt.import));
    REPLAY replay;
    if (opt.run != RUN_MODE::play) {
        std::string error;
        if (!read_replay_file(replay_path, &replay, &error)) {
            std::fprintf(stderr, "one-step-ahead: %s: %s\n", opt.replay.c_str(), error.c_str());
            return EXIT_FAILURE;
        }
    }

    // The catalogues' words are UTF-8, and so is every text Allegro is handed (its default,
    // said here once before it starts, as its manual asks).
    set_uformat(U_UTF8);
    // Without a display there is no system driver, and nearly every later call would crash.
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        allegro_message("Could not set video mode 320x240x32\n");
        return EXIT_FAILURE;
    }
    if (!enter_data_dir(opt)) {
        allegro_exit();
        return EXIT_FAILURE;
    }
    // The file's settings, and for this run the command line's choices over them.
    menu_settings.file_path = settings_path();
    menu_settings.from_file = load_settings(menu_settings.file_path, stderr);
    SETTINGS& settings = menu_settings.in_force = menu_settings.from_file;
    if (opt.fullscreen >= 0) settings.fullscreen = opt.fullscreen == 1;
    if (opt.scale > 0) settings.scale = opt.scale;
    // The timed demo measures drawing alone: no sound.
    menu_settings.sound_allowed = !opt.mute && opt.run != RUN_MODE::timedemo;
    frame_rate = settings.frame_rate;

    install_int_ex(increment_speed_counter, BPS_TO_TIMER(logic_rate));
    if (install_int_ex(increment_frame, BPS_TO_TIMER(anim_rate)) < 0)
        allegro_message("Error with external timer");
    install_int_ex(increment_timer, BPS_TO_TIMER(1));
    set_color_depth(32);
    set_window_title("One Step Ahead");
    if (!open_display(settings.fullscreen, settings.scale)) {
        start_failure("Could not set video mode 320x240x32");
        return stop_start();
    }
    install_input();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    text_mode(-1);
#pragma GCC diagnostic pop

    // A missing asset has shown its message: stop before the title rather than crash later.
    PLAYER* mora = nullptr;
    PLAYER* vela = nullptr;
    if (!load_everything(opt, level_path, mora, vela)) return stop_start();
    keep_across_mode_changes(bitmaps_to_keep());
    // The sound and the music start only when wanted; a failure is said once (without the sound
    // driver the music cannot start either).
    if (menu_settings.sound_allowed && (music_level(settings) > 0 || sound_level(settings) > 0))
        start_sound(false);
    apply_settings();

    int status = EXIT_SUCCESS;
    load_game_progress();
    if (opt.run == RUN_MODE::replay || opt.run == RUN_MODE::timedemo) {
        std::string why;
        if (!enter_recorded_district(opt, replay, &why)) {
            std::fprintf(stderr, "one-step-ahead: %s: %s\n", opt.replay.c_str(), why.c_str());
            shut_down();
            return EXIT_FAILURE;
        }
        play_district_tune();
    }
    switch (opt.run) {
    case RUN_MODE::play:
        if (!opt.edit.empty()) {
            run_editor(*mora, *vela, opt.edit, "");
        } else if (!opt.district.empty()) {
            if (!district_from_command_line(opt.district)) {
                status = EXIT_FAILURE;
                break;
            }
            // Left, the district goes on to the district screen.
            if (play_district(opt, record_path, ghost_path, *mora, *vela))
                title_and_districts(opt, record_path, ghost_path, *mora, *vela, title_demo(), false);
        } else if (!opt.level.empty()) {
            // A level file of the player's: the title, then that level in the town's looks; left,
            // the title again.
            progress_enabled = false;
            do show_title(*mora, *vela, nullptr);
            while (!blGameOver && play_district(opt, record_path, ghost_path, *mora, *vela));
        } else {
            // A district file opened with the game: its own screen first, then the district screen
            // with it chosen.
            const std::string added = open_path.empty() ? "" : open_district_file(open_path, *mora, *vela);
            title_and_districts(opt, record_path, ghost_path, *mora, *vela, title_demo(), added.empty(), added);
        }
        break;
    case RUN_MODE::replay:
        if (replay.crashed)
            std::fprintf(stderr, "one-step-ahead: %s: a run cut short by a crash after %zu ticks (%.1f s)\n",
                         opt.replay.c_str(), replay.ticks.size(), static_cast<double>(replay.ticks.size()) / logic_rate);
        // A ghost named on the command line races the watched run too.
        if (!opt.ghost.empty()) prepare_time_attack(opt.level.empty(), opt.ghost, ghost_path, *mora, *vela);
        // The last frame stays a while, as the run ended on it.
        if (watch_replay(*mora, *vela, replay, WATCH::replay, !opt.ghost.empty())) rest(replay_end_hold);
        break;
    case RUN_MODE::timedemo: {
        const TIMEDEMO_RESULT t = timedemo(*mora, *vela, replay);
        std::printf("%d frames in %.2f s: %.1f frames/s, median %.2f ms, 99th percentile %.2f ms\n", t.frames,
                    t.seconds, t.seconds > 0 ? t.frames / t.seconds : 0.0, t.median_ms, t.p99_ms);
        break;
    }
    case RUN_MODE::verify:
    case RUN_MODE::list_districts:
    case RUN_MODE::export_district:
    case RUN_MODE::import_district: break;
    }

    // The player's switch between full screen and a window is kept for the next game.
    if (blModeSwitched) {
        menu_settings.from_file.fullscreen = display_fullscreen;
        save_settings(menu_settings.file_path, menu_settings.from_file, stderr);
    }
    if (blStartFailed) status = EXIT_FAILURE;
    shut_down();
    return status;
}
END_OF_MAIN()
