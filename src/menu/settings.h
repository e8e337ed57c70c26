// The player's settings file: read and written with Allegro's configuration routines, tolerant of
// anything in it.
#ifndef OSA_MENU_SETTINGS_H
#define OSA_MENU_SETTINGS_H

#include <cstdio>
#include <string>

#include "core/state.h"
#include "display/display.h"
#include "input/input.h"
#include "music/output.h"
#include "text/language.h"

// The player's settings, as the settings file gives them (or the defaults).
struct SETTINGS {
    bool fullscreen = true;
    // The language the game's words are shown in: "system" (the desktop's, as gettext finds it)
    // or a code of text/language.h's languages ("de", "pt_BR", ...).
    std::string language = system_language;
    int scale = 0;  // 0: the largest that fits; 1..8 fixes it
    int frame_rate = frame_rate_auto;  // written only when the file gives one
    bool music = true;   // false: no music, whatever its volume
    bool sound = true;   // false: no sound effects, whatever their volume
    int music_volume = max_volume;
    int sound_volume = max_volume;
    int timer = 0;       // 0 no timer, 1 the run's game time, 2 also the mission's
    bool ghost = true;   // the district's best run runs alongside as a ghost
    // The sound output's buffer in ms, min_sound_latency_ms to max_sound_latency_ms, larger for a
    // machine where the sound crackles; 0 (the default, written only when the file gives one):
    // default_sound_latency_ms.
    int latency_ms = 0;
    KEY_BINDINGS keys = default_key_bindings;
    PAD_BINDINGS pad = default_pad_bindings;
};

// The timer's choices: off, the run, the run and the mission.
constexpr int timer_choices = 3;

// The loudness the player hears: a volume from 0 (silence) to max_volume, or 0 when that
// sound is off.
inline int music_level(const SETTINGS& s) { return s.music ? s.music_volume : 0; }
inline int sound_level(const SETTINGS& s) { return s.sound ? s.sound_volume : 0; }

// The settings file: $XDG_CONFIG_HOME/one-step-ahead/settings.cfg, by default (no or a relative
// XDG_CONFIG_HOME) $HOME/.config/one-step-ahead/settings.cfg. Empty when neither variable is set.
std::string settings_path();

// Reads a whole number from lo to hi with nothing after it (a scale: 1..8 on the command line,
// 0..8 in the settings). False, value untouched, for anything else.
bool read_whole_number(const char* text, int lo, int hi, int* value);

// Reads the settings file at path. A missing or unreadable file gives the defaults; a value that
// is missing keeps its default, and one that makes no sense (a scale of 99, a volume of 11, an
// unknown key name, a pad button past 31, a key or button bound twice: the later binding, a
// language the game does not have) keeps
// it too, with one line on err naming it. Needs Allegro started; leaves the library's own
// configuration as it was.
SETTINGS load_settings(const std::string& path, std::FILE* err);

// Writes s to the settings file at path, keeping whatever else the file holds: into a new file
// beside it first, then renamed over the old one, so that a crash or a full disk never leaves half
// a file. Makes the directory when it is missing. False, with one line on err, when it cannot;
// the old file is then untouched.
bool save_settings(const std::string& path, const SETTINGS& s, std::FILE* err);

#endif
