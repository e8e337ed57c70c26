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
#include "display/display.h"
#include "gameplay/mission.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "menu/menu.h"
#include "music/music.h"
#include "music/output.h"
#include "replay/best_runs.h"
#include "replay/crash.h"
#include "replay/run.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "world/level.h"

namespace {

constexpr int usage_status = 2;      // a wrong command line, as command-line tools answer it
constexpr int replay_end_hold = 2000;  // ms the last frame of a watched run stays

// Releases what the game made and stops the library: the music and the sound output first (they
// play the samples and the song), then every asset, then Allegro.
void shut_down() {
    FSOUND_Close();
    close_sound_output();
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
    const VERIFY_RESULT v = verify_replay(r, *mora, *vela);
    if (!v.ok)
        std::printf("%s: %s\n", name, v.reason.c_str());
    else if (r.crashed)
        std::printf("%s: cut short by a crash after %u ticks (%.1f s), level %d, score %d; "
                    "every checkpoint before it plays back as recorded\n",
                    name, v.ticks, static_cast<double>(v.ticks) / logic_rate, v.outcome.level, v.outcome.score);
    else
        std::printf("%s: ok, %u ticks, level %d, score %d\n", name, v.ticks, v.outcome.level, v.outcome.score);
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
    if (tase > 0 && !data.empty() && enters_best_runs(load_best_runs(data, stderr), score) &&
        !enter_best_run(data, began, score, tase, minutes, bytes.data(),
                        bytes.size(), stderr, &error))
        std::fprintf(stderr, "one-step-ahead: the run did not enter the best runs: %s\n", error.c_str());
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
    if (opt.run == RUN_MODE::verify) return verify(opt, replay_path, level_path);
    REPLAY replay;
    if (opt.run != RUN_MODE::play) {
        std::string error;
        if (!read_replay_file(replay_path, &replay, &error)) {
            std::fprintf(stderr, "one-step-ahead: %s: %s\n", opt.replay.c_str(), error.c_str());
            return EXIT_FAILURE;
        }
    }

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
    switch (opt.run) {
    case RUN_MODE::play: {
        show_title(*mora, *vela, title_demo());
        if (blGameOver) break;
        install_crash_report(xdg_state_dir());
        start_run(*mora, *vela);
        const REPLAY_HEADER header = run_header();
        live_run.start(header);
        run_game(*mora, *vela);
        keep_the_run(opt, record_path, static_cast<std::time_t>(header.began), *mora, *vela);
        break;
    }
    case RUN_MODE::replay:
        if (replay.crashed)
            std::fprintf(stderr, "one-step-ahead: %s: a run cut short by a crash after %zu ticks (%.1f s)\n",
                         opt.replay.c_str(), replay.ticks.size(), static_cast<double>(replay.ticks.size()) / logic_rate);
        // The last frame stays a while, as the run ended on it.
        if (watch_replay(*mora, *vela, replay, WATCH::replay)) rest(replay_end_hold);
        break;
    case RUN_MODE::timedemo: {
        const TIMEDEMO_RESULT t = timedemo(*mora, *vela, replay);
        std::printf("%d frames in %.2f s: %.1f frames/s, median %.2f ms, 99th percentile %.2f ms\n", t.frames,
                    t.seconds, t.seconds > 0 ? t.frames / t.seconds : 0.0, t.median_ms, t.p99_ms);
        break;
    }
    case RUN_MODE::verify: break;
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
