// Where the game's files are, and the player's settings file: read and written with Allegro's
// configuration routines, tolerant of anything in it.
#ifndef OSA_SHELL_SETTINGS_H
#define OSA_SHELL_SETTINGS_H

#include <cstdio>
#include <string>

#include "display/display.h"
#include "input/input.h"

// The player's settings, as the settings file gives them (or the defaults).
struct SETTINGS {
    bool fullscreen = true;
    int scale = 0;  // 0: the largest that fits; 1..8 fixes it
    int frame_rate = frame_rate_auto;  // written only when the file gives one
    bool music = true;
    bool sound = true;
    KEY_BINDINGS keys = default_key_bindings;
    PAD_BINDINGS pad = default_pad_bindings;
};

// The settings file: $XDG_CONFIG_HOME/one-step-ahead/settings.cfg, by default (no or a relative
// XDG_CONFIG_HOME) $HOME/.config/one-step-ahead/settings.cfg. Empty when neither variable is set.
std::string settings_path();

// Reads the settings file at path. A missing or unreadable file gives the defaults; a value that
// is missing keeps its default, and one that makes no sense (a scale of 99, an unknown key name,
// a pad button past 31, a key or button bound twice: the later binding) keeps it too, with one
// line on err naming it. Needs Allegro started; leaves the library's own configuration as it was.
SETTINGS load_settings(const std::string& path, std::FILE* err);

// Writes s to the settings file at path, keeping whatever else the file holds: into a new file
// beside it first, then renamed over the old one, so that a crash or a full disk never leaves half
// a file. Makes the directory when it is missing. False, with one line on err, when it cannot;
// the old file is then untouched.
bool save_settings(const std::string& path, const SETTINGS& s, std::FILE* err);

// The directory that holds the game's dat/: --data DIR (data_option) first, then the variable
// ONE_STEP_AHEAD_DATA (data_env), then beside the executable (the build tree) or in
// ../share/one-step-ahead beside its directory (an installed or moved prefix). Empty when none
// of these holds dat/: the game then looks in the working directory.
std::string find_data_dir(const std::string& data_option, const char* data_env,
                          const std::string& executable);

#endif
