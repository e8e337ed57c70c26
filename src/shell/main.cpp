// One Step Ahead: start-up, the title, the fixed-rate main loop and shut-down.
#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "characters/player.h"
#include "music/music.h"
#include "core/assets.h"
#include "shell/shell.h"
#include "world/level.h"

namespace {

constexpr int screen_w = 320;
constexpr int screen_h = 240;
constexpr int logic_rate = 120;    // logic ticks per second
constexpr int anim_rate = 8;       // animation steps per second
constexpr int music_rate = 22050;  // Hz
constexpr int music_channels = 32;
constexpr int fade_step = 8;       // title fades: blender levels 0, 8, ..., 120
constexpr int fade_end = 128;
constexpr int first_allowance = 60;  // seconds for the first mission

// Leaves after a failed start: the music thread before the library, then a failing status.
int stop_start() {
    FSOUND_Close();
    allegro_exit();
    return EXIT_FAILURE;
}

void show_title() {
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        draw_trans_sprite(screen, the_title, 0, 0);
    }
    clear_keybuf();
    readkey();
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    for (int level = 0; level < fade_end; level += fade_step) {
        set_trans_blender(level, level, level, level);
        rectfill(screen, 0, 0, SCREEN_W, SCREEN_H, 0);
    }
}

} // namespace

int main() {
    // Without a display there is no system driver, and nearly every later call would crash.
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        allegro_message("Could not set video mode 320x240x32\n");
        return EXIT_FAILURE;
    }
    install_int_ex(increment_speed_counter, BPS_TO_TIMER(logic_rate));
    if (install_int_ex(increment_frame, BPS_TO_TIMER(anim_rate)) < 0)
        allegro_message("Error with external timer");
    install_int_ex(increment_timer, BPS_TO_TIMER(1));
    set_color_depth(32);
    set_window_title("One Step Ahead");
    // Full screen first; any 320 x 240 mode, such as a window, after that.
    if (set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, screen_w, screen_h, 0, 0) != 0 &&
        set_gfx_mode(GFX_AUTODETECT, screen_w, screen_h, 0, 0) != 0) {
        start_failure("Could not set video mode 320x240x32");
        return stop_start();
    }
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) < 0)
        allegro_message("Could not install sound driver!");
    if (!FSOUND_Init(music_rate, music_channels, 0)) allegro_message("Unable to install FMOD");
    install_keyboard();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    text_mode(-1);
#pragma GCC diagnostic pop

    // A missing asset has shown its message: stop before the title rather than crash later.
    load_shit();
    if (blStartFailed) return stop_start();
    load_level();
    if (blStartFailed) return stop_start();
    PLAYER mora(800.0f, 480.0f, "dat/mora.dat", 2);
    if (!mora.has_frames()) return stop_start();
    PLAYER vela(896.0f, 480.0f, "dat/vela.dat", 3);
    if (!vela.has_frames()) return stop_start();
    FMUSIC_PlaySong(song);

    show_title();
    timer = 0;
    the_time = first_allowance;

    while (!blGameOver) {
        while (speed_counter > 0) {
            game_tick(mora, vela);
            speed_counter--;
        }
        draw_frame(screen, mora, vela);
    }

    // The music thread feeds an Allegro stream: it must be gone before the library is.
    FSOUND_Close();
    destroy_bitmap(tilemap);
    destroy_bitmap(buffer);
    allegro_exit();
    return EXIT_SUCCESS;
}
END_OF_MAIN()
