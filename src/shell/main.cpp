// One Step Ahead: the command line and the settings, start-up, the title, the main loop and
// shut-down.
#include <allegro.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "characters/player.h"
#include "core/assets.h"
#include "display/display.h"
#include "gameplay/tick.h"
#include "input/input.h"
#include "music/music.h"
#include "shell/options.h"
#include "menu/menu.h"
#include "shell/shell.h"
#include "world/level.h"

namespace {

constexpr int usage_status = 2;      // a wrong command line, as command-line tools answer it

// Releases what the game made and stops the library: the music thread first (it feeds an
// Allegro stream), then every asset, then Allegro.
void shut_down() {
    FSOUND_Close();
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
    char exe[4096];
    get_executable_name(exe, sizeof exe);
    const std::string dir = find_data_dir(opt.data, std::getenv("ONE_STEP_AHEAD_DATA"), exe);
    if (dir.empty() || chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "one-step-ahead: cannot use the data directory %s: %s\n", dir.c_str(),
                 std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    OPTIONS opt;
    switch (parse_options(argc, argv, opt, stdout, stderr)) {
    case OPTIONS_RESULT::done: return EXIT_SUCCESS;
    case OPTIONS_RESULT::usage_error: return usage_status;
    case OPTIONS_RESULT::play: break;
    }
    const std::string level_path = absolute(opt.level);

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
    menu_settings.sound_allowed = !opt.mute;
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
    if (!opt.level.empty()) {
        level_file = level_path;
        level_name = opt.level;
    }
    load_shit();
    if (blStartFailed) return stop_start();
    load_level();
    if (blStartFailed) return stop_start();
    PLAYER mora(player_start_x, start_y, "dat/mora.dat", type_player);
    if (!mora.has_frames()) return stop_start();
    PLAYER vela(partner_start_x, start_y, "dat/vela.dat", type_partner);
    if (!vela.has_frames()) return stop_start();
    keep_across_mode_changes(bitmaps_to_keep());
    // The sound and the music start only when wanted; a failure is said once (without the sound
    // driver the music cannot start either).
    if (music_level(settings) > 0 || sound_level(settings) > 0) start_sound(false);
    apply_settings();

    show_title();
    start_rules();
    run_game(mora, vela);

    // The player's switch between full screen and a window is kept for the next game.
    if (blModeSwitched) {
        menu_settings.from_file.fullscreen = display_fullscreen;
        save_settings(menu_settings.file_path, menu_settings.from_file, stderr);
    }
    const bool failed = blStartFailed;
    shut_down();
    return failed ? EXIT_FAILURE : EXIT_SUCCESS;
}
END_OF_MAIN()
