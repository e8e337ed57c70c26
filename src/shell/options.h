// The command line: what the player asked for on it, read with getopt_long.
#ifndef OSA_SHELL_OPTIONS_H
#define OSA_SHELL_OPTIONS_H

#include <cstdio>
#include <string>

// What the game does with its run: play it, or show, check or time a recorded one.
// list_districts prints the districts and ends; export_district and import_district write a
// district file and add one, without a window.
enum class RUN_MODE { play, replay, verify, timedemo, list_districts, export_district, import_district };

// What the command line asked for; a field left at its "not given" value lets the settings
// file (or the default) decide.
struct OPTIONS {
    int fullscreen = -1;  // -1 not given, 0 --window, 1 --fullscreen
    int scale = 0;        // 0 not given, 1..8 --scale N
    std::string level;    // --level FILE, as given (relative to the starting directory)
    std::string data;     // --data DIR, the directory that holds dat/
    bool mute = false;    // --mute: no sound, no music
    std::string record;   // --record FILE: this run is written there too
    std::string ghost;    // --ghost FILE: that run's Mora runs alongside as the ghost
    RUN_MODE run = RUN_MODE::play;
    std::string replay;   // the recorded run for --replay (or a replay named alone), --verify or --timedemo
    std::string district; // --district NAME: play it at once, without the title or the districts
    std::string edit;     // --edit NAME: the player's district NAME opened in the editor
    std::string share;    // --export NAME: the player's district NAME written as a district file
    std::string output;   // -o FILE with --export: the file to write (else in the Documents folder)
    std::string import;   // --import FILE: the district file FILE added
    std::string open;     // FILE: a district file, opened on its own screen to be added
};

// What main does after reading the command line.
enum class OPTIONS_RESULT {
    play,         // start the game with the options read
    done,         // --help or --version printed its text: exit 0
    usage_error,  // a wrong option or value: one line and the usage went to err, exit 2
};


// Reads argv with getopt_long into opt. One file may follow the options: a replay (by its first
// bytes or its name, see opened_file_kind) is watched as with --replay. --help prints the usage
// to out, --version the name and version; a wrong option or value, or a file the game does not
// open, prints one line and the usage to err. Needs no display and can be called more than once
// (tests).
OPTIONS_RESULT parse_options(int argc, char** argv, OPTIONS& opt, std::FILE* out, std::FILE* err);

// The directory that holds the game's dat/: --data DIR (data_option) first, then the variable
// ONE_STEP_AHEAD_DATA (data_env), then beside the executable (the build tree) or in
// ../share/one-step-ahead beside its directory (an installed or moved prefix). Empty when none
// of these holds dat/: the game then looks in the working directory.
std::string find_data_dir(const std::string& data_option, const char* data_env,
                          const std::string& executable);

#endif
